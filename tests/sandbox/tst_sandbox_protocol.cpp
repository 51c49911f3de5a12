// The sandbox's affiliate search and link codes over real HTTP: caller
// checks, paging, sort orders, keywords, category subtrees, pictures and pages.

#include "support/SandboxProcess.h"

#include "kestrova_config.h"

#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

// A matched word is marked with an inline span that survives the grid's styling of spans.
static QString highlightOpen()
{
    return QStringLiteral("<span class=H style='display:inline;border:0;color:#c00'>");
}

namespace {

struct Record
{
    QString title;
    QString picture;
    qint64 price = 0;
    QString id;
    qint64 sales = 0;
    QString contact;
    QString member;
};

struct SearchPage
{
    int status = 0;
    bool hasTotal = false;
    qint64 total = 0;
    QList<Record> records;
};

QString token(int index)
{
    return QString::fromLatin1(KestrovaDefaults::AccessTokens[index]);
}

// Composed as the program composes it: nothing encoded, "mid " with its blank.
QString searchTarget(const QString &keyword, const QString &catId, int offset, const QString &sr,
                     const QString &pw = token(0), const QString &pid = KESTROVA_MEMBER_ID,
                     int rowCount = 20)
{
    // Concatenated, not arg()-chained: tokens hold "%2B" and the like.
    return QStringLiteral("/rpc/searchAuctionByRpc.do?pw=") + pw + "&pid=" + pid +
           "&keyword=" + keyword + "&catid=" + catId + "&rowoffset=" + QString::number(offset) +
           "&rowcount=" + QString::number(rowCount) + "&mid =0&sr=" + sr;
}

QString linkTarget(const QString &aid, const QString &mode, const QString &pw = token(0))
{
    return QStringLiteral("/rpc/genCodeByRpc.do?pw=") + pw + "&pid=" + KESTROVA_MEMBER_ID +
           "&aid=" + aid + "&mode=" + mode;
}

QString plain(const QString &title)
{
    return QString(title).remove(highlightOpen()).remove(QStringLiteral("</span>"));
}

} // namespace

class TestSandboxProtocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void acceptedTokens_data();
    void acceptedTokens();
    void refusedCallers_data();
    void refusedCallers();
    void pagingGivesDisjointPages();
    void sortOrders_data();
    void sortOrders();
    void keywordNarrowsAndHighlights();
    void keywordIgnoresCase();
    void keywordDecodedFromTheWire_data();
    void keywordDecodedFromTheWire();
    void categoryCoversSubtree_data();
    void categoryCoversSubtree();
    void picturesFromHostHeader();
    void itemLinkCode();
    void sellerLinkCodeIgnoresCase();
    void unknownIdentifiersGetShortResult_data();
    void unknownIdentifiersGetShortResult();

private:
    SearchPage search(const QString &target, const httplib::Headers &headers = {}) const;
    QString linkResult(const QString &target) const;
    qint64 total(const QString &catId, const QString &keyword = QString()) const;

    SandboxProcess m_sandbox;
    QList<QStringList> m_rows;
};

SearchPage TestSandboxProtocol::search(const QString &target, const httplib::Headers &headers) const
{
    const QUrl url(m_sandbox.baseUrl() + target, QUrl::TolerantMode);
    const auto reply =
        m_sandbox.getRaw(url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority), headers);
    SearchPage page;
    page.status = reply.status;
    const QDomElement root = SandboxProcess::xmlRoot(reply.body);
    const QDomElement total = root.firstChildElement("PTOTAL");
    page.hasTotal = !total.isNull();
    page.total = total.text().toLongLong();
    const QDomElement results = root.firstChildElement("PRESULTS");
    for (QDomElement r = results.firstChildElement(); !r.isNull(); r = r.nextSiblingElement()) {
        Record record;
        record.title = r.firstChildElement("TITLE").text();
        record.picture = r.firstChildElement("RESOURCEPATH").text();
        record.price = r.firstChildElement("PRICE").text().toLongLong();
        record.id = r.firstChildElement("ORIOBJID").text();
        record.sales = r.firstChildElement("TOTALACTION").text().toLongLong();
        record.contact = r.firstChildElement("CONTACT").text();
        record.member = r.firstChildElement("MEMBERID").text();
        page.records.append(record);
    }
    return page;
}

QString TestSandboxProtocol::linkResult(const QString &target) const
{
    const auto reply = m_sandbox.get(target);
    const QDomElement result = SandboxProcess::xmlRoot(reply.body).firstChildElement("RESULT");
    return result.isNull() ? QStringLiteral("<none>") : result.text();
}

qint64 TestSandboxProtocol::total(const QString &catId, const QString &keyword) const
{
    const SearchPage page = search(searchTarget(keyword, catId, 0, "9"));
    return page.hasTotal ? page.total : -1;
}

