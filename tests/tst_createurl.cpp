#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "requests/CreateURL.h"
#include "requests/RandomGenerator.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrlQuery>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

using namespace CreateURL;

namespace {

const QString AffiliateHost = QStringLiteral("affiliate.example:8081");
const QString GatewayHost = QStringLiteral("gateway.example:8082");
const QString MemberId = QStringLiteral("31415926");
const QString AppKey = QStringLiteral("27182818");
const QString AppSecret = QStringLiteral("0f1e2d3c4b5a69788796a5b4c3d2e1f0");

// 54 distinct tokens of the pool's forms, five of them stored percent-encoded.
QStringList testTokens()
{
    QStringList tokens;
    for (int i = 0; i < 54; ++i)
        tokens.append(
            QStringLiteral("T%1/k%2=").arg(i, 2, 10, QLatin1Char('0')).arg(char('a' + i % 26)));
    tokens[5] = QStringLiteral("kP3%2Bxq7=");
    tokens[17] = QStringLiteral("Zr%2Fm41Q=");
    tokens[28] = QStringLiteral("a9Yd%2Bwe=");
    tokens[40] = QStringLiteral("Hs2kQ0v%3D");
    tokens[53] = QStringLiteral("Tm%2Fq%2B%3D");
    return tokens;
}

// The token index the way the service's rule states it, written out here on its own.
int expectedIndex(float r, int n)
{
    return int(std::floor(double(r) * n));
}

QString tokenOf(const QString &url)
{
    static const QRegularExpression pw(QStringLiteral("\\?pw=([^&]*)&pid="));
    const QRegularExpressionMatch match = pw.match(url);
    return match.hasMatch() ? match.captured(1) : QString();
}

// The generator's values from the start state; its 24-bit state repeats no value within
// this many draws, so a value tells how far the generator has gone.
std::vector<float> referenceSequence(int count)
{
    RandomGenerator::restart();
    std::vector<float> values(count);
    for (float &v : values)
        v = RandomGenerator::next();
    RandomGenerator::restart();
    return values;
}

const QStringList SortedNames = {QStringLiteral("api_key"),    QStringLiteral("fields"),
                                 QStringLiteral("format"),     QStringLiteral("method"),
                                 QStringLiteral("parent_cid"), QStringLiteral("timestamp"),
                                 QStringLiteral("v")};

// The documented signature rule: upper-case MD5 of the secret followed by each name and
// value in name order, over UTF-8 with "+" counted as a space.
QString expectedSign(const QString &parentCid, const QString &timestamp)
{
    const QString text = AppSecret + QStringLiteral("api_key") + AppKey +
                         QStringLiteral("fieldscid,parent_cid,name,is_parent,status,sort_order") +
                         QStringLiteral("formatxml") +
                         QStringLiteral("methodtaobao.itemcats.get.v2") +
                         QStringLiteral("parent_cid") + parentCid + QStringLiteral("timestamp") +
                         timestamp + QStringLiteral("v1.0");
    QString spaced = text;
    spaced.replace(QLatin1Char('+'), QLatin1Char(' '));
    return QString::fromLatin1(
        QCryptographicHash::hash(spaced.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

} // namespace

class TestCreateURL : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void getTagValue_data();
    void getTagValue();

    void searchUrl_data();
    void searchUrl();
    void linkCodeUrl_data();
    void linkCodeUrl();
    void tokenIndex_data();
    void tokenIndex();
    void tokensFollowGeneratorAndRepeatAfterRestart();
    void emptyPoolGivesEmptyToken();

    void itemCatsUrl_data();
    void itemCatsUrl();
    void itemCatsUrlIndependentOfPivots();
    void itemCatsUrlReadsLocalClock();
    void sortParamsEveryOrder();
    void sortParamsSubrange();
    void sortParamsDrawsPerPartition();
    void itemCatsDrawsEqualPartitions();
};

void TestCreateURL::initTestCase()
{
    Configuration config = Configuration::compiledIn();
    config.affiliateHost = AffiliateHost;
    config.gatewayHost = GatewayHost;
    config.memberId = MemberId;
    config.appKey = AppKey;
    config.appSecret = AppSecret;
    config.accessTokens = testTokens();
    Configuration::install(config);
}

void TestCreateURL::init()
{
    AccessTokenPool::fill(testTokens());
    RandomGenerator::restart();
}

void TestCreateURL::getTagValue_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QString two = QStringLiteral("[cid=5][name=x]");
    QTest::newRow("cid") << two << QStringLiteral("cid") << QStringLiteral("5");
    QTest::newRow("key in capitals") << two << QStringLiteral("NAME") << QStringLiteral("x");
    QTest::newRow("missing key") << two << QStringLiteral("p_cid") << QString();
    QTest::newRow("no closing bracket")
        << QStringLiteral("[cid=5") << QStringLiteral("cid") << QString();
    QTest::newRow("first of two wins")
        << QStringLiteral("[cid=1][cid=2]") << QStringLiteral("cid") << QStringLiteral("1");
    QTest::newRow("value holding =")
        << QStringLiteral("[name=a=b]") << QStringLiteral("name") << QStringLiteral("a=b");
    QTest::newRow("value cut at ]")
        << QStringLiteral("[name=a]b]") << QStringLiteral("name") << QStringLiteral("a");
    QTest::newRow("value lower-cased") << QStringLiteral("[catid=AbC123XYZ]")
                                       << QStringLiteral("catid") << QStringLiteral("abc123xyz");
    QTest::newRow("key matched whole, not as suffix")
        << QStringLiteral("[p_cid=1][cid=2]") << QStringLiteral("cid") << QStringLiteral("2");
    QTest::newRow("longer key found")
        << QStringLiteral("[p_cid=1][cid=2]") << QStringLiteral("p_cid") << QStringLiteral("1");
    QTest::newRow("without http prefix, field anywhere")
        << QStringLiteral("junk [nick_id=77] tail") << QStringLiteral("nick_id")
        << QStringLiteral("77");
    QTest::newRow("menu link with CJK name")
        << QStringLiteral("http://[cid=16][name=\u5973\u88C5]") << QStringLiteral("name")
        << QStringLiteral("\u5973\u88C5");
    QTest::newRow("trailing slash added by the view")
        << QStringLiteral("http://[cid=16][name=x]/") << QStringLiteral("name")
        << QStringLiteral("x");
    QTest::newRow("key in link in capitals")
        << QStringLiteral("[CID=7]") << QStringLiteral("cid") << QStringLiteral("7");
    QTest::newRow("order of fields free") << QStringLiteral("[name=x][p_cid=3][cid=9]")
                                          << QStringLiteral("cid") << QStringLiteral("9");
    QTest::newRow("empty value") << QStringLiteral("[cid=][name=x]") << QStringLiteral("cid")
                                 << QString();
    QTest::newRow("empty link") << QString() << QStringLiteral("cid") << QString();
    QTest::newRow("unclosed first field swallows the next")
        << QStringLiteral("[cid=1[name=x]") << QStringLiteral("cid") << QStringLiteral("1[name=x");
    QTest::newRow("bracket without field before")
        << QStringLiteral("[a][cid=4]") << QStringLiteral("cid") << QStringLiteral("4");
    QTest::newRow("no percent-decoding, no trimming")
        << QStringLiteral("[name= a%20b ]") << QStringLiteral("name") << QStringLiteral(" a%20b ");
    QTest::newRow("seller id with non-ASCII and capitals")
        << QStringLiteral("http://[nick_id=\u5356\u5BB6AB]") << QStringLiteral("nick_id")
        << QStringLiteral("\u5356\u5BB6ab");
}

void TestCreateURL::getTagValue()
{
    QFETCH(QString, link);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString before = link;
    QCOMPARE(GetTagValue(link, key), value);
    QCOMPARE(link, before);
}

void TestCreateURL::searchUrl_data()
{
    QTest::addColumn<QString>("rowOffset");
    QTest::addColumn<QString>("catId");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("sortCode");
    QTest::addColumn<QString>("tail"); // everything after the token

    QTest::newRow("keyword a b, no category")
        << QStringLiteral("0") << QString() << QStringLiteral("a b") << QStringLiteral("7")
        << QStringLiteral("&pid=31415926&keyword=a b&catid=&rowoffset=0&rowcount=20&mid =0&sr=7");
    QTest::newRow("reserved and non-ASCII keyword unencoded")
        << QStringLiteral("40") << QStringLiteral("16") << QStringLiteral("\u5973 & x=y#z")
        << QStringLiteral("1")
        << QStringLiteral("&pid=31415926&keyword=\u5973 & x=y#z&catid=16&rowoffset=40"
                          "&rowcount=20&mid =0&sr=1");
    QTest::newRow("category only")
        << QStringLiteral("1980") << QStringLiteral("50010850") << QString() << QStringLiteral("4")
        << QStringLiteral("&pid=31415926&keyword=&catid=50010850&rowoffset=1980"
                          "&rowcount=20&mid =0&sr=4");
}

void TestCreateURL::searchUrl()
{
    QFETCH(QString, rowOffset);
    QFETCH(QString, catId);
    QFETCH(QString, keyword);
    QFETCH(QString, sortCode);
    QFETCH(QString, tail);

    const QStringList pool = testTokens();
    const QString token = pool.at(expectedIndex(RandomGenerator::next(), 54));
    RandomGenerator::restart();
    QCOMPARE(BuildSearchUrl(rowOffset, catId, keyword, sortCode),
             QStringLiteral("http://affiliate.example:8081/rpc/searchAuctionByRpc.do?pw=") + token +
                 tail);
}

void TestCreateURL::linkCodeUrl_data()
{
    QTest::addColumn<QString>("aid");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("tail");

    QTest::newRow("item") << QStringLiteral("123") << QStringLiteral("13")
                          << QStringLiteral("&pid=31415926&aid=123&mode=13");
    QTest::newRow("seller with non-ASCII id")
        << QStringLiteral("\u5356\u5BB6 a") << QStringLiteral("43")
        << QStringLiteral("&pid=31415926&aid=\u5356\u5BB6 a&mode=43");
}

void TestCreateURL::linkCodeUrl()
{
    QFETCH(QString, aid);
    QFETCH(QString, mode);
    QFETCH(QString, tail);

    const QStringList pool = testTokens();
    const QString token = pool.at(expectedIndex(RandomGenerator::next(), 54));
    RandomGenerator::restart();
    QCOMPARE(BuildLinkCodeUrl(aid, mode),
             QStringLiteral("http://affiliate.example:8081/rpc/genCodeByRpc.do?pw=") + token +
                 tail);
}

void TestCreateURL::tokenIndex_data()
{
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("index");

    const float belowOne = std::nextafter(1.0f, 0.0f);
    QTest::newRow("zero") << 0.0f << 54 << 0;
    QTest::newRow("half") << 0.5f << 54 << 27;
    QTest::newRow("largest float below 1") << belowOne << 54 << 53;
    QTest::newRow("largest float below 1, one token") << belowOne << 1 << 0;
    QTest::newRow("largest float below 1, 30000 tokens") << belowOne << 30000 << 29999;
    QTest::newRow("just below 1/54") << std::nextafter(float(1.0 / 54), 0.0f) << 54 << 0;
    QTest::newRow("just above 1/54") << std::nextafter(float(1.0 / 54), 1.0f) << 54 << 1;
    QTest::newRow("just below 53/54") << std::nextafter(float(53.0 / 54), 0.0f) << 54 << 52;
}

void TestCreateURL::tokenIndex()
{
    QFETCH(float, r);
    QFETCH(int, n);
    QFETCH(int, index);
    QCOMPARE(TokenIndex(r, n), index);
}

void TestCreateURL::tokensFollowGeneratorAndRepeatAfterRestart()
{
    const int draws = 3000;
    const std::vector<float> reference = referenceSequence(draws);
    const QStringList pool = testTokens();

    QStringList first;
    for (int i = 0; i < draws; ++i) {
        const QString url = i % 2 ? BuildLinkCodeUrl(QStringLiteral("1"), QStringLiteral("13"))
                                  : BuildSearchUrl(QStringLiteral("0"), QString(),
                                                   QStringLiteral("x"), QStringLiteral("1"));
        first.append(tokenOf(url));
        QCOMPARE(first.last(), pool.at(expectedIndex(reference[i], 54)));
    }
    // Every token, the five stored percent-encoded ones included, is sent as stored.
    QCOMPARE(QSet<QString>(first.begin(), first.end()).size(), 54);

    RandomGenerator::restart();
    QStringList second;
    for (int i = 0; i < draws; ++i)
        second.append(tokenOf(BuildLinkCodeUrl(QStringLiteral("1"), QStringLiteral("13"))));
    QCOMPARE(second, first);

    int repeats = 0;
    for (int i = 1; i < draws; ++i)
        repeats += first.at(i) == first.at(i - 1);
    QVERIFY2(repeats < draws / 10, qPrintable(QString::number(repeats)));
}

void TestCreateURL::emptyPoolGivesEmptyToken()
{
    AccessTokenPool::fill({});
    const std::vector<float> reference = referenceSequence(2);
    QCOMPARE(BuildLinkCodeUrl(QStringLiteral("9"), QStringLiteral("43")),
             QStringLiteral("http://affiliate.example:8081/rpc/genCodeByRpc.do?pw=&pid=31415926"
                            "&aid=9&mode=43"));
    QCOMPARE(RandomGenerator::next(), reference[1]); // the draw was still made
}

void TestCreateURL::itemCatsUrl_data()
{
    QTest::addColumn<QString>("parentCid");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("encodedCid");
    QTest::addColumn<QString>("timestamp");

    QTest::newRow("top level") << QStringLiteral("0")
                               << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))
                               << QStringLiteral("0") << QStringLiteral("2024-03-05 07:08:09");
    QTest::newRow("afternoon, 24-hour clock")
        << QStringLiteral("50010850") << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58))
        << QStringLiteral("50010850") << QStringLiteral("1999-12-31 23:59:58");
    QTest::newRow("empty id") << QString() << QDateTime(QDate(2010, 1, 1), QTime(0, 0, 0))
                              << QString() << QStringLiteral("2010-01-01 00:00:00");
    QTest::newRow("non-ASCII id escaped, signed raw")
        << QStringLiteral("\u4E2D1") << QDateTime(QDate(2024, 3, 5), QTime(12, 0, 0))
        << QStringLiteral("%E4%B8%AD1") << QStringLiteral("2024-03-05 12:00:00");
    QTest::newRow("plus signed as space")
        << QStringLiteral("1+2") << QDateTime(QDate(2024, 3, 5), QTime(12, 0, 1))
        << QStringLiteral("1+2") << QStringLiteral("2024-03-05 12:00:01");
}

