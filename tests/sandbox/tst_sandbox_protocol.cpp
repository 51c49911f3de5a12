// The sandbox's affiliate search and link codes over real HTTP: a table each for
// callers, keywords and link codes; paging, sort orders, category subtrees and pictures.

#include "support/SandboxProcess.h"

#include "kestrova_config.h"

#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <limits>

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
    void callers_data();
    void callers();
    void pagingGivesDisjointPages();
    void sortOrders_data();
    void sortOrders();
    void keywords_data();
    void keywords();
    void categoryCoversSubtree_data();
    void categoryCoversSubtree();
    void picturesFromHostHeader();
    void linkCodes_data();
    void linkCodes();

private:
    SearchPage search(const QString &target, const httplib::Headers &headers = {}) const;
    QString linkResult(const QString &target) const;
    qint64 total(const QString &catId, const QString &keyword = QString()) const;
    QDomElement searchWire(const QByteArray &keyword, const QString &catId, const QString &sr,
                           int *status = nullptr) const;

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

void TestSandboxProtocol::callers_data()
{
    QTest::addColumn<QString>("pw");
    QTest::addColumn<QString>("pid");
    QTest::addColumn<bool>("accepted"); // by the search and the link codes alike
    bool encoded = false;
    bool slash = false;
    QTest::newRow("first of the pool") << token(0) << KESTROVA_MEMBER_ID << true;
    for (int i = 0; i < 54; ++i) {
        if (!encoded && token(i).contains('%')) {
            QTest::newRow("stored percent-encoded") << token(i) << KESTROVA_MEMBER_ID << true;
            encoded = true;
        }
        if (!slash && token(i).contains('/')) {
            QTest::newRow("with a slash") << token(i) << KESTROVA_MEMBER_ID << true;
            slash = true;
        }
    }
    QTest::newRow("last of the pool") << token(53) << KESTROVA_MEMBER_ID << true;

    QString changed = token(3);
    changed[1] = changed[1] == 'x' ? 'y' : 'x';
    QTest::newRow("unknown token") << "AAAAAAA=" << KESTROVA_MEMBER_ID << false;
    QTest::newRow("token with one character changed") << changed << KESTROVA_MEMBER_ID << false;
    QTest::newRow("no token") << "" << KESTROVA_MEMBER_ID << false;
    QTest::newRow("other member id") << token(0) << "12345678" << false;
}

