#include "AffiliateService.h"

#include "Catalogue.h"
#include "ItemSearch.h"
#include "XmlText.h"

#include <QUrl>

namespace {

constexpr int MaxRowCount = 100;

int numberOr(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

AffiliateService::AffiliateService(const Catalogue &catalogue, const ItemSearch &search,
                                   const QString &memberId, const QStringList &storedTokens)
    : m_catalogue(catalogue), m_search(search), m_memberId(memberId)
{
    for (const QString &token : storedTokens)
        m_tokens.insert(decodedToken(token));
}

QString AffiliateService::decodedToken(const QString &stored)
{
    // Percent escapes only: a raw "+" in a stored token would be a literal plus.
    return QString::fromUtf8(QByteArray::fromPercentEncoding(stored.toUtf8()));
}

QString AffiliateService::refusalReason(const QueryString &query) const
{
    if (!m_tokens.contains(query.value(QStringLiteral("pw"))))
        return QStringLiteral("INVALID_PW");
    if (query.value(QStringLiteral("pid")) != m_memberId)
        return QStringLiteral("INVALID_PID");
    return QString();
}

QByteArray AffiliateService::refusal(const QString &reason)
{
    return QByteArray(XmlText::Declaration) + "<rsp>" + XmlText::element("ERROR", reason) +
           "</rsp>";
}

QByteArray AffiliateService::searchAnswer(const QueryString &query, const QString &baseUrl,
                                          SearchFault fault) const
{
    if (fault == SearchFault::Timeout) {
        return QByteArray(XmlText::Declaration) + "<rsp><STATUS>TIMEOUT</STATUS><PRESULTS/></rsp>";
    }
    ItemSearch::Query request;
    request.words = ItemSearch::splitKeyword(query.value(QStringLiteral("keyword")));
    request.categoryId = query.value(QStringLiteral("catid"));
    request.offset = qMax(0, numberOr(query.value(QStringLiteral("rowoffset")), 0));
    request.count = qBound(0, numberOr(query.value(QStringLiteral("rowcount")), 20), MaxRowCount);
    request.order = ItemSearch::orderFromCode(query.value(QStringLiteral("sr")));
    const ItemSearch::Outcome outcome = m_search.search(request);

    QByteArray out = XmlText::Declaration;
    out.reserve(4096);
    out += "<rsp>";
    if (fault != SearchFault::NoTotal)
        out += "<PTOTAL>" + QByteArray::number(outcome.total) + "</PTOTAL>";
    out += "<PRESULTS>";
    const QByteArray pictureBase = (baseUrl + QStringLiteral("/pic/")).toUtf8();
    for (int index : outcome.items) {
        const Catalogue::Item &item = m_catalogue.items()[index];
        const Catalogue::Seller &seller = m_catalogue.sellers()[item.seller];
        const QByteArray id = QByteArray::number(item.id);
        out += "<ITEM>";
        out += XmlText::element("TITLE", ItemSearch::highlight(item.title, request.words));
        out += "<RESOURCEPATH>" + XmlText::escaped(QString::fromUtf8(pictureBase)) + id +
               ".jpg</RESOURCEPATH>";
        out += "<PRICE>" + QByteArray::number(item.price) + "</PRICE>";
        out += "<ORIOBJID>" + id + "</ORIOBJID>";
        out += "<TOTALACTION>" + QByteArray::number(item.sales) + "</TOTALACTION>";
        out += XmlText::element("CONTACT", seller.name);
        out += XmlText::element("MEMBERID", seller.memberId);
        out += "</ITEM>";
    }
    out += "</PRESULTS></rsp>";
    return out;
}

QByteArray AffiliateService::linkCodeAnswer(const QueryString &query, const QString &baseUrl) const
{
    const QString aid = query.value(QStringLiteral("aid")).trimmed();
    const QString mode = query.value(QStringLiteral("mode")).trimmed();
    QString address;
    if (mode == QLatin1String("13")) {
        const int item = m_catalogue.findItem(aid);
        if (item >= 0)
            address = baseUrl + QStringLiteral("/item/%1.html").arg(m_catalogue.items()[item].id);
    } else if (mode == QLatin1String("43")) {
        const int seller = m_catalogue.findSeller(aid);
        if (seller >= 0) {
            const QString id = m_catalogue.sellers()[seller].memberId;
            address = baseUrl + QStringLiteral("/shop/") +
                      QString::fromLatin1(QUrl::toPercentEncoding(id)) + QStringLiteral(".html");
        }
    }
    // An unknown identifier gets an empty RESULT, which no caller accepts as an address.
    return QByteArray(XmlText::Declaration) + "<rsp>" + XmlText::element("RESULT", address) +
           "</rsp>";
}
