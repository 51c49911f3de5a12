#include "search/GridDocument.h"

#include "platform/XmlReader.h"
#include "search/ResultGrid.h"

namespace {

ResultGrid::Record readRecord(const QDomElement &element)
{
    ResultGrid::Record record;
    record.title = XmlReader::childText(element, QStringLiteral("TITLE"));
    record.picture = XmlReader::childText(element, QStringLiteral("RESOURCEPATH"));
    record.price = XmlReader::childText(element, QStringLiteral("PRICE"));
    record.itemId = XmlReader::childText(element, QStringLiteral("ORIOBJID"));
    record.sold = XmlReader::childText(element, QStringLiteral("TOTALACTION"));
    record.sellerName = XmlReader::childText(element, QStringLiteral("CONTACT"));
    record.sellerMember = XmlReader::childText(element, QStringLiteral("MEMBERID"));
    return record;
}

} // namespace

QString GridDocument(const QDomElement &answerRoot)
{
    QString grid = ResultGrid::bodyTag() + ResultGrid::styleBlock();
    const QDomElement results = XmlReader::item(answerRoot, QStringLiteral("PRESULTS"));
    for (const QDomElement &element : XmlReader::children(results)) {
        const ResultGrid::Record record = readRecord(element);
        if (record.title.isEmpty())
            continue;
        grid += ResultGrid::itemPieces(record);
    }
    grid += ResultGrid::closingTags();
    return grid;
}
