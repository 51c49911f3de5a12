#include "support/ScriptedServer.h"

#include "support/RecordingPane.h"

#include "platform/BlockingFetch.h"
#include "platform/FetchObserver.h"
#include "platform/WebFetcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTimer>
#include <QtTest>

namespace {

// "百度" in GBK, written out so the test does not lean on the decoder it checks.
const QByteArray BaiduGbk("\xB0\xD9\xB6\xC8");

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

ScriptedServer::Response answer(const QByteArray &contentType, const QByteArray &body)
{
    ScriptedServer::Response r;
    r.contentType = contentType;
    r.body = body;
    return r;
}

// Counts what the service reports, and whether a fetch was in progress at each tick.
class RecordingObserver : public FetchObserver
{
public:
    void fetchStarted(PagePane *pane) override
    {
        ++started;
        panes.append(pane);
    }
    void fetchEnded() override { ++ended; }
    int started = 0;
    int ended = 0;
    QList<PagePane *> panes;
};

// A widget that counts the events a test cares about.
class EventCounter : public QObject
{
public:
    explicit EventCounter(QEvent::Type type) : m_type(type) {}
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == m_type)
            ++count;
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type m_type;
};

} // namespace

Q_DECLARE_METATYPE(QEvent::Type)

class TestWebFetcher : public QObject
{
    Q_OBJECT

private slots:
    void timeoutKeepsEventsFlowing();
    void userInputWaitsOutTheFetch_data();
    void userInputWaitsOutTheFetch();
    void answersAgainAfterManyTimeouts();
    void decodesChineseEncodings_data();
    void decodesChineseEncodings();
    void capsBodySize_data();
    void capsBodySize();
    void failuresGiveEmptyText_data();
    void failuresGiveEmptyText();
    void refusedConnectionGivesEmptyText();
    void followsRedirects();
    void urlTextUsedAsItStands_data();
    void urlTextUsedAsItStands();

private:
    BlockingFetch m_fetch;
};

void TestWebFetcher::timeoutKeepsEventsFlowing()
{
    ScriptedServer server;
    ScriptedServer::Response silent;
    silent.kind = ScriptedServer::Response::Silent;
    server.routeFixed("/", silent);

    // A timer of the test's own thread must keep ticking while the fetch blocks, and
    // every tick must see the fetch as busy and reported started, not yet ended.
    BlockingFetch fetch;
    RecordingObserver observer;
    fetch.setObserver(&observer);
    RecordingPane pane;
    int ticks = 0, busyTicks = 0, reportedTicks = 0;
    QTimer ticker;
    ticker.setInterval(100);
    connect(&ticker, &QTimer::timeout, this, [&] {
        ++ticks;
        busyTicks += fetch.isBusy() ? 1 : 0;
        reportedTicks += observer.started == 1 && observer.ended == 0 ? 1 : 0;
    });
    ticker.start();

    WebFetcher fetcher(&fetch);
    fetcher.setRequestTimeout(2);
    QElapsedTimer clock;
    clock.start();
    QString text;
    {
        const BlockingFetch::PaneScope forPane(&fetch, &pane);
        text = fetcher.OpenURL(server.url("/"));
    }
    const qint64 elapsed = clock.elapsed();
    ticker.stop();

    qInfo("time-out of 2 s returned after %lld ms, %d timer ticks meanwhile", elapsed, ticks);
    QVERIFY(text.isEmpty());
    QCOMPARE(server.requestCount("/"), 1);
    QVERIFY2(elapsed >= 1900 && elapsed < 6000, qPrintable(QString::number(elapsed)));
    QVERIFY(ticks >= 10);
    QCOMPARE(busyTicks, ticks);
    QCOMPARE(reportedTicks, ticks);
    QVERIFY(!fetch.isBusy());
    QCOMPARE(observer.ended, 1);
    QCOMPARE(observer.panes, QList<PagePane *>{&pane});
}

void TestWebFetcher::userInputWaitsOutTheFetch_data()
{
    QTest::addColumn<QEvent::Type>("type");
    QTest::addColumn<bool>("delivered");

    QTest::newRow("a click") << QEvent::MouseButtonRelease << false;
    QTest::newRow("a key") << QEvent::KeyPress << false;
    QTest::newRow("a close request") << QEvent::Close << true;
}

