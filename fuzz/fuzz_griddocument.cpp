// Any bytes as the search answer: read as XML and turned into the result-grid document,
// which always starts with the body tag and the style block and ends with the closing
// tags, with each titled record's pieces in document order in between.
#include "FuzzInput.h"

#include "platform/XmlReader.h"
#include "requests/NumberText.h"
#include "search/GridDocument.h"
#include "search/ResultGrid.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    XmlReader reader;
    reader.setContent(FuzzInput::bytes(data, size));
    const QString document = GridDocument(reader.root());

    const QString head = ResultGrid::bodyTag() + ResultGrid::styleBlock();
    FUZZ_CHECK(ResultGrid::styleBlock().size() == 952);
    FUZZ_CHECK(document.startsWith(head));
    FUZZ_CHECK(document.endsWith(QLatin1String("</dl></div>")));

    qsizetype at = head.size();
    const QDomElement results = XmlReader::item(reader.root(), QStringLiteral("PRESULTS"));
    for (const QDomElement &record : XmlReader::children(results)) {
        const QString title = XmlReader::childText(record, QStringLiteral("TITLE"));
        if (title.isEmpty())
            continue;
        const QString link =
            ResultGrid::itemLink(XmlReader::childText(record, QStringLiteral("ORIOBJID")));
        const QString pieces[] = {
            QStringLiteral("<dt><span><a href='") + link,
            XmlReader::childText(record, QStringLiteral("RESOURCEPATH")),
            ResultGrid::priceText(XmlReader::childText(record, QStringLiteral("PRICE"))),
            title,
            XmlReader::childText(record, QStringLiteral("MEMBERID")),
            XmlReader::childText(record, QStringLiteral("CONTACT")),
            XmlReader::childText(record, QStringLiteral("TOTALACTION")) +
                QStringLiteral("</em>件</p></dt>"),
        };
        for (const QString &piece : pieces) {
            const qsizetype found = document.indexOf(piece, at);
            FUZZ_CHECK(found >= 0);
            at = found + piece.size();
        }
    }
    FUZZ_CHECK(document.size() - at >= 11);

    // What the labels and the page list take from the same answer.
    const QString total = XmlReader::childText(reader.root(), QStringLiteral("PTOTAL"));
    const double value = NumberText::numericValue(total);
    FUZZ_CHECK(std::isfinite(value));
    FUZZ_CHECK(!NumberText::decimalText(value).isEmpty());
    FUZZ_CHECK(std::isfinite(std::ceil(value / 20)));
    return 0;
}
