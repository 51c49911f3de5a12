#pragma once

// Reading the result grid back, and asking the sandbox directly for what it should show.
#include "requests/Configuration.h"
#include "support/SandboxProcess.h"

#include <QDomElement>
#include <QList>
#include <QRegularExpression>
#include <QStringList>

namespace SandboxGrid {

struct Grid
{
    QStringList ids;
    QList<double> prices;
    QList<double> sales;
    QStringList titles; // as shown: the sandbox's highlighting and the markup removed
};

inline Grid parseGrid(const QString &html)
{
    Grid grid;
    static const QRegularExpression item(
        QStringLiteral("<p id=[\"']tkname[\"']><a href=[\"']http://\\[catid=([^\\]]*)\\]"));
    static const QRegularExpression price(QStringLiteral("淘宝价：<em>([^<]*)</em>"));
    static const QRegularExpression sold(QStringLiteral("已售：<em>([^<]*)</em>"));
    static const QRegularExpression title(
        QStringLiteral("<p id=[\"']tkname[\"']><a [^>]*>(.*?)</a></p>"));
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    for (auto m = item.globalMatch(html); m.hasNext();)
        grid.ids.append(m.next().captured(1));
    for (auto m = price.globalMatch(html); m.hasNext();)
        grid.prices.append(m.next().captured(1).toDouble());
    for (auto m = sold.globalMatch(html); m.hasNext();)
        grid.sales.append(m.next().captured(1).toDouble());
    for (auto m = title.globalMatch(html); m.hasNext();) {
        QString text = m.next().captured(1).remove(tag);
        grid.titles.append(text.replace(QStringLiteral("&amp;"), QStringLiteral("&")));
    }
    return grid;
}

// The ids of the titled records the sandbox answers for a query, asked directly.
inline QStringList expectedIds(const SandboxProcess &sandbox, const QString &keyword,
                               const QString &cat, int rowOffset, const QString &sortCode)
{
    const Configuration config = Configuration::compiledIn();
    const SandboxProcess::Reply reply = sandbox.get(
        QStringLiteral("/rpc/searchAuctionByRpc.do?pw=%1&pid=%2&keyword=%3&catid=%4&rowoffset=%5"
                       "&rowcount=20&mid =0&sr=%6")
            .arg(config.accessTokens.first(), config.memberId, keyword, cat)
            .arg(rowOffset)
            .arg(sortCode));
    QStringList ids;
    const QDomElement results =
        SandboxProcess::xmlRoot(reply.body).firstChildElement(QStringLiteral("PRESULTS"));
    for (QDomElement r = results.firstChildElement(); !r.isNull(); r = r.nextSiblingElement()) {
        if (!r.firstChildElement(QStringLiteral("TITLE")).text().isEmpty())
            ids.append(r.firstChildElement(QStringLiteral("ORIOBJID")).text());
    }
    return ids;
}

// The same, with the keyword sent percent-encoded the standard way, and the total found.
inline QStringList expectedIdsEncoded(const SandboxProcess &sandbox, const QString &keyword,
                                      const QString &cat, int rowOffset, const QString &sortCode,
                                      qint64 *total)
{
    const Configuration config = Configuration::compiledIn();
    const QByteArray target =
        "/rpc/searchAuctionByRpc.do?pw=" + config.accessTokens.first().toUtf8() +
        "&pid=" + config.memberId.toUtf8() + "&keyword=" + QUrl::toPercentEncoding(keyword) +
        "&catid=" + cat.toUtf8() + "&rowoffset=" + QByteArray::number(rowOffset) +
        "&rowcount=20&sr=" + sortCode.toUtf8();
    const QDomElement root = SandboxProcess::xmlRoot(sandbox.getRaw(target).body);
    *total = root.firstChildElement(QStringLiteral("PTOTAL")).text().toLongLong();
    QStringList ids;
    const QDomElement results = root.firstChildElement(QStringLiteral("PRESULTS"));
    for (QDomElement r = results.firstChildElement(); !r.isNull(); r = r.nextSiblingElement())
        ids.append(r.firstChildElement(QStringLiteral("ORIOBJID")).text());
    return ids;
}

} // namespace SandboxGrid