void TestWebFetcher::userInputWaitsOutTheFetch()
{
    QFETCH(QEvent::Type, type);
    QFETCH(bool, delivered);

    ScriptedServer server;
    ScriptedServer::Response late = answer("text/plain", "ok");
    late.delayMs = 1500;
    server.routeFixed("/", late);
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("go"), &window);
    auto *edit = new QLineEdit(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    EventCounter counter(type);
    QObject *target = type == QEvent::Close      ? static_cast<QObject *>(&window)
                      : type == QEvent::KeyPress ? static_cast<QObject *>(edit)
                                                 : static_cast<QObject *>(button);
    target->installEventFilter(&counter);
    QSignalSpy clicked(button, &QPushButton::clicked);

    // Sent once the fetch waits and the server holds its request.
    QTimer send;
    send.setInterval(1);
    connect(&send, &QTimer::timeout, this, [&] {
        if (!m_fetch.isBusy() || server.requestCount() == 0)
            return;
        send.stop();
        if (type == QEvent::MouseButtonRelease)
            QTest::mouseClick(button, Qt::LeftButton);
        else if (type == QEvent::KeyPress)
            QTest::keyClick(edit, Qt::Key_A);
        else
            window.close();
    });
    send.start();
    WebFetcher fetcher(&m_fetch);
    fetcher.setRequestTimeout(10);
    QCOMPARE(fetcher.OpenURL(server.url("/")), QStringLiteral("ok"));

    QVERIFY(!send.isActive()); // the input was sent during the fetch
    QCOMPARE(counter.count, delivered ? 1 : 0);
    QCOMPARE(clicked.count(), 0);
    QVERIFY(edit->text().isEmpty());
    // Once the fetch is over, the input that waited reaches its target.
    if (type == QEvent::MouseButtonRelease)
        QTRY_COMPARE(clicked.count(), 1);
    else if (type == QEvent::KeyPress)
        QTRY_COMPARE(edit->text(), QStringLiteral("a"));
}

void TestWebFetcher::answersAgainAfterManyTimeouts()
{
    // A caller that retries a silent server many times, then gets its answer.
    ScriptedServer server;
    int calls = 0;
    server.route("/rpc", [&calls](const ScriptedServer::Request &) {
        ScriptedServer::Response r;
        if (++calls <= 12)
            r.kind = ScriptedServer::Response::Silent;
        r.body = "<r>answer</r>";
        return r;
    });
    int failed = 0;
    for (int i = 0; i < 12; ++i) {
        const BlockingFetch::Result r = m_fetch.get(server.url("/rpc"), 300);
        failed += !r.ok && r.body.isEmpty() ? 1 : 0;
    }
    QCOMPARE(failed, 12);
    QCOMPARE(server.requestCount("/rpc"), 12);
    WebFetcher fetcher(&m_fetch);
    fetcher.setRequestTimeout(10);
    QCOMPARE(fetcher.OpenURL(server.url("/rpc")), QStringLiteral("<r>answer</r>"));
}

void TestWebFetcher::decodesChineseEncodings_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    const QString page = QStringLiteral("<html><body>百度一下，你就知道 女装</body></html>");
    QTest::newRow("probe page, GBK declared in header")
        << QByteArray("text/html; charset=gbk") << QByteArray("<p>" + BaiduGbk + "</p>")
        << QStringLiteral("<p>百度</p>");
    QTest::newRow("probe page, GBK undeclared")
        << QByteArray("text/html") << QByteArray("<p>" + BaiduGbk + "</p>")
        << QStringLiteral("<p>百度</p>");
    QTest::newRow("header GB2312, quoted")
        << QByteArray("text/html; charset=\"GB2312\"") << gbk(page) << page;
    const QString metaCharset =
        QStringLiteral("<html><head><meta charset=\"gbk\"></head><body>女装 百度</body></html>");
    QTest::newRow("meta charset") << QByteArray("text/html") << gbk(metaCharset) << metaCharset;
    const QString metaHttpEquiv = QStringLiteral(
        "<html><head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=gb2312\">"
        "</head><body>男装 百度</body></html>");
    QTest::newRow("meta http-equiv")
        << QByteArray("text/html") << gbk(metaHttpEquiv) << metaHttpEquiv;
    QTest::newRow("undeclared UTF-8") << QByteArray("text/html") << page.toUtf8() << page;
    QTest::newRow("no content type, UTF-8") << QByteArray() << page.toUtf8() << page;
    QTest::newRow("header UTF-8") << QByteArray("text/html; charset=UTF-8") << page.toUtf8()
                                  << page;
    QTest::newRow("byte-order mark beats header")
        << QByteArray("text/html; charset=gbk") << QByteArray("\xEF\xBB\xBF" + page.toUtf8())
        << page;
    QTest::newRow("unknown charset name falls back")
        << QByteArray("text/html; charset=x-nonsense") << gbk(page) << page;
}

void TestWebFetcher::decodesChineseEncodings()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);

    ScriptedServer server;
    server.routeFixed("/", answer(contentType, body));
    WebFetcher fetcher(&m_fetch);
    fetcher.setRequestTimeout(10);
    QCOMPARE(fetcher.OpenURL(server.url("/")), expected);
}

