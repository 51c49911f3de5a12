#include "tst_createurl_fixture.h"

#include "requests/CreateURL.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <cmath>
#include <vector>

using namespace CreateURL;
using namespace CreateUrlFixture;

namespace {

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

} // namespace

// The pseudo-link reader and the affiliate requests with their token choice.
class TestCreateURL : public QObject
{
    Q_OBJECT

private slots:
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
};

void TestCreateURL::init()
{
    install();
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
    QTest::newRow("non-ASCII, blanks and = as typed, & and # encoded")
        << QStringLiteral("40") << QStringLiteral("16") << QStringLiteral("\u5973 & x=y#z")
        << QStringLiteral("1")
        << QStringLiteral("&pid=31415926&keyword=\u5973 %26 x=y%23z&catid=16&rowoffset=40"
                          "&rowcount=20&mid =0&sr=1");
    const QString rest = QStringLiteral("&catid=16&rowoffset=20&rowcount=20&mid =0&sr=9");
    const auto keywordRow = [&](const char *name, const QString &keyword, const QString &wire) {
        QTest::newRow(name) << QStringLiteral("20") << QStringLiteral("16") << keyword
                            << QStringLiteral("9")
                            << QStringLiteral("&pid=31415926&keyword=") + wire + rest;
    };
    keywordRow("H&M", QStringLiteral("H&M"), QStringLiteral("H%26M"));
    keywordRow("C#", QStringLiteral("C#"), QStringLiteral("C%23"));
    keywordRow("C++", QStringLiteral("C++"), QStringLiteral("C%2B%2B"));
    keywordRow("100%", QStringLiteral("100%"), QStringLiteral("100%25"));
    keywordRow("all four", QStringLiteral("a&b#c+d%e"), QStringLiteral("a%26b%23c%2Bd%25e"));
    keywordRow("only the four", QStringLiteral("&#+%"), QStringLiteral("%26%23%2B%25"));
    keywordRow("an escape typed is escaped once more", QStringLiteral("%26"),
               QStringLiteral("%2526"));
    keywordRow("doubled", QStringLiteral("++%%"), QStringLiteral("%2B%2B%25%25"));
    keywordRow("other reserved characters as typed", QStringLiteral("a/b?c=d;e@f$g,h"),
               QStringLiteral("a/b?c=d;e@f$g,h"));
    keywordRow("blanks and CJK as typed", QStringLiteral("\u97E9\u7248 \u4FEE\u8EAB"),
               QStringLiteral("\u97E9\u7248 \u4FEE\u8EAB"));
    keywordRow("CJK beside an encoded one", QStringLiteral("\u5973&\u88C5"),
               QStringLiteral("\u5973%26\u88C5"));
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
    QTest::newRow("aid holding & # + % stays as it is")
        << QStringLiteral("a&b#c+d%e") << QStringLiteral("43")
        << QStringLiteral("&pid=31415926&aid=a&b#c+d%e&mode=43");
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

QTEST_APPLESS_MAIN(TestCreateURL)
#include "tst_createurl.moc"