void TestSandboxProtocol::initTestCase()
{
    if (SandboxProcess::executable().isEmpty())
        QSKIP("built without the sandbox");
    m_rows = SandboxProcess::categoryRows();
    QVERIFY(m_rows.size() > 4000);
    QVERIFY2(m_sandbox.start(), "the sandbox did not start");
}

void TestSandboxProtocol::acceptedTokens_data()
{
    QTest::addColumn<QString>("pw");
    bool encoded = false;
    bool slash = false;
    QTest::newRow("first of the pool") << token(0);
    for (int i = 0; i < 54; ++i) {
        if (!encoded && token(i).contains('%')) {
            QTest::newRow("stored percent-encoded") << token(i);
            encoded = true;
        }
        if (!slash && token(i).contains('/')) {
            QTest::newRow("with a slash") << token(i);
            slash = true;
        }
    }
    QTest::newRow("last of the pool") << token(53);
}

void TestSandboxProtocol::acceptedTokens()
{
    QFETCH(QString, pw);
    const SearchPage page = search(searchTarget("", "16", 0, "7", pw));
    QCOMPARE(page.status, 200);
    QVERIFY(page.hasTotal);
    QCOMPARE(page.records.size(), 20);
    QVERIFY(linkResult(linkTarget(page.records[0].id, "13", pw)).size() > 5);
}

void TestSandboxProtocol::refusedCallers_data()
{
    QTest::addColumn<QString>("pw");
    QTest::addColumn<QString>("pid");
    QString changed = token(3);
    changed[1] = changed[1] == 'x' ? 'y' : 'x';
    QTest::newRow("unknown token") << "AAAAAAA=" << KESTROVA_MEMBER_ID;
    QTest::newRow("token with one character changed") << changed << KESTROVA_MEMBER_ID;
    QTest::newRow("no token") << "" << KESTROVA_MEMBER_ID;
    QTest::newRow("other member id") << token(0) << "12345678";
}

void TestSandboxProtocol::refusedCallers()
{
    QFETCH(QString, pw);
    QFETCH(QString, pid);
    const SearchPage page = search(searchTarget("", "16", 0, "7", pw, pid));
    QCOMPARE(page.status, 403);
    QVERIFY(!page.hasTotal);
    QVERIFY(page.records.isEmpty());

    const SearchPage allowed = search(searchTarget("", "16", 0, "7"));
    const QString target = QStringLiteral("/rpc/genCodeByRpc.do?pw=") + pw + "&pid=" + pid +
                           "&aid=" + allowed.records.value(0).id + "&mode=13";
    const auto reply = m_sandbox.get(target);
    QCOMPARE(reply.status, 403);
    QVERIFY(SandboxProcess::xmlRoot(reply.body).firstChildElement("RESULT").isNull());
}

void TestSandboxProtocol::pagingGivesDisjointPages()
{
    const SearchPage first = search(searchTarget("", "16", 0, "9"));
    const SearchPage second = search(searchTarget("", "16", 20, "9"));
    QCOMPARE(first.records.size(), 20);
    QCOMPARE(second.records.size(), 20);
    QCOMPARE(second.total, first.total);
    QVERIFY2(first.total > 100 * 20, "women's clothing must fill more than 100 pages");

    QSet<QString> ids;
    for (const Record &r : first.records)
        ids.insert(r.id);
    for (const Record &r : second.records)
        QVERIFY2(!ids.contains(r.id), qPrintable(r.id));

    // Page 2 is the second half of a 40-row page.
    const SearchPage both =
        search(searchTarget("", "16", 0, "9", token(0), KESTROVA_MEMBER_ID, 40));
    QCOMPARE(both.records.size(), 40);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(both.records[20 + i].id, second.records[i].id);

    // Page 101, the last the program can reach, still has items; past the end has none.
    QCOMPARE(search(searchTarget("", "16", 2000, "9")).records.size(), 20);
    const SearchPage beyond = search(searchTarget("", "16", int(first.total), "9"));
    QVERIFY(beyond.records.isEmpty());
    QCOMPARE(beyond.total, first.total);
}

void TestSandboxProtocol::sortOrders_data()
{
    QTest::addColumn<QString>("sr");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("catId");
    const QList<QPair<QString, QString>> scopes = {
        {"", ""}, {"", "16"}, {"连衣裙", "16"}, {"", "50010850"}, {"休闲", ""}};
    for (const char *sr : {"7", "8", "9", "10"}) {
        for (const auto &scope : scopes) {
            const QString name = QStringLiteral("sr %1, keyword '%2', catid '%3'")
                                     .arg(sr, scope.first, scope.second);
            QTest::newRow(qPrintable(name)) << sr << scope.first << scope.second;
        }
    }
}