void TestWebFetcher::capsBodySize_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<bool>("chunked");
    QTest::addColumn<bool>("accepted");

    constexpr qint64 cap = 16 * 1024 * 1024; // the cap the design sets
    QTest::newRow("the cap with length") << cap << false << true;
    QTest::newRow("a byte past the cap with length") << cap + 1 << false << false;
    QTest::newRow("the cap chunked") << cap << true << true;
    QTest::newRow("a byte past the cap chunked") << cap + 1 << true << false;
}

void TestWebFetcher::capsBodySize()
{
    QFETCH(qint64, bytes);
    QFETCH(bool, chunked);
    QFETCH(bool, accepted);

    ScriptedServer server;
    // Letters at random, so the size on the wire is near the size that counts.
    QByteArray body(bytes, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char &c : body)
        c = char('a' + random.bounded(26));
    ScriptedServer::Response big = answer("text/plain; charset=utf-8", body);
    if (chunked)
        big.framing = ScriptedServer::Response::Chunked;
    server.routeFixed("/big", big);

    WebFetcher fetcher(&m_fetch);
    fetcher.setRequestTimeout(30);
    const QString text = fetcher.OpenURL(server.url("/big"));
    QCOMPARE(text.size(), accepted ? bytes : 0);
}

void TestWebFetcher::failuresGiveEmptyText_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");

    QTest::newRow("404 with a body") << "/page" << 404;
    QTest::newRow("403") << "/page" << 403;
    QTest::newRow("500 with a body") << "/page" << 500;
    QTest::newRow("503") << "/page" << 503;
    QTest::newRow("unrouted path") << "/elsewhere" << 200;
}

void TestWebFetcher::failuresGiveEmptyText()
{
    QFETCH(QString, path);
    QFETCH(int, status);

    ScriptedServer server;
    ScriptedServer::Response r = answer("text/html; charset=utf-8", "<p>百度 error page</p>");
    r.status = status;
    server.routeFixed("/page", r);
    WebFetcher fetcher(&m_fetch);
    fetcher.setRequestTimeout(10);
    QCOMPARE(fetcher.OpenURL(server.url(path)), QString());
    QCOMPARE(server.requestCount(), 1);
}

void TestWebFetcher::refusedConnectionGivesEmptyText()
{
    QString address;
    {
        ScriptedServer gone;
        address = gone.url("/");
    }
    WebFetcher fetcher(&m_fetch);
    fetcher.setRequestTimeout(10);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(fetcher.OpenURL(address), QString());
    QVERIFY(clock.elapsed() < 5000); // refused at once, not left to the time-out
    QCOMPARE(fetcher.OpenURL(QString()), QString());
    QCOMPARE(fetcher.OpenURL("file:///etc/hostname"), QString());
    QCOMPARE(fetcher.OpenURL("not a url at all"), QString());
}

void TestWebFetcher::followsRedirects()
{
    ScriptedServer server;
    ScriptedServer::Response moved = answer("text/html", "moved");
    moved.status = 302;
    moved.headers.insert("Location", server.url("/new").toLatin1());
    server.routeFixed("/old", moved);
    server.routeFixed("/new", answer("text/html; charset=utf-8", "<p>女装</p>"));

    WebFetcher fetcher(&m_fetch);
    fetcher.setRequestTimeout(10);
    QCOMPARE(fetcher.OpenURL(server.url("/old")), QStringLiteral("<p>女装</p>"));
    QCOMPARE(server.requestCount("/new"), 1);
}

void TestWebFetcher::urlTextUsedAsItStands_data()
{
    QTest::addColumn<QString>("pathAndQuery"); // as a request builder returns it
    QTest::addColumn<QByteArray>("target");    // the request line's target

    // Blanks and Chinese go out percent-encoded as UTF-8; escapes already there stay.
    QTest::newRow("blank, Chinese and an escape")
        << QStringLiteral("/q?k=女 装&cid=16&n=%E7%94%B7")
        << QByteArray("/q?k=%E5%A5%B3%20%E8%A3%85&cid=16&n=%E7%94%B7");
    QTest::newRow("a token as stored")
        << QStringLiteral("/q?pw=ab/c+d=&pid=1") << QByteArray("/q?pw=ab/c+d=&pid=1");
    QTest::newRow("a fragment stays home") << QStringLiteral("/q?k=1#top") << QByteArray("/q?k=1");
    QTest::newRow("dot segments") << QStringLiteral("/x/../q?k=./1") << QByteArray("/q?k=./1");
}

void TestWebFetcher::urlTextUsedAsItStands()
{
    QFETCH(QString, pathAndQuery);
    QFETCH(QByteArray, target);

    ScriptedServer server;
    server.routeFixed("/q", answer("text/plain", "ok"));
    WebFetcher fetcher(&m_fetch);
    fetcher.setRequestTimeout(10);
    QCOMPARE(fetcher.OpenURL(server.url(pathAndQuery)), QStringLiteral("ok"));
    const QList<ScriptedServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].target, target);
}

QTEST_MAIN(TestWebFetcher)
#include "tst_webfetcher.moc"