void TestSandboxProtocol::callers()
{
    QFETCH(QString, pw);
    QFETCH(QString, pid);
    QFETCH(bool, accepted);
    const SearchPage page = search(searchTarget("", "16", 0, "7", pw, pid));
    QCOMPARE(page.status, accepted ? 200 : 403);
    QCOMPARE(page.hasTotal, accepted);
    QCOMPARE(page.records.size(), accepted ? 20 : 0);

    const SearchPage allowed = search(searchTarget("", "16", 0, "7"));
    const QString target = QStringLiteral("/rpc/genCodeByRpc.do?pw=") + pw + "&pid=" + pid +
                           "&aid=" + allowed.records.value(0).id + "&mode=13";
    const auto reply = m_sandbox.get(target);
    QCOMPARE(reply.status, accepted ? 200 : 403);
    const QDomElement result = SandboxProcess::xmlRoot(reply.body).firstChildElement("RESULT");
    if (accepted)
        QVERIFY(result.text().size() > 5);
    else
        QVERIFY(result.isNull());
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

QDomElement TestSandboxProtocol::searchWire(const QByteArray &keyword, const QString &catId,
                                            const QString &sr, int *status) const
{
    const QByteArray target = "/rpc/searchAuctionByRpc.do?pw=" + token(0).toUtf8() +
                              "&pid=" KESTROVA_MEMBER_ID "&keyword=" + keyword +
                              "&catid=" + catId.toUtf8() +
                              "&rowoffset=0&rowcount=20&mid%20=0&sr=" + sr.toUtf8();
    const auto reply = m_sandbox.getRaw(target);
    if (status)
        *status = reply.status;
    return SandboxProcess::xmlRoot(reply.body);
}

void TestSandboxProtocol::keywords_data()
{
    QTest::addColumn<QByteArray>("wire"); // the keyword as sent
    QTest::addColumn<QString>("catId");
    QTest::addColumn<QString>("sr");
    QTest::addColumn<qint64>("least"); // found at least, and at most
    QTest::addColumn<qint64>("most");
    QTest::addColumn<QStringList>("words");  // in every title, read without the marks
    QTest::addColumn<QStringList>("marked"); // marked in every title, as written there
    QTest::addColumn<QString>("sameAs");     // a keyword that finds as many, sent unencoded
    QTest::addColumn<QByteArray>("wider");   // a keyword that finds more, as sent; null: none

    const qint64 any = std::numeric_limits<qint64>::max();
    const auto wire = [](const QString &keyword) { return QUrl::toPercentEncoding(keyword); };
    const auto decoded = [&](const char *name, const QByteArray &sent, const QString &words,
                             const QString &sameAs = QString()) {
        QTest::newRow(name) << sent << ""
                            << "9" << qint64(21) << any << words.split(' ') << QStringList()
                            << sameAs << QByteArray();
    };
    decoded("%26", "H%26M", "H&M");
    decoded("%23", "C%23", "C#");
    decoded("%2B, either case", "C%2b%2B", "C++");
    decoded("%25", "100%25", "100%");
    decoded("all four", "a%26b%23c%2Bd%25e", "a&b#c+d%e");
    decoded("only the four", "%26%23%2B%25", "&#+%");
    // Read as two words, the same as a blank sent the fetcher's way.
    decoded("+ is a blank", "%E9%9F%A9%E7%89%88+%E4%BF%AE%E8%BA%AB", "韩版 修身", "韩版 修身");
    decoded("%20 is a blank", "%E9%9F%A9%E7%89%88%20%E4%BF%AE%E8%BA%AB", "韩版 修身", "韩版 修身");

    QTest::newRow("a word narrows the category")
        << wire("连衣裙") << "16"
        << "9" << qint64(101) << any << QStringList{"连衣裙"} << QStringList{"连衣裙"} << QString()
        << QByteArray("");
    QTest::newRow("a second word narrows further, both marked")
        << wire("修身 连衣裙") << "16"
        << "8" << qint64(20) << any << QStringList{"修身", "连衣裙"}
        << QStringList{"修身", "连衣裙"} << QString() << wire("连衣裙");
    QTest::newRow("nothing of the kind") << wire("没有这种商品") << "16"
                                         << "9" << qint64(0) << qint64(0) << QStringList()
                                         << QStringList() << QString() << QByteArray();
    QTest::newRow("case ignored, marked as written")
        << QByteArray("misska") << "16"
        << "9" << qint64(1) << any << QStringList{"misska"} << QStringList{"MissKa"}
        << QStringLiteral("MISSKA") << QByteArray();
}

void TestSandboxProtocol::keywords()
{
    QFETCH(QByteArray, wire);
    QFETCH(QString, catId);
    QFETCH(QString, sr);
    QFETCH(qint64, least);
    QFETCH(qint64, most);
    QFETCH(QStringList, words);
    QFETCH(QStringList, marked);
    QFETCH(QString, sameAs);
    QFETCH(QByteArray, wider);
    int status = 0;
    const QDomElement root = searchWire(wire, catId, sr, &status);
    QCOMPARE(status, 200);
    const qint64 found = root.firstChildElement("PTOTAL").text().toLongLong();
    QVERIFY2(found >= least && found <= most, qPrintable(QString::number(found)));
    int records = 0;
    const QDomElement results = root.firstChildElement("PRESULTS");
    for (QDomElement r = results.firstChildElement(); !r.isNull(); r = r.nextSiblingElement()) {
        // The markup is text of the TITLE element, escaped in the XML.
        const QString title = r.firstChildElement("TITLE").text();
        for (const QString &word : words)
            QVERIFY2(plain(title).contains(word, Qt::CaseInsensitive), qPrintable(title));
        for (const QString &word : marked)
            QVERIFY2(title.contains(highlightOpen() + word + QStringLiteral("</span>")),
                     qPrintable(title));
        ++records;
    }
    QCOMPARE(records, int(std::min<qint64>(found, 20)));
    if (!sameAs.isEmpty())
        QCOMPARE(found, total(catId, sameAs));
    if (!wider.isNull()) {
        const qint64 more =
            searchWire(wider, catId, "9").firstChildElement("PTOTAL").text().toLongLong();
        QVERIFY2(found < more, qPrintable(QString::number(more)));
    }
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

void TestSandboxProtocol::linkCodes_data()
{
    QTest::addColumn<QString>("aid");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("page");  // "item", "shop", or empty for a short result
    QTest::addColumn<QString>("shows"); // text of the page linked to

    const Record dress = search(searchTarget("连衣裙", "16", 0, "7")).records.value(0);
    QTest::newRow("item") << dress.id << "13"
                          << "item" << plain(dress.title);

    Record withCapitals;
    for (int offset = 0; offset < 400 && withCapitals.member.isEmpty(); offset += 20) {
        for (const Record &r : search(searchTarget("", "", offset, "9")).records) {
            if (r.member != r.member.toLower()) {
                withCapitals = r;
                break;
            }
        }
    }
    // The program lower-cases what it reads from its links; either way is the same shop.
    QTest::newRow("seller, lower-cased") << withCapitals.member.toLower() << "43"
                                         << "shop" << withCapitals.contact;
    QTest::newRow("seller, capitals kept") << withCapitals.member << "43"
                                           << "shop" << withCapitals.contact;

    const Record item = search(searchTarget("", "16", 0, "9")).records.value(0);
    QTest::newRow("unknown item") << "999"
                                  << "13"
                                  << ""
                                  << "";
    QTest::newRow("unknown seller") << "nosuchseller"
                                    << "43"
                                    << ""
                                    << "";
    QTest::newRow("item id as a seller") << item.id << "43"
                                         << ""
                                         << "";
    QTest::newRow("seller id as an item") << item.member << "13"
                                          << ""
                                          << "";
    QTest::newRow("empty item") << ""
                                << "13"
                                << ""
                                << "";
    QTest::newRow("unknown mode") << item.id << "99"
                                  << ""
                                  << "";
}

void TestSandboxProtocol::linkCodes()
{
    QFETCH(QString, aid);
    QFETCH(QString, mode);
    QFETCH(QString, page);
    QFETCH(QString, shows);
    const QString result = linkResult(linkTarget(aid, mode));
    QVERIFY2(result != "<none>", "a RESULT element is always present");
    if (page.isEmpty()) {
        QVERIFY2(result.size() <= 5, qPrintable(result));
        return;
    }
    QVERIFY2(!aid.isEmpty(), "no such record found");
    if (page == "item")
        QCOMPARE(result, m_sandbox.baseUrl() + "/item/" + aid + ".html");
    else
        QCOMPARE(result, linkResult(linkTarget(aid.toLower(), mode)));
    QVERIFY2(result.startsWith(m_sandbox.baseUrl() + '/' + page + '/'), qPrintable(result));
    const auto reply = m_sandbox.get(QUrl(result).path());
    QCOMPARE(reply.status, 200);
    QVERIFY(QString::fromUtf8(reply.body).contains(shows));
}

QTEST_GUILESS_MAIN(TestSandboxProtocol)
#include "tst_sandbox_protocol.moc"