void TestSandboxProtocol::sortOrders()
{
    QFETCH(QString, sr);
    QFETCH(QString, keyword);
    QFETCH(QString, catId);
    QList<Record> records;
    for (int offset : {0, 20, 40})
        records += search(searchTarget(keyword, catId, offset, sr)).records;
    QCOMPARE(records.size(), 60);

    const bool byPrice = sr == "7" || sr == "8";
    const bool descending = sr == "7" || sr == "9";
    for (int i = 1; i < records.size(); ++i) {
        const qint64 a = byPrice ? records[i - 1].price : records[i - 1].sales;
        const qint64 b = byPrice ? records[i].price : records[i].sales;
        QVERIFY2(descending ? a >= b : a <= b, qPrintable(QString::number(i)));
        if (a == b) {
            QVERIFY2(records[i - 1].id.toULongLong() < records[i].id.toULongLong(),
                     "ties go by item id");
        }
    }
    // Sorting by the other key as well would be a coincidence: the order is real.
    QVERIFY(records.first().id !=
            search(searchTarget(keyword, catId, 0, sr == "7" ? "8" : "7")).records.first().id);
}

void TestSandboxProtocol::keywordNarrowsAndHighlights()
{
    const qint64 all = total("16");
    const qint64 dresses = total("16", "连衣裙");
    const qint64 slimDresses = total("16", "修身 连衣裙");
    QVERIFY(dresses > 100);
    QVERIFY(dresses < all);
    QVERIFY(slimDresses > 0);
    QVERIFY(slimDresses < dresses);

    const SearchPage page = search(searchTarget("修身 连衣裙", "16", 0, "8"));
    QCOMPARE(page.records.size(), 20);
    for (const Record &r : page.records) {
        // The markup is text of the TITLE element, escaped in the XML.
        QVERIFY2(r.title.contains(highlightOpen() + QStringLiteral("连衣裙</span>")),
                 qPrintable(r.title));
        QVERIFY2(r.title.contains(highlightOpen() + QStringLiteral("修身</span>")),
                 qPrintable(r.title));
    }
    QCOMPARE(total("16", "没有这种商品"), 0);
}

void TestSandboxProtocol::keywordIgnoresCase()
{
    const SearchPage page = search(searchTarget("misska", "16", 0, "9"));
    QVERIFY(page.total > 0);
    QCOMPARE(page.total, total("16", "MISSKA"));
    for (const Record &r : page.records)
        QVERIFY2(r.title.contains(highlightOpen() + QStringLiteral("MissKa</span>")),
                 qPrintable(r.title));
}

void TestSandboxProtocol::keywordDecodedFromTheWire_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("words"); // as decoded, blank-separated
    QTest::newRow("%26") << QByteArray("H%26M") << "H&M";
    QTest::newRow("%23") << QByteArray("C%23") << "C#";
    QTest::newRow("%2B, either case") << QByteArray("C%2b%2B") << "C++";
    QTest::newRow("%25") << QByteArray("100%25") << "100%";
    QTest::newRow("all four") << QByteArray("a%26b%23c%2Bd%25e") << "a&b#c+d%e";
    QTest::newRow("only the four") << QByteArray("%26%23%2B%25") << "&#+%";
    QTest::newRow("+ is a blank") << QByteArray("%E9%9F%A9%E7%89%88+%E4%BF%AE%E8%BA%AB")
                                  << "韩版 修身";
    QTest::newRow("%20 is a blank")
        << QByteArray("%E9%9F%A9%E7%89%88%20%E4%BF%AE%E8%BA%AB") << "韩版 修身";
}

void TestSandboxProtocol::keywordDecodedFromTheWire()
{
    QFETCH(QByteArray, wire);
    QFETCH(QString, words);
    const QByteArray target = "/rpc/searchAuctionByRpc.do?pw=" + token(0).toUtf8() +
                              "&pid=" KESTROVA_MEMBER_ID "&keyword=" + wire +
                              "&catid=&rowoffset=0&rowcount=20&mid%20=0&sr=9";
    const auto reply = m_sandbox.getRaw(target);
    QCOMPARE(reply.status, 200);
    const QDomElement root = SandboxProcess::xmlRoot(reply.body);
    const qint64 found = root.firstChildElement("PTOTAL").text().toLongLong();
    QVERIFY2(found > 20, qPrintable(QString::number(found)));
    const QStringList parts = words.split(' ');
    const QDomElement results = root.firstChildElement("PRESULTS");
    int records = 0;
    for (QDomElement r = results.firstChildElement(); !r.isNull(); r = r.nextSiblingElement()) {
        const QString title = plain(r.firstChildElement("TITLE").text());
        for (const QString &word : parts)
            QVERIFY2(title.contains(word, Qt::CaseInsensitive), qPrintable(title));
        ++records;
    }
    QCOMPARE(records, 20);
    // Read as two words, the same as a blank sent the fetcher's way.
    if (parts.size() > 1)
        QCOMPARE(found, total("", words));
}

