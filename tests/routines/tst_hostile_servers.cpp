// The window's routines against servers that misbehave: the real fetcher and XML
// reader on real controls (recording panes and launcher), answers from a loopback
// server of the test's own that stalls, trickles, floods, resets or answers
// nonsense, and from the sandbox with its fault switches on. Every routine must
// come back within its time-outs showing what a failed request shows, open
// nothing, and keep the process's memory bounded however much a server sends.
#include "support/ContextFixture.h"
#include "support/ProcessMemory.h"
#include "support/RoutineRun.h"
#include "support/ScriptedServer.h"
#include "support/TestConfiguration.h"

#include "platform/BlockingFetch.h"
#include "platform/ProcessSettings.h"
#include "search/ResultGrid.h"
#include "support/SandboxProcess.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Answer = ScriptedServer::Response;
using RoutineRun::Routine;

// Every fetch's time-out in this suite; the routines' own are checked where they are set.
constexpr int XmlTimeoutMs = 2000;
constexpr qint64 CapKiB = 16 * 1024; // the cap the design sets
// Twice the cap and room for the heap: what one answer may add to resident memory.
constexpr qint64 MaxGrowthKiB = 2 * CapKiB + 16 * 1024;
// What a routine may still hold once its answers were refused.
constexpr qint64 MaxHeldKiB = CapKiB / 2;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif
// AddressSanitizer keeps freed memory in quarantine, so resident memory there says
// nothing about what the program holds; the bytes taken off the wire still do.
constexpr bool ResidentMemoryMeaningful = !Sanitized;
constexpr qint64 FloodBytes = 100 * 1000 * 1000;
// Where a redirect leads to an unpaced flood.
const QByteArray FloodPath = "/flood";
// Faster than any link the program meets: a sender that never lets the socket run dry.
constexpr qint64 FloodBytesPerSecond = (Sanitized ? 100 : 400) * 1000 * 1000;

// An XML body that every routine would take for a good answer.
const QByteArray GoodLookingBody =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rsp><PTOTAL>45</PTOTAL>"
    "<RESULT>http://127.0.0.1/item/1.html</RESULT><item_cat><cid>17</cid>"
    "<parent_cid>16</parent_cid><name>百度 女装</name></item_cat></rsp>";

Answer plain(const QByteArray &body, int status = 200)
{
    Answer a;
    a.status = status;
    a.body = body;
    return a;
}

Answer flood(Answer::Framing framing, qint64 bytesPerSecond = FloodBytesPerSecond)
{
    Answer a;
    a.kind = Answer::Flood;
    a.framing = framing;
    a.floodBytes = FloodBytes;
    a.floodBytesPerSecond = bytesPerSecond;
    a.body = "<?xml version=\"1.0\"?><rsp><PTOTAL>45</PTOTAL><RESULT>http://";
    return a;
}

Answer redirect(const QByteArray &location)
{
    Answer a = plain("moved", 302);
    a.contentType = "text/html";
    a.headers.insert("Location", location);
    return a;
}

// 100 MB of one letter, deflated to about 100 KB: the fetcher inflates what it is sent
// with "Content-Encoding: deflate".
Answer deflateBomb()
{
    const QByteArray inflated(FloodBytes, 'x');
    Answer a = plain(qCompress(inflated, 9).mid(4)); // a zlib stream, without Qt's length prefix
    a.headers.insert("Content-Encoding", "deflate");
    return a;
}

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

// As after load, searching "连衣裙" in all categories on page 1.
std::unique_ptr<ContextFixture> loadedFixture()
{
    FetchOptions options;
    options.xmlTimeoutMs = XmlTimeoutMs;
    options.maxTimeoutMs = XmlTimeoutMs;
    auto f = std::make_unique<ContextFixture>(options);
    f->makeLoaded();
    f->ctx.state.PageText = QStringLiteral("1");
    f->ctx.state.RowOffset = QStringLiteral("0");
    f->CB_Sub->setCurrentIndex(f->CB_Sub->findText(QStringLiteral("所有类目")));
    f->TB_Search->setText(QStringLiteral("连衣裙"));
    return f;
}

} // namespace