void TestCreateURL::itemCatsUrl()
{
    QFETCH(QString, parentCid);
    QFETCH(QDateTime, time);
    QFETCH(QString, encodedCid);
    QFETCH(QString, timestamp);

    const QString sign = expectedSign(parentCid, timestamp);
    const QString expected =
        QStringLiteral("http://gateway.example:8082/router/rest?"
                       "api_key=27182818"
                       "&fields=cid,parent_cid,name,is_parent,status,sort_order"
                       "&format=xml&method=taobao.itemcats.get.v2&parent_cid=") +
        encodedCid + QStringLiteral("&timestamp=") + timestamp + QStringLiteral("&v=1.0&sign=") +
        sign;
    const QString url = BuildItemCatsUrl(parentCid, time);
    QCOMPARE(url, expected);
    QVERIFY(QRegularExpression(QStringLiteral("&sign=[0-9A-F]{32}$")).match(url).hasMatch());
    QVERIFY(!url.contains(QStringLiteral("&&")));
}

void TestCreateURL::itemCatsUrlIndependentOfPivots()
{
    // Two calls in the same second draw different pivots but give the same URL.
    const QDateTime time(QDate(2024, 3, 5), QTime(7, 8, 9));
    const QString first = BuildItemCatsUrl(QStringLiteral("16"), time);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(BuildItemCatsUrl(QStringLiteral("16"), time), first);
}

