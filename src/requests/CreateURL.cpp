#include "CreateURL.h"

#include "AccessTokenPool.h"
#include "Configuration.h"
#include "Module1.h"
#include "RandomGenerator.h"

#include <QtGlobal>

#include <cmath>
#include <utility>

namespace {

const QString ItemCatsFields = QStringLiteral("cid,parent_cid,name,is_parent,status,sort_order");

// A fresh token from the pool for every request; the draw is made even when the pool is
// empty so the generator's sequence does not depend on it.
QString drawToken()
{
    const int n = AccessTokenPool::count();
    const int index = CreateURL::TokenIndex(RandomGenerator::next(), n);
    if (index < 0 || index >= n)
        return QString();
    return AccessTokenPool::at(index);
}

} // namespace

QString CreateURL::KeywordOnWire(const QString &keyword)
{
    // Only what would end the value, cut the address, read as a space or make the fetcher
    // escape every "%" of the address; "%" first, so the others are not escaped twice.
    QString wire = keyword;
    wire.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('&'), QLatin1String("%26"))
        .replace(QLatin1Char('#'), QLatin1String("%23"))
        .replace(QLatin1Char('+'), QLatin1String("%2B"));
    return wire;
}

QString CreateURL::GetTagValue(const QString &link, const QString &key)
{
    const QString s = link.toLower();
    const QString k = key.toLower();
    const qsizetype length = s.size();
    // A field matches when "[" is followed by exactly the key and then "="; any other
    // "=" after the same "[" would enclose a different text and cannot match.
    for (qsizetype i = s.indexOf(QLatin1Char('[')); i >= 0;
         i = s.indexOf(QLatin1Char('['), i + 1)) {
        const qsizetype j = i + 1 + k.size();
        if (j >= length || s.at(j) != QLatin1Char('='))
            continue;
        if (QStringView(s).sliced(i + 1, k.size()) != k)
            continue;
        const qsizetype m = s.indexOf(QLatin1Char(']'), j + 1);
        if (m < 0)
            continue;
        return s.sliced(j + 1, m - j - 1);
    }
    return QString();
}

int CreateURL::TokenIndex(float r, int n)
{
    return static_cast<qint16>(std::floor(double(r) * double(n)));
}

QString CreateURL::BuildSearchUrl(const QString &rowOffset, const QString &catId,
                                  const QString &keyword, const QString &sortCode)
{
    const QString token = drawToken();
    const Configuration &config = Configuration::current();
    return QStringLiteral("http://") + config.affiliateHost +
           QStringLiteral("/rpc/searchAuctionByRpc.do?") + QStringLiteral("pw=") + token +
           QStringLiteral("&pid=") + config.memberId + QStringLiteral("&keyword=") +
           KeywordOnWire(keyword) + QStringLiteral("&catid=") + catId +
           QStringLiteral("&rowoffset=") +
           rowOffset
           // "mid " with its space is the key the service expects.
           + QStringLiteral("&rowcount=20&mid =0&sr=") + sortCode;
}

QString CreateURL::BuildLinkCodeUrl(const QString &aid, const QString &mode)
{
    const QString token = drawToken();
    const Configuration &config = Configuration::current();
    return QStringLiteral("http://") + config.affiliateHost +
           QStringLiteral("/rpc/genCodeByRpc.do?") + QStringLiteral("pw=") + token +
           QStringLiteral("&pid=") + config.memberId + QStringLiteral("&aid=") + aid +
           QStringLiteral("&mode=") + mode;
}

CreateURL::ParamTable CreateURL::ItemCatsParams(const QString &parentCid, const QString &timestamp)
{
    return {
        {Configuration::current().appKey, QStringLiteral("api_key")},
        {QStringLiteral("taobao.itemcats.get.v2"), QStringLiteral("method")},
        {QStringLiteral("xml"), QStringLiteral("format")},
        {QStringLiteral("1.0"), QStringLiteral("v")},
        {parentCid, QStringLiteral("parent_cid")},
        {timestamp, QStringLiteral("timestamp")},
        {ItemCatsFields, QStringLiteral("fields")},
    };
}

QString CreateURL::BuildItemCatsUrl(const QString &parentCid)
{
    return BuildItemCatsUrl(parentCid, QDateTime::currentDateTime());
}

QString CreateURL::BuildItemCatsUrl(const QString &parentCid, const QDateTime &now)
{
    const Configuration &config = Configuration::current();
    ParamTable table =
        ItemCatsParams(parentCid, now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    SortParams(table, 0, int(table.size()) - 1);

    // The secret stands only at the front; names and values follow without separators.
    QString signatureText = config.appSecret;
    QString query;
    for (const ParamRow &row : std::as_const(table)) {
        signatureText += row.name + row.value;
        query += row.name + QLatin1Char('=') + Module1::UrlEncodeUtf8(row.value) + QLatin1Char('&');
    }
    const QString sign = Module1::Md5Hex(signatureText).toUpper();
    return QStringLiteral("http://") + config.gatewayHost + QStringLiteral("/router/rest?") +
           query + QStringLiteral("sign=") + sign;
}

int CreateURL::SortParams(ParamTable &table, int low, int high)
{
    if (low >= high)
        return 0;
    if (high - low == 1) {
        if (table.at(low).name > table.at(high).name)
            table.swapItemsAt(low, high);
        return 0;
    }

    // The pivot row lies in low..high - 1, never high.
    const float r = RandomGenerator::next();
    const int p = static_cast<qint16>(std::floor(double(r) * double(high - low) + low));
    table.swapItemsAt(high, p);
    const QString pivot = table.at(high).name;

    int i;
    int j;
    do {
        i = low;
        j = high;
        while (i < j && table.at(i).name <= pivot)
            ++i;
        while (j > i && table.at(j).name >= pivot)
            --j;
        if (i < j)
            table.swapItemsAt(i, j);
    } while (i < j);
    table.swapItemsAt(i, high);

    int partitions = 1;
    if (i - low < high - i) {
        partitions += SortParams(table, low, i - 1);
        partitions += SortParams(table, i + 1, high);
    } else {
        partitions += SortParams(table, i + 1, high);
        partitions += SortParams(table, low, i - 1);
    }
    return partitions;
}