void TestSandboxProtocol::categoryCoversSubtree_data()
{
    QTest::addColumn<QString>("catId");
    QTest::newRow("whole marketplace") << "0";
    QTest::newRow("women's clothing") << "16";
    QTest::newRow("trousers") << "1622";
}

void TestSandboxProtocol::categoryCoversSubtree()
{
    QFETCH(QString, catId);
    // Items sit on leaves, so a category holds exactly what its children hold.
    qint64 sum = 0;
    for (const QStringList &row : std::as_const(m_rows)) {
        if (row.value(1) == catId)
            sum += total(row.value(0));
    }
    const qint64 whole = total(catId == "0" ? QString() : catId);
    QCOMPARE(whole, sum);
    QVERIFY(whole > 0);
    if (catId == "0")
        QVERIFY(whole >= 50000);
    QCOMPARE(total("987654321"), 0);
}

void TestSandboxProtocol::picturesFromHostHeader()
{
    const SearchPage page = search(searchTarget("连衣裙", "16", 0, "9"));
    QVERIFY(!page.records.isEmpty());
    const Record &first = page.records.first();
    QCOMPARE(first.picture, m_sandbox.baseUrl() + "/pic/" + first.id + ".jpg");

    const auto picture = m_sandbox.get(QUrl(first.picture).path());
    QCOMPARE(picture.status, 200);
    QCOMPARE(picture.contentType, QByteArray("image/jpeg"));
    const QImage image = QImage::fromData(picture.body, "JPG");
    QCOMPARE(image.size(), QSize(160, 160));
    QCOMPARE(m_sandbox.get(QUrl(first.picture).path()).body, picture.body); // cached, the same

    const SearchPage proxied =
        search(searchTarget("连衣裙", "16", 0, "9"), {{"Host", "shop.example:8080"}});
    QCOMPARE(proxied.records.first().picture,
             QStringLiteral("http://shop.example:8080/pic/") + first.id + ".jpg");
    QCOMPARE(m_sandbox.get("/pic/999.jpg").status, 404);
}

void TestSandboxProtocol::itemLinkCode()
{
    const Record item = search(searchTarget("连衣裙", "16", 0, "7")).records.value(0);
    const QString address = linkResult(linkTarget(item.id, "13"));
    QCOMPARE(address, m_sandbox.baseUrl() + "/item/" + item.id + ".html");
    const auto page = m_sandbox.get(QUrl(address).path());
    QCOMPARE(page.status, 200);
    QVERIFY(QString::fromUtf8(page.body).contains(plain(item.title)));
}

void TestSandboxProtocol::sellerLinkCodeIgnoresCase()
{
    Record withCapitals;
    for (int offset = 0; offset < 400 && withCapitals.member.isEmpty(); offset += 20) {
        for (const Record &r : search(searchTarget("", "", offset, "9")).records) {
            if (r.member != r.member.toLower()) {
                withCapitals = r;
                break;
            }
        }
    }
    QVERIFY2(!withCapitals.member.isEmpty(), "no seller id with capitals found");

    // The program lower-cases what it reads from its links.
    const QString address = linkResult(linkTarget(withCapitals.member.toLower(), "43"));
    QVERIFY2(address.size() > 5, qPrintable(address));
    QVERIFY(address.startsWith(m_sandbox.baseUrl() + "/shop/"));
    QCOMPARE(linkResult(linkTarget(withCapitals.member, "43")), address);
    const auto page = m_sandbox.get(QUrl(address).path());
    QCOMPARE(page.status, 200);
    QVERIFY(QString::fromUtf8(page.body).contains(withCapitals.contact));
}

void TestSandboxProtocol::unknownIdentifiersGetShortResult_data()
{
    QTest::addColumn<QString>("aid");
    QTest::addColumn<QString>("mode");
    const Record item = search(searchTarget("", "16", 0, "9")).records.value(0);
    QTest::newRow("unknown item") << "999"
                                  << "13";
    QTest::newRow("unknown seller") << "nosuchseller"
                                    << "43";
    QTest::newRow("item id as a seller") << item.id << "43";
    QTest::newRow("seller id as an item") << item.member << "13";
    QTest::newRow("empty item") << ""
                                << "13";
    QTest::newRow("unknown mode") << item.id << "99";
}

void TestSandboxProtocol::unknownIdentifiersGetShortResult()
{
    QFETCH(QString, aid);
    QFETCH(QString, mode);
    const QString result = linkResult(linkTarget(aid, mode));
    QVERIFY2(result != "<none>", "a RESULT element is always present");
    QVERIFY2(result.size() <= 5, qPrintable(result));
}

QTEST_GUILESS_MAIN(TestSandboxProtocol)
#include "tst_sandbox_protocol.moc"