void TestCreateURL::itemCatsUrlReadsLocalClock()
{
    const QDateTime before = QDateTime::currentDateTime();
    const QString url = BuildItemCatsUrl(QStringLiteral("16"));
    const QDateTime after = QDateTime::currentDateTime();

    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("&timestamp=([^&]*)&")).match(url);
    QVERIFY(match.hasMatch());
    const QString timestamp = match.captured(1);
    const QDateTime stamped =
        QDateTime::fromString(timestamp, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY2(stamped.isValid(), qPrintable(timestamp));
    QVERIFY(stamped >= before.addMSecs(-before.time().msec()));
    QVERIFY(stamped <= after);
    QVERIFY(url.endsWith(QStringLiteral("&sign=") + expectedSign(QStringLiteral("16"), timestamp)));
}

void TestCreateURL::sortParamsEveryOrder()
{
    const ParamTable rows =
        ItemCatsParams(QStringLiteral("16"), QStringLiteral("2024-03-05 07:08:09"));
    QCOMPARE(rows.size(), 7);

    std::array<int, 7> order = {0, 1, 2, 3, 4, 5, 6};
    int permutations = 0;
    do {
        ParamTable table;
        for (const int i : order)
            table.append(rows.at(i));
        SortParams(table, 0, 6);
        QStringList names;
        for (const ParamRow &row : table) {
            names.append(row.name);
            const auto source = std::find_if(rows.begin(), rows.end(),
                                             [&](const ParamRow &r) { return r.name == row.name; });
            QVERIFY(source != rows.end());
            QCOMPARE(row.value, source->value);
        }
        QCOMPARE(names, SortedNames);
        ++permutations;
    } while (std::next_permutation(order.begin(), order.end()));
    QCOMPARE(permutations, 5040);
}

