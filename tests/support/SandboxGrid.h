#pragma once

// Reading the result grid back, and asking the sandbox directly for what it should show.
#include "../sandbox/testkit/SandboxProcess.h"
#include "requests/Configuration.h"

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
};

inline Grid parseGrid(const QString &html)
{
    Grid grid;
    static const QRegularExpression item(
        QStringLiteral("<p id=[\"']tkname[\"']><a href=[\"']http://\\[catid=([^\\]]*)\\]"));
    static const QRegularExpression price(QStringLiteral("淘宝价：<em>([^<]*)</em>"));
    static const QRegularExpression sold(QStringLiteral("已售：<em>([^<]*)</em>"));
    for (auto m = item.globalMatch(html); m.hasNext();)
        grid.ids.append(m.next().captured(1));
    for (auto m = price.globalMatch(html); m.hasNext();)
        grid.prices.append(m.next().captured(1).toDouble());
    for (auto m = sold.globalMatch(html); m.hasNext();)
        grid.sales.append(m.next().captured(1).toDouble());
    return grid;
}

// The ids of the titled records the sandbox answers for a query, asked directly.
inline QStringList expectedIds(const SandboxProcess &sandbox, const QString &keyword, const QString &cat,
                        int rowOffset, const QString &sortCode)
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

} // namespace SandboxGrid