Q_DECLARE_METATYPE(RoutineRun::Routine)
Q_DECLARE_METATYPE(ScriptedServer::Response)

class TestHostileServers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void failedAnswers_data();
    void failedAnswers();
    void readableAnswers_data();
    void readableAnswers();
    void linkCodeAddresses_data();
    void linkCodeAddresses();
    void sandboxFaultSwitches_data();
    void sandboxFaultSwitches();

private:
    std::unique_ptr<ScriptedServer> m_server; // the other host
};

void TestHostileServers::initTestCase()
{
    // As the program does at start: what the allocator gives back is part of the bound.
    ProcessSettings::apply();
    // Another host, for answers that send the program elsewhere.
    m_server = std::make_unique<ScriptedServer>();
    m_server->routeFixed("/elsewhere",
                         plain(QStringLiteral("<rsp><PTOTAL>21</PTOTAL><PRESULTS><ITEM><TITLE>"
                                              "别处的连衣裙</TITLE><ORIOBJID>8</ORIOBJID></ITEM>"
                                              "</PRESULTS></rsp>")
                                   .toUtf8()));
    if (!ProcessMemory::resetPeak())
        qInfo("the kernel keeps the resident high-water mark: growth is read after the fact");
}

void TestHostileServers::cleanupTestCase()
{
    m_server.reset();
}

void TestHostileServers::failedAnswers_data()
{
    QTest::addColumn<Routine>("routine");
    QTest::addColumn<ScriptedServer::Response>("answer");

    Answer silent;
    silent.kind = Answer::Silent;
    Answer trickle = plain(GoodLookingBody);
    trickle.kind = Answer::Trickle;
    trickle.trickleMs = 1000;
    Answer truncated = plain(GoodLookingBody.left(40));
    truncated.promisedLength = GoodLookingBody.size();
    Answer reset;
    reset.kind = Answer::Reset;
    QByteArray noise(4096, Qt::Uninitialized);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 256);

    // Routines a text passes: it holds "百度" and "女装", which is all the probe and the
    // menu ask of a page, or is XML the menu reads as one record with empty fields.
    const QList<Routine> xmlOnly = {Routine::Children, Routine::Search, Routine::ClickThrough};
    const QList<Routine> notMenu = {Routine::Probe, Routine::Children, Routine::Search,
                                    Routine::ClickThrough};
    const QList<Routine> all = {Routine::Probe, Routine::Menu, Routine::Children, Routine::Search,
                                Routine::ClickThrough};
    // A trickle ends like silence: once for the text fetcher, once for the reader.
    const QList<Routine> trickled = {Routine::Probe, Routine::Search};

    const QList<std::tuple<const char *, Answer, QList<Routine>>> answers = {
        {"accepts, never answers", silent, all},
        {"a byte a second", trickle, trickled},
        {"100 MB with a length", flood(Answer::Length), all},
        {"100 MB chunked", flood(Answer::Chunked), all},
        {"100 MB until the connection closes", flood(Answer::CloseDelimited), all},
        // As fast as the fetcher's thread can take it off loopback.
        {"100 MB unpaced with a length", flood(Answer::Length, 0), all},
        {"100 MB unpaced chunked", flood(Answer::Chunked, 0), all},
        {"100 MB unpaced until the connection closes", flood(Answer::CloseDelimited, 0), all},
        {"100 MB deflated to 100 KB", deflateBomb(), all},
        {"HTTP 500 with a good-looking body", plain(GoodLookingBody, 500), all},
        {"reset connection", reset, all},
        {"fewer bytes than promised", truncated, all},
        {"broken XML",
         plain("<rsp><PTOTAL>45</PTAL><RESULT>http://127.0.0.1/item/1.html"
               "</RESULT><item_cat><cid>17</cid></rsp>"),
         all},
        {"truncated XML", plain(GoodLookingBody.left(GoodLookingBody.size() - 20)), xmlOnly},
        {"HTML error page", plain("<html><body>Service unavailable</body></html>"), notMenu},
        {"empty body", plain(QByteArray()), all},
        {"binary noise", plain(noise), all},
        {"302 to a host that is gone", redirect("http://127.0.0.1:9/elsewhere"), all},
        {"302 to a file", redirect("file:///etc/passwd"), all},
        {"302 to itself", redirect("/"), all},
        {"302 to an unpaced flood", redirect(FloodPath), all},
    };
    for (const auto &[name, answer, routines] : answers) {
        for (const Routine routine : routines)
            QTest::addRow("%s: %s", RoutineRun::name(routine), name) << routine << answer;
    }
}