void TestCreateURL::sortParamsSubrange()
{
    ParamTable table;
    for (const QString &name : {QStringLiteral("z"), QStringLiteral("e"), QStringLiteral("d"),
                                QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")})
        table.append({name.toUpper(), name});
    SortParams(table, 1, 4);
    QStringList names;
    for (const ParamRow &row : table) {
        names.append(row.name);
        QCOMPARE(row.value, row.name.toUpper());
    }
    QCOMPARE(names, QStringList({"z", "b", "c", "d", "e", "a"}));

    // Names compare by UTF-16 unit: upper case and "_" before lower case.
    ParamTable mixed = {{"1", "b"}, {"2", "B"}, {"3", "_"}, {"4", "a"}};
    SortParams(mixed, 0, 3);
    QCOMPARE(mixed.at(0).name, QStringLiteral("B"));
    QCOMPARE(mixed.at(1).name, QStringLiteral("_"));
    QCOMPARE(mixed.at(2).name, QStringLiteral("a"));
    QCOMPARE(mixed.at(3).name, QStringLiteral("b"));
}

void TestCreateURL::sortParamsDrawsPerPartition()
{
    // One or two rows draw nothing; each partitioning call draws exactly one value.
    const std::vector<float> reference = referenceSequence(400);
    ParamTable two = {{"1", "b"}, {"2", "a"}};
    QCOMPARE(SortParams(two, 0, 1), 0);
    QCOMPARE(two.at(0).name, QStringLiteral("a"));
    QCOMPARE(SortParams(two, 1, 1), 0);
    QCOMPARE(SortParams(two, 1, 0), 0);
    QCOMPARE(RandomGenerator::next(), reference[0]);

    RandomGenerator::restart();
    // Tables of 3 to 12 rows sorted one after the other; the generator must have moved
    // by exactly the partitioning calls reported.
    int consumed = 0;
    for (int size = 3; size <= 12; ++size) {
        ParamTable table;
        for (int i = 0; i < size; ++i)
            table.append({QString::number(i), QStringLiteral("n%1").arg((i * 37 + 11) % 101)});
        const int partitions = SortParams(table, 0, size - 1);
        QVERIFY(partitions >= 1);
        consumed += partitions;
        for (int i = 1; i < size; ++i)
            QVERIFY(table.at(i - 1).name < table.at(i).name);
    }
    QCOMPARE(RandomGenerator::next(), reference[consumed]);
}

void TestCreateURL::itemCatsDrawsEqualPartitions()
{
    const int span = 300;
    const std::vector<float> reference = referenceSequence(span + 50);
    const QDateTime time(QDate(2024, 3, 5), QTime(7, 8, 9));
    QSet<int> seen;
    for (int start = 0; start < span; ++start) {
        // The partitioning calls a sort makes from this generator position ...
        RandomGenerator::restart();
        for (int i = 0; i < start; ++i)
            RandomGenerator::next();
        ParamTable table = ItemCatsParams(QStringLiteral("16"), QStringLiteral("x"));
        const int partitions = SortParams(table, 0, 6);

        // ... against the values one BuildItemCatsUrl takes from the same position.
        RandomGenerator::restart();
        for (int i = 0; i < start; ++i)
            RandomGenerator::next();
        BuildItemCatsUrl(QStringLiteral("16"), time);
        const float following = RandomGenerator::next();
        const auto at = std::find(reference.begin() + start, reference.end(), following);
        QVERIFY(at != reference.end());
        QCOMPARE(int(at - reference.begin()) - start, partitions);
        seen.insert(partitions);
    }
    // Seven rows take two to five partitioning calls depending on the pivots drawn.
    QVERIFY2(seen.size() >= 2, "the draw count never varied");
    for (const int count : seen)
        QVERIFY(count >= 2 && count <= 5);
}

QTEST_APPLESS_MAIN(TestCreateURL)
#include "tst_createurl.moc"