void TestHostileServers::failedAnswers()
{
    QFETCH(Routine, routine);
    QFETCH(ScriptedServer::Response, answer);

    ScriptedServer server;
    for (const QByteArray path : {"/", "/Excel/Menu.rar", "/ContentPane.aspx", "/router/rest",
                                  "/rpc/searchAuctionByRpc.do", "/rpc/genCodeByRpc.do"})
        server.routeFixed(QString::fromLatin1(path), answer);
    server.routeFixed(QString::fromLatin1(FloodPath), flood(Answer::Chunked, 0));
    TestConfiguration::installOneHost(server.hostPort(), server.url(QStringLiteral("/")));
    auto f = loadedFixture();

    const RoutineRun::Figures figures = RoutineRun::run(*f, routine);
    const int requests = server.requestCount();
    const qint64 sentPerRequest = server.bodyBytesSent() / qMax(1, requests);
    qInfo("%s: returned after %lld ms, %d requests, resident memory +%lld KiB at the peak, "
          "+%lld KiB held, %lld KiB sent per request",
          RoutineRun::name(routine), figures.elapsedMs, requests, figures.growthKiB,
          figures.heldKiB, sentPerRequest / 1024);

    const QString mismatch = RoutineRun::failedOutcomeMismatch(*f, routine);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    if (answer.headers.value("Location") == "/") {
        // Round and round until the fetcher gives up on it.
        QVERIFY2(requests > RoutineRun::failedRequests(routine) &&
                     requests < 30 * RoutineRun::failedRequests(routine),
                 qPrintable(QString::number(requests)));
    } else if (answer.headers.value("Location") == FloodPath) {
        QCOMPARE(requests, 2 * RoutineRun::failedRequests(routine));
    } else if (answer.kind == Answer::Reset) {
        // A request on a kept connection that the server dropped goes again, once, on a new one.
        QVERIFY(requests >= RoutineRun::failedRequests(routine) &&
                requests <= 2 * RoutineRun::failedRequests(routine));
    } else {
        QCOMPARE(requests, RoutineRun::failedRequests(routine));
    }
    if (ResidentMemoryMeaningful) {
        QVERIFY2(figures.growthKiB < MaxGrowthKiB, qPrintable(QString::number(figures.growthKiB)));
        QVERIFY2(figures.heldKiB < MaxHeldKiB, qPrintable(QString::number(figures.heldKiB)));
    }
    if (answer.kind == Answer::Flood) {
        // Refused on the wire: the rest of the answer is never taken off the socket.
        QVERIFY2(sentPerRequest < 2 * CapKiB * 1024, qPrintable(QString::number(sentPerRequest)));
    }
}

void TestHostileServers::readableAnswers_data()
{
    QTest::addColumn<Routine>("routine");
    QTest::addColumn<ScriptedServer::Response>("answer");
    QTest::addColumn<QString>("shown"); // a text the pane must hold
    QTest::addColumn<QString>("total"); // LB_Total2 after a search

    const QString gbkSearch = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"GBK\"?><rsp><PTOTAL>1</PTOTAL><PRESULTS><ITEM>"
        "<TITLE>韩版修身连衣裙</TITLE><RESOURCEPATH>http://127.0.0.1/pic/7.jpg</RESOURCEPATH>"
        "<PRICE>1999</PRICE><ORIOBJID>7</ORIOBJID><TOTALACTION>3</TOTALACTION>"
        "<CONTACT>店主</CONTACT><MEMBERID>m7</MEMBERID></ITEM></PRESULTS></rsp>");
    Answer gbkAnswer = plain(gbk(gbkSearch));
    gbkAnswer.contentType = "text/xml";
    QTest::newRow("search: XML in GBK with its declaration")
        << Routine::Search << gbkAnswer << QStringLiteral("韩版修身连衣裙")
        << QStringLiteral("找到符合条件的商品【共1个】");

    const QString gbkChildren =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?><rsp><item_cat><cid>50010850</cid>"
                       "<parent_cid>16</parent_cid><name>连衣裙</name></item_cat></rsp>");
    Answer gbkChildAnswer = plain(gbk(gbkChildren));
    gbkChildAnswer.contentType = "text/xml; charset=utf-8"; // the declaration decides
    QTest::newRow("children: XML in GBK, header says UTF-8")
        << Routine::Children << gbkChildAnswer
        << QStringLiteral("[p_cid=16][cid=50010850][name=连衣裙]'>连衣裙</a>") << QString();

    QTest::newRow("search: 302 to another host")
        << Routine::Search << redirect(m_server->url(QStringLiteral("/elsewhere")).toUtf8())
        << QStringLiteral("别处的连衣裙") << QStringLiteral("找到符合条件的商品【共21个】");

    QTest::newRow("search: an answer without PRESULTS")
        << Routine::Search << plain("<rsp><PTOTAL>45</PTOTAL></rsp>")
        << ResultGrid::styleBlock() + ResultGrid::closingTags()
        << QStringLiteral("找到符合条件的商品【共45个】");
}

void TestHostileServers::readableAnswers()
{
    QFETCH(Routine, routine);
    QFETCH(ScriptedServer::Response, answer);
    QFETCH(QString, shown);
    QFETCH(QString, total);

    ScriptedServer server;
    server.routeFixed("/router/rest", answer);
    server.routeFixed("/rpc/searchAuctionByRpc.do", answer);
    TestConfiguration::installOneHost(server.hostPort(), server.url(QStringLiteral("/")));
    auto f = loadedFixture();
    const RoutineRun::Figures figures = RoutineRun::run(*f, routine);
    qInfo("%s: returned after %lld ms, %d requests", RoutineRun::name(routine), figures.elapsedMs,
          server.requestCount());

    const QString written = routine == Routine::Search ? f->pane4.text : f->pane3.text;
    QVERIFY2(written.contains(shown), qPrintable(written.right(300)));
    QCOMPARE(server.requestCount(), 1);
    if (routine == Routine::Search)
        QCOMPARE(f->LB_Total2->text(), total);
}

void TestHostileServers::linkCodeAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");

    QTest::newRow("file address") << QStringLiteral("file:///etc/passwd") << false;
    QTest::newRow("script address") << QStringLiteral("javascript:alert(1)") << false;
    QTest::newRow("a blank in it") << QStringLiteral("http://127.0.0.1/item 1.html") << false;
    QTest::newRow("a command after a blank")
        << QStringLiteral("http://127.0.0.1/ && rm -rf ~") << false;
    QTest::newRow("a tab in it") << QStringLiteral("http://127.0.0.1/item\t1.html") << false;
    QTest::newRow("a delete character in it") << QStringLiteral("http://127.0.0.1/item\x7f"
                                                                "1.html")
                                              << false;
    QTest::newRow("no host") << QStringLiteral("http:///item/1.html") << false;
    QTest::newRow("another scheme, http further on")
        << QStringLiteral("ftp://127.0.0.1/http://x") << false;
    QTest::newRow("http, 10,000 characters")
        << QStringLiteral("http://127.0.0.1/item/") + QString(10000 - 22, QLatin1Char('a')) << true;
    QTest::newRow("https") << QStringLiteral("https://127.0.0.1/item/1.html") << true;
}

void TestHostileServers::linkCodeAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);

    ScriptedServer server;
    server.routeFixed(
        "/rpc/genCodeByRpc.do",
        plain("<rsp><RESULT>" + address.toHtmlEscaped().toUtf8() + "</RESULT></rsp>"));
    TestConfiguration::installOneHost(server.hostPort(), server.url(QStringLiteral("/")));
    auto f = loadedFixture();
    const RoutineRun::Figures figures = RoutineRun::run(*f, Routine::ClickThrough);
    qInfo("returned after %lld ms, %d requests, resident memory +%lld KiB", figures.elapsedMs,
          server.requestCount(), figures.growthKiB);

    // The answer is long enough to be accepted at once; whether it opens is the launcher's call.
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(f->browser.attempts, 1);
    QCOMPARE(f->browser.opened, opened ? QStringList{address} : QStringList());
    QCOMPARE(f->pane4.writeCount, 0);
}

void TestHostileServers::sandboxFaultSwitches_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Routine>("routine");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("items"); // grid items shown after a search

    const QStringList errors{"--error-every", "1"};
    QTest::newRow("HTTP 500 always: probe") << errors << Routine::Probe << 1 << 0;
    QTest::newRow("HTTP 500 always: menu") << errors << Routine::Menu << 3 << 0;
    QTest::newRow("HTTP 500 always: children") << errors << Routine::Children << 1 << 0;
    QTest::newRow("HTTP 500 always: search") << errors << Routine::Search << 4 << 0;
    QTest::newRow("HTTP 500 always: click-through") << errors << Routine::ClickThrough << 6 << 0;
    // The busy answer is asked again three times more after the four asks for a total.
    QTest::newRow("TIMEOUT answers forever: search")
        << QStringList{"--timeout-every", "1"} << Routine::Search << 7 << 0;
    QTest::newRow("no total ever: search")
        << QStringList{"--no-total-every", "1"} << Routine::Search << 4 << 20;
    const QStringList late{"--delay-ms", QString::number(XmlTimeoutMs + 1500)};
    QTest::newRow("answers too late: children") << late << Routine::Children << 1 << 0;
    QTest::newRow("answers too late: search") << late << Routine::Search << 4 << 0;
}

void TestHostileServers::sandboxFaultSwitches()
{
#ifndef KESTROVA_SANDBOX_EXE
    QSKIP("built without the sandbox");
#endif
    QFETCH(QStringList, arguments);
    QFETCH(Routine, routine);
    QFETCH(int, requests);
    QFETCH(int, items);

    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("requests.log"));
    SandboxProcess sandbox;
    QVERIFY(sandbox.start(arguments + QStringList{QStringLiteral("--log"), log}));
    TestConfiguration::installOneHost(sandbox.hostPort(), sandbox.baseUrl() + QLatin1Char('/'));
    auto f = loadedFixture();
    const RoutineRun::Figures figures = RoutineRun::run(*f, routine);
    sandbox.stop();

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const int logged = int(file.readAll().count('\n'));
    qInfo("%s: returned after %lld ms, %d requests, resident memory +%lld KiB",
          RoutineRun::name(routine), figures.elapsedMs, logged, figures.growthKiB);
    QCOMPARE(logged, requests);

    if (items == 0) {
        const QString mismatch = RoutineRun::failedOutcomeMismatch(*f, routine);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        return;
    }
    // Items but never a total: the grid shows them, the count reads 0, no pages.
    QCOMPARE(f->pane4.text.count(QStringLiteral("http://[catid=")), 2 * items);
    QCOMPARE(f->LB_Total2->text(), QStringLiteral("找到符合条件的商品【共0个】"));
    QCOMPARE(f->CB_page->count(), 0);
    QVERIFY(f->browser.opened.isEmpty());
}

QTEST_MAIN(TestHostileServers)
#include "tst_hostile_servers.moc"
