#include "support/HeadlessEngine.h"
#include "support/ScriptedServer.h"
#include "support/WaitUntil.h"
#include "support/pane/PaneInspect.h"

#include "panes/PaneDocuments.h"
#include "panes/PaneEngine.h"
#include "panes/PaneRequestFilter.h"
#include "panes/PaneScheme.h"
#include "panes/WebEnginePane.h"
#include "platform/Twips.h"

#include "requests/Configuration.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QSignalSpy>
#include <QWebChannel>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>

#include <csignal>
#include <optional>

namespace {

struct Navigation
{
    QString url;
    int flags;
    qint64 atMs; // on the fixture's clock
};

// Errors the engine reports from the panes' scripts, kept while a fixture lives.
QStringList g_scriptErrors;
QtMessageHandler g_previousHandler = nullptr;

void recordScriptErrors(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type >= QtWarningMsg && qstrcmp(context.category, "js") == 0)
        g_scriptErrors.append(text);
    g_previousHandler(type, context, text);
}

// A pane in a frame of a shown window, recording its notifications.
struct PaneFixture
{
    PaneFixture()
    {
        g_scriptErrors.clear();
        g_previousHandler = qInstallMessageHandler(recordScriptErrors);
        clock.start();
        window.resize(700, 500);
        frame = new QFrame(&window);
        frame->setGeometry(20, 20, 400, 300);
        pane = new WebEnginePane(frame);
        // The whole frame, in twips.
        pane->setWidth(400 * 1440 / Twips::logicalDpi());
        pane->setHeight(300 * 1440 / Twips::logicalDpi());
        QObject::connect(pane, &PagePane::BeforeNavigate2,
                         [this](const QString &url, int flags, bool *cancel) {
                             navigations.append({url, flags, clock.elapsed()});
                             *cancel = cancelAnswer;
                         });
        window.show();
    }

    // Opens and writes a whole document, the way the program does, and waits for it.
    bool show(const QString &html)
    {
        pane->open();
        pane->write(html);
        return PaneInspect::waitForDocument(pane);
    }

    ~PaneFixture() { qInstallMessageHandler(g_previousHandler); }

    QVariant eval(const QString &script) { return PaneInspect::evaluate(pane, script); }
    QString text() { return PaneInspect::toPlainText(pane); }

    // A round trip to the renderer: whatever the page had queued before has run.
    void settle()
    {
        eval(QStringLiteral("1"));
        eval(QStringLiteral("1"));
    }

    QPoint centreOf(const QString &selector)
    {
        const QVariantList r =
            eval(QStringLiteral("(function(){var e=document.querySelector('%1');"
                                "var r=e.getBoundingClientRect();"
                                "return [r.left+r.width/2, r.top+r.height/2];})()")
                     .arg(selector))
                .toList();
        return r.size() == 2 ? QPoint(qRound(r[0].toDouble()), qRound(r[1].toDouble()))
                             : QPoint(-1, -1);
    }

    // A real mouse click. The engine drops input that comes before a new page
    // has painted, so a click that never reached the page is sent again;
    // clickedAtMs is when the click that arrived was sent. A busy machine delivers
    // a press late: a second click is only sent after a long wait, and a
    // notification also shows that the click arrived.
    bool clickAt(const QPoint &at)
    {
        eval("window.testPresses = 0;"
             "window.addEventListener('mousedown', function () { ++testPresses; }, true)");
        const qsizetype notified = navigations.size();
        QWidget *input = pane->view()->focusProxy();
        for (int attempt = 0; input && attempt < 10; ++attempt) {
            clickedAtMs = clock.elapsed();
            clicksSent = attempt + 1;
            QTest::mouseClick(input, Qt::LeftButton, Qt::NoModifier, at);
            if (waitUntil(
                    [&] {
                        return navigations.size() > notified ||
                               eval("window.testPresses").toInt() > 0;
                    },
                    3000))
                return true;
        }
        return false;
    }

    QElapsedTimer clock;
    qint64 clickedAtMs = -1;
    int clicksSent = 0;
    QWidget window;
    QFrame *frame;
    WebEnginePane *pane;
    QList<Navigation> navigations;
    bool cancelAnswer = true;
};

// /slow.png answers "not found" after delayMs: a picture that holds a document's load end back.
void serveLatePicture(ScriptedServer &server, int delayMs)
{
    ScriptedServer::Response slow;
    slow.contentType = "image/png";
    slow.status = 404;
    slow.delayMs = delayMs;
    server.routeFixed(QStringLiteral("/slow.png"), slow);
}

} // namespace

class TestWebEnginePane : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void linkClickDeliversRawHrefOnce_data();
    void linkClickDeliversRawHrefOnce();
    void quickRewritesEndOnce_data();
    void quickRewritesEndOnce();
    void schemeAnswersOnlyTheNewestDocument_data();
    void schemeAnswersOnlyTheNewestDocument();
    void loadIsSeenWithoutTheChannel_data();
    void loadIsSeenWithoutTheChannel();
    void rendererDeathCostsNothing_data();
    void rendererDeathCostsNothing();
    void programNavigationCarriesFlagsZero();
    void writtenTextStaysAfterRefresh();
    void writtenDocumentsLeaveNoHistory();
    void bodyScrollHidesScrollBars();
    void pageScriptsDoNotRun();
    void contentCannotLeaveTheDocument();
    void defaultMarginsYieldToDocumentStyle();
    void placedInTwipsInsideFrame();
    void largeDocumentIsShown_data();
    void largeDocumentIsShown();
    void writtenDocumentIsCompleteWhenLoaded_data();
    void writtenDocumentIsCompleteWhenLoaded();
    void requestFilter_data();
    void requestFilter();
};

void TestWebEnginePane::initTestCase()
{
    Configuration config = Configuration::compiledIn();
    config.makerHost = QStringLiteral("127.0.0.1:9");
    Configuration::install(config);
}

void TestWebEnginePane::cleanup()
{
    // No script of the pane's own failed, whatever the case did to its documents.
    QCOMPARE(g_scriptErrors, QStringList());
    g_scriptErrors.clear();
}

void TestWebEnginePane::linkClickDeliversRawHrefOnce_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("inner");
    QTest::addColumn<QString>("clickOn");

    QTest::newRow("menu pseudo-link")
        << QStringLiteral("http://[cid=16][name=女装]") << QStringLiteral("女装") << "#target";
    QTest::newRow("path pseudo-link with parent")
        << QStringLiteral("http://[cid=50010850][name=连衣裙 夏][p_cid=16]")
        << QStringLiteral("连衣裙") << "#target";
    QTest::newRow("grid picture link")
        << QStringLiteral("http://[catid=123456789][nick_id=店主小王]")
        << QStringLiteral("<span style='display:inline-block;width:120px;height:40px;"
                          "background:#ccc'>图</span>")
        << "#target span";
    QTest::newRow("relative address kept as written")
        << QStringLiteral("images/../x y.htm") << QStringLiteral("relative") << "#target";
    QTest::newRow("the panes' own scheme")
        << QStringLiteral("kestrova-pane://panes/1/1") << QStringLiteral("own") << "#target";
    QTest::newRow("scheme-less") << QStringLiteral("javascript:alert(1)")
                                 << QStringLiteral("script link") << "#target";
}

void TestWebEnginePane::linkClickDeliversRawHrefOnce()
{
    QFETCH(QString, href);
    QFETCH(QString, inner);
    QFETCH(QString, clickOn);

    PaneFixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const QString text = QStringLiteral("before the link");
    QVERIFY(f.show(QStringLiteral("<body><style>a{font-size:20px}</style>%1 <a id='target' "
                                  "href='%2'>%3</a> after</body>")
                       .arg(text, href, inner)));
    f.navigations.clear();
    const QUrl shown = f.pane->view()->page()->url();

    const QPoint at = f.centreOf(clickOn);
    QVERIFY(at.x() >= 0);
    QVERIFY(f.clickAt(at));
    QVERIFY(waitUntil([&] { return !f.navigations.isEmpty(); }, 5000));
    qInfo("click to notification: %lld ms (clicks sent: %d)", f.navigations[0].atMs - f.clickedAtMs,
          f.clicksSent);

    QCOMPARE(f.navigations[0].url, href);
    QCOMPARE(f.navigations[0].flags, int(PagePane::HyperlinkFlag));
    f.settle(); // no second notification, no navigation
    QCOMPARE(f.navigations.size(), 1);
    QCOMPARE(f.pane->view()->page()->url(), shown);
    QVERIFY(f.text().contains(text));
}

void TestWebEnginePane::quickRewritesEndOnce_data()
{
    // When each next document is written: right away, once the previous one has
    // become the page's address (its pictures still loading), or at its load's end.
    QTest::addColumn<QString>("after");
    QTest::newRow("at once") << "";
    QTest::newRow("at the previous document's commit") << "commit";
    QTest::newRow("at the previous document's end") << "end";
}

void TestWebEnginePane::quickRewritesEndOnce()
{
    // As at start-up: navigate, then documents replaced before or as they load.
    // Only the newest one's load end is the pane's; an earlier one that ends in
    // the middle of it changes nothing.
    QFETCH(QString, after);
    ScriptedServer pictures;
    serveLatePicture(pictures, 300);
    PaneFixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QWebEnginePage *page = f.pane->view()->page();
    QSignalSpy complete(f.pane, &PagePane::DocumentComplete);
    QList<bool> loadingAtEnds; // the pane's state as each replaced document's load ended
    QUrl newest;
    int written = 0;
    auto writeNext = [&] {
        f.pane->open();
        f.pane->write(QStringLiteral("<a id='target' style='font-size:30px' "
                                     "href='http://[cid=%1][name=第%1类]'>第%1类</a>"
                                     "<img src='%2'>")
                          .arg(written++)
                          .arg(pictures.url(QStringLiteral("/slow.png"))));
        newest = f.pane->documentUrl();
    };
    QObject::connect(page, &QWebEnginePage::loadingChanged, f.pane,
                     [&](const QWebEngineLoadingInfo &info) {
                         if (info.url() == newest || newest.isEmpty())
                             return;
                         if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
                             loadingAtEnds.append(f.pane->isLoading());
                     });
    QObject::connect(page, &QWebEnginePage::urlChanged, f.pane, [&](const QUrl &url) {
        if (written < 4 && url == newest && after == "commit")
            writeNext();
    });
    QObject::connect(f.pane, &PagePane::DocumentComplete, f.pane, [&] {
        if (written < 4 && after == "end")
            writeNext();
    });
    f.pane->Navigate(QStringLiteral("about: blank"));
    writeNext();
    while (after.isEmpty() && written < 4)
        writeNext();
    QVERIFY(waitUntil([&] { return written == 4 && !f.pane->isLoading(); }));
    QCOMPARE(f.text(), QStringLiteral("第3类"));
    // Ended earlier documents: only those of the "at the end" case, each before the next write.
    QCOMPARE(complete.size(), after == "end" ? 4 : 1);
    if (after != "end")
        QVERIFY(!loadingAtEnds.contains(false));

    f.navigations.clear();
    QVERIFY(f.clickAt(f.centreOf("#target")));
    QVERIFY(waitUntil([&] { return !f.navigations.isEmpty(); }));
    f.settle();
    QCOMPARE(f.navigations.size(), 1);
    QCOMPARE(f.navigations[0].url, QStringLiteral("http://[cid=3][name=第3类]"));
    QCOMPARE(f.navigations[0].flags, int(PagePane::HyperlinkFlag));
}

void TestWebEnginePane::schemeAnswersOnlyTheNewestDocument_data()
{
    // "newest", "earlier", the newest on another host, or a path of the scheme
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("served");
    QTest::newRow("the newest write") << "newest" << true;
    QTest::newRow("an earlier write") << "earlier" << false;
    QTest::newRow("a pane that does not exist") << "99999/1" << false;
    QTest::newRow("no serial") << "1" << false;
    QTest::newRow("another host") << "newest-elsewhere" << false;
    QTest::newRow("not a number") << "x/y" << false;
}

void TestWebEnginePane::schemeAnswersOnlyTheNewestDocument()
{
    QFETCH(QString, address);
    QFETCH(bool, served);
    PaneFixture f;
    QVERIFY(f.show(QStringLiteral("<p>第一</p>")));
    const QUrl earlier = f.pane->documentUrl();
    QVERIFY(f.show(QStringLiteral("<p>第二</p>")));
    QCOMPARE(f.pane->documentUrl().scheme(), QLatin1String(PaneScheme::Name));
    QVERIFY(f.pane->documentUrl().toString().size() < 40); // names the write, not the text
    QUrl url = address.startsWith("newest") ? f.pane->documentUrl() : earlier;
    if (address == "newest-elsewhere")
        url.setHost(QStringLiteral("elsewhere"));
    else if (address != "newest" && address != "earlier")
        url = QUrl(QStringLiteral("%1://%2/%3").arg(PaneScheme::Name, PaneScheme::Host, address));

    // Another page of the panes' profile asks for it.
    QWebEnginePage other(PaneEngine::profile());
    std::optional<bool> loaded;
    QObject::connect(&other, &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
    other.load(url);
    QVERIFY(waitUntil([&] { return loaded.has_value(); }));
    QCOMPARE(*loaded, served);
    if (served) {
        std::optional<QString> text;
        other.toPlainText([&](const QString &t) { text = t; });
        QVERIFY(waitUntil([&] { return text.has_value(); }));
        QCOMPARE(*text, QStringLiteral("第二"));
    }
}

void TestWebEnginePane::loadIsSeenWithoutTheChannel_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("picture"); // the pane learns of it only after it has settled
    QTest::newRow("small document") << 1 << false;
    QTest::newRow("over 2 MiB") << 40000 << false;
    QTest::newRow("slow picture") << 1 << true;
}

void TestWebEnginePane::loadIsSeenWithoutTheChannel()
{
    // On a busy machine the capture script's report over the channel can go
    // missing; the pane must learn of the load all the same.
    QFETCH(int, rows);
    QFETCH(bool, picture);
    ScriptedServer pictures;
    serveLatePicture(pictures, 1200);
    PaneFixture f;
    QWebChannel *channel = f.pane->view()->page()->webChannel();
    QVERIFY(channel);
    const QHash<QString, QObject *> objects = channel->registeredObjects();
    QVERIFY(!objects.isEmpty());
    for (QObject *object : objects)
        channel->deregisterObject(object);
    QSignalSpy complete(f.pane, &PagePane::DocumentComplete);
    QString text = QStringLiteral("<p id='head'>写入</p>");
    if (picture)
        text += QStringLiteral("<img src='%1'>").arg(pictures.url(QStringLiteral("/slow.png")));
    for (int i = 1; i < rows; ++i)
        text += QStringLiteral("<a href='http://[cid=%1][name=女装]'>女装 %1</a><br>").arg(i);
    QVERIFY(f.show(text));
    QCOMPARE(complete.size(), 1);
    QCOMPARE(f.eval("document.getElementById('head').textContent").toString(),
             QStringLiteral("写入"));
    QCOMPARE(f.eval("document.links.length").toInt(), rows - 1);
    if (picture)
        QVERIFY(f.eval("document.images[0].complete").toBool());
}

void TestWebEnginePane::rendererDeathCostsNothing_data()
{
    QTest::addColumn<int>("rows");   // links in the document
    QTest::addColumn<int>("deaths"); // in a row, each right after the pane showed its document
    QTest::newRow("path pane document") << 1 << 1;
    QTest::newRow("large menu") << 30000 << 1;
    QTest::newRow("three deaths in a row") << 1 << 3;
}

void TestWebEnginePane::rendererDeathCostsNothing()
{
    QFETCH(int, rows);
    QFETCH(int, deaths);
    PaneFixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QString html =
        QStringLiteral("<body background='images/2.jpg'><nobr>当前位置：<a id='target' "
                       "style='font-size:30px' href='http://[cid=16][name=女装]'>女装</a>");
    for (int i = 1; i < rows; ++i)
        html +=
            QStringLiteral("<br><a href='http://[cid=%1][name=第%1类]'>第%1类 一个很长的类目名称"
                           "</a>")
                .arg(i);
    html += QStringLiteral("</nobr>");
    QSignalSpy complete(f.pane, &PagePane::DocumentComplete);
    QVERIFY(f.show(html));
    QCOMPARE(complete.size(), 1);
    f.pane->setBodyScroll(QStringLiteral("no"));
    const QString text = f.text();
    QVERIFY(text.startsWith(QStringLiteral("当前位置：女装")));
    QWebEnginePage *page = f.pane->view()->page();
    const QUrl shown = page->url();

    for (int death = 0; death < deaths; ++death) {
        const qint64 pid = page->renderProcessPid();
        QVERIFY(pid > 0);
        QSignalSpy terminated(page, &QWebEnginePage::renderProcessTerminated);
        QElapsedTimer recovery;
        recovery.start();
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        QVERIFY(waitUntil([&] { return terminated.size() == 1; }, 10000));
        QVERIFY(waitUntil(
            [&] {
                return page->renderProcessPid() > 0 && page->renderProcessPid() != pid &&
                       !f.pane->isLoading();
            },
            10000));
        qInfo("renderer %lld killed: document shown again after %lld ms", pid, recovery.elapsed());
        QCOMPARE(f.text(), text);
    }

    // Nothing else happened: no notification, the same document, its scroll setting.
    QCOMPARE(complete.size(), 1);
    QVERIFY(f.navigations.isEmpty());
    QCOMPARE(f.pane->content(), html);
    QCOMPARE(page->url(), shown);
    QCOMPARE(f.eval("document.body.getAttribute('scroll')").toString(), QStringLiteral("no"));
    // The capture script and its channel are back: a click is delivered once.
    QVERIFY(f.clickAt(f.centreOf("#target")));
    QVERIFY(waitUntil([&] { return f.navigations.size() == 1; }));
    QCOMPARE(f.navigations[0].url, QStringLiteral("http://[cid=16][name=女装]"));
    QCOMPARE(f.navigations[0].flags, int(PagePane::HyperlinkFlag));
}

void TestWebEnginePane::programNavigationCarriesFlagsZero()
{
    PaneFixture f;
    f.cancelAnswer = false;
    QSignalSpy complete(f.pane, &PagePane::DocumentComplete);
    f.pane->Navigate(QStringLiteral("about: blank"));
    QCOMPARE(f.navigations.size(), 1); // raised before Navigate returns
    QCOMPARE(f.navigations[0].url, QStringLiteral("about: blank"));
    QCOMPARE(f.navigations[0].flags, 0);
    QVERIFY(PaneInspect::waitForDocument(f.pane));
    QCOMPARE(f.pane->view()->page()->url(), QUrl("about:blank"));

    // The message written right after the navigation is what the pane shows.
    QVERIFY(f.show(QStringLiteral("获取数据失败，请检查网络连接！")));
    QCOMPARE(f.text(), QStringLiteral("获取数据失败，请检查网络连接！"));

    // A cancelled navigation leaves the document alone.
    f.cancelAnswer = true;
    f.pane->Navigate(QStringLiteral("about: blank"));
    QCOMPARE(f.navigations.size(), 2);
    QCOMPARE(f.navigations[1].flags, 0);
    QVERIFY(!f.pane->isLoading());
    QCOMPARE(f.text(), QStringLiteral("获取数据失败，请检查网络连接！"));
    QVERIFY(complete.size() >= 1);
}

void TestWebEnginePane::writtenTextStaysAfterRefresh()
{
    PaneFixture f;
    QSignalSpy complete(f.pane, &PagePane::DocumentComplete);
    QVERIFY(f.show(QStringLiteral("<body background='images/3.jpg'><nobr><a href='http://"
                                  "[cid=1][name=男装]'>男装</a></nobr></br>")));
    QCOMPARE(complete.size(), 1);
    f.pane->Refresh();
    QVERIFY(f.pane->isLoading()); // the same address again
    QVERIFY(PaneInspect::waitForDocument(f.pane));
    QCOMPARE(f.text().trimmed(), QStringLiteral("男装"));
    QCOMPARE(f.pane->content(), QStringLiteral("<body background='images/3.jpg'><nobr><a "
                                               "href='http://[cid=1][name=男装]'>男装</a>"
                                               "</nobr></br>"));
    // Relative addresses resolve on the maker's host.
    QCOMPARE(f.eval("document.body.background ? new URL(document.body.getAttribute("
                    "'background'), document.baseURI).href : ''")
                 .toString(),
             Configuration::current().makerUrl("images/3.jpg"));

    // A new open + write replaces the document.
    QVERIFY(f.show(QStringLiteral("第二页")));
    QCOMPARE(f.text(), QStringLiteral("第二页"));
    QCOMPARE(complete.size(), 2);
}

void TestWebEnginePane::writtenDocumentsLeaveNoHistory()
{
    // Each write is a navigation; kept in the history, or given to the engine as
    // a data: address, every document written would stay in the browser process
    // for as long as the pane lives.
    PaneFixture f;
    const QString names = QStringLiteral("女装连衣裙半身裙牛仔裤").repeated(1000);
    for (int i = 1; i <= 6; ++i) {
        QVERIFY(f.show(QStringLiteral("<p>page %1</p><p>%2</p>").arg(i).arg(names)));
        QCOMPARE(f.pane->view()->page()->history()->count(), 1);
        QVERIFY(!f.pane->view()->page()->history()->canGoBack());
        QVERIFY2(
            f.pane->view()->page()->requestedUrl().toString().size() < 1024,
            qPrintable(QString::number(f.pane->view()->page()->requestedUrl().toString().size())));
    }
    QVERIFY(f.text().contains(names));
}

void TestWebEnginePane::bodyScrollHidesScrollBars()
{
    PaneFixture f;
    QString tall;
    for (int i = 0; i < 200; ++i)
        tall +=
            QStringLiteral("<nobr>第%1行 一行很长的文字一行很长的文字一行很长的文字一行很长的文字"
                           "一行很长的文字一行很长的文字</nobr><br>")
                .arg(i);
    QVERIFY(f.show(tall));
    // What scroll bars take off the viewport: a fixed box fills only what is left.
    const QString bars =
        QStringLiteral("(function(){var d=document.createElement('div');"
                       "d.style.cssText='position:fixed;left:0;top:0;right:0;bottom:0';"
                       "document.body.appendChild(d);"
                       "var r=[window.innerWidth-d.offsetWidth, window.innerHeight-d.offsetHeight];"
                       "d.remove();return r;})()");
    const QVariantList before = f.eval(bars).toList();
    QCOMPARE(before.size(), 2);
    QVERIFY2(before[0].toInt() > 0 && before[1].toInt() > 0, "expected both scroll bars");

    f.pane->setBodyScroll(QStringLiteral("no"));
    const QVariantList after = f.eval(bars).toList();
    QCOMPARE(after, QVariantList({0, 0}));
    QCOMPARE(f.eval("document.body.getAttribute('scroll')").toString(), QStringLiteral("no"));
}

void TestWebEnginePane::pageScriptsDoNotRun()
{
    PaneFixture f;
    QVERIFY(f.show(QStringLiteral(
        "<body><p id='x'>before</p><script>document.getElementById('x').textContent="
        "'after';</script><img src='nowhere.png' onerror=\"document.body.textContent="
        "'handler ran'\"><meta http-equiv='refresh' content='0;url=http://127.0.0.1:9/x'>")));
    const QUrl shown = f.pane->view()->page()->url();
    QCOMPARE(shown.scheme(), QLatin1String(PaneScheme::Name));
    f.settle();
    QCOMPARE(f.text(), QStringLiteral("before"));
    QCOMPARE(f.pane->view()->page()->url(), shown);
    QVERIFY(f.navigations.isEmpty());
}

void TestWebEnginePane::contentCannotLeaveTheDocument()
{
    PaneFixture f;
    QVERIFY(f.show(QStringLiteral(
        "<body>stays<form id='f' action='http://127.0.0.1:9/form'><input name='q'></form>"
        "<iframe src='http://127.0.0.1:9/frame'></iframe>")));
    const QUrl shown = f.pane->view()->page()->url();
    f.eval("document.getElementById('f').submit()");
    f.eval("location.href = 'http://127.0.0.1:9/elsewhere'");
    QVERIFY(waitUntil([&] { return !f.navigations.isEmpty(); }));
    f.settle();
    QCOMPARE(f.pane->view()->page()->url(), shown);
    QCOMPARE(f.text().trimmed(), QStringLiteral("stays"));
    // The engine files a scripted address change under link navigations: it takes the
    // path of a link that got past the click capture, reported once and refused.
    // The form submission is refused without a report.
    QCOMPARE(f.navigations.size(), 1);
    QCOMPARE(f.navigations[0].url, QStringLiteral("http://127.0.0.1:9/elsewhere"));
    QCOMPARE(f.navigations[0].flags, int(PagePane::HyperlinkFlag));
    // Nothing of a run is kept on disk.
    QVERIFY(f.pane->view()->page()->profile()->isOffTheRecord());
}

void TestWebEnginePane::defaultMarginsYieldToDocumentStyle()
{
    PaneFixture f;
    QCOMPARE(f.pane->box()->frameWidth(), WebEnginePane::BorderPixels);
    const QString margins = QStringLiteral(
        "(function(){var s=getComputedStyle(document.body);"
        "return [s.marginTop, s.marginRight, s.marginBottom, s.marginLeft].join(' ');})()");

    QVERIFY(f.show(QStringLiteral("<body background='images/2.jpg'>当前位置")));
    QCOMPARE(f.eval(margins).toString(), QStringLiteral("15px 10px 15px 10px"));

    QVERIFY(f.show(QStringLiteral("<body background='images/4.jpg'><style type='text/css'>"
                                  "body { margin: 0; padding: 0; }</style>grid")));
    QCOMPARE(f.eval(margins).toString(), QStringLiteral("0px 0px 0px 0px"));
}

void TestWebEnginePane::placedInTwipsInsideFrame()
{
    PaneFixture f;
    // The path pane's placement: larger than its frame, above and left of it.
    f.pane->setWidth(11595 + 600);
    f.pane->setHeight(435 + 200);
    f.pane->setTop(-300);
    f.pane->setLeft(-25);
    QCOMPARE(f.pane->box()->parentWidget(), f.frame);
    QCOMPARE(f.pane->box()->geometry(), Twips::rect(-25, -300, 11595 + 600, 435 + 200));
    QVERIFY(f.pane->box()->geometry().top() < 0);
    QCOMPARE(
        f.pane->view()->geometry(),
        f.pane->box()->rect().adjusted(WebEnginePane::BorderPixels, WebEnginePane::BorderPixels,
                                       -WebEnginePane::BorderPixels, -WebEnginePane::BorderPixels));
}

void TestWebEnginePane::writtenDocumentIsCompleteWhenLoaded_data()
{
    // html: %1 is the picture server; check: a script whose value is compared
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("expected");
    QTest::newRow("slow picture")
        << "<p>图</p><img src='%1/slow.png'>"
        << "document.images[0].complete + ' ' + document.images[0].naturalWidth"
        << "true 40";
    QTest::newRow("picture that fails late")
        << "<img src='%1/missing.png'><img src='%1/slow.png'>"
        << "document.images[0].complete + ' ' + document.images[1].naturalWidth"
        << "true 40";
    // A lazy picture out of sight loads only when scrolled to; it holds nothing up.
    QTest::newRow("lazy picture out of sight")
        << "<div style='height:9000px'>长</div><img loading='lazy' src='%1/slow.png'>"
        << "document.body.firstChild.textContent"
        << "长";
    // Style sheets come from the maker's host only; here, the picture server.
    QTest::newRow("slow style sheet") << "<link rel='stylesheet' href='%1/slow.css'><p>样式</p>"
                                      << "getComputedStyle(document.querySelector('p')).color"
                                      << "rgb(1, 2, 3)";
    QTest::newRow("doctype keeps standards mode") << "<!DOCTYPE html><p>标准</p>"
                                                  << "document.compatMode"
                                                  << "CSS1Compat";
    QTest::newRow("no doctype, quirks mode") << "<p>旧</p>"
                                             << "document.compatMode"
                                             << "BackCompat";
}

void TestWebEnginePane::writtenDocumentIsCompleteWhenLoaded()
{
    QFETCH(QString, html);
    QFETCH(QString, check);
    QFETCH(QString, expected);
    ScriptedServer pictures;
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    ScriptedServer::Response slow;
    slow.contentType = "image/png";
    slow.body = png.data();
    slow.delayMs = 1500;
    pictures.routeFixed(QStringLiteral("/slow.png"), slow);
    ScriptedServer::Response missing;
    missing.status = 404;
    missing.contentType = "text/plain";
    missing.delayMs = 1000;
    pictures.routeFixed(QStringLiteral("/missing.png"), missing);
    ScriptedServer::Response sheet;
    sheet.contentType = "text/css";
    sheet.body = "p { color: rgb(1, 2, 3) }";
    sheet.delayMs = 1500;
    pictures.routeFixed(QStringLiteral("/slow.css"), sheet);
    const Configuration before = Configuration::current();
    Configuration config = before;
    config.makerHost = pictures.hostPort();
    Configuration::install(config);
    const auto restore = qScopeGuard([&] { Configuration::install(before); });

    PaneFixture f;
    QSignalSpy complete(f.pane, &PagePane::DocumentComplete);
    QVERIFY(f.show(html.arg(QStringLiteral("http://") + pictures.hostPort())));
    // Checked as soon as the pane says it has loaded, before the pictures could
    // arrive had it said so early.
    QCOMPARE(f.eval(check).toString(), expected);
    QCOMPARE(complete.count(), 1);
}

void TestWebEnginePane::largeDocumentIsShown_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("utf8Bytes");
    QTest::newRow("3 MiB menu fragment")
        << QStringLiteral("<a href='http://[cid=%1][name=女装]'>女装 %1</a><br>")
        << 3 * 1024 * 1024;
    QTest::newRow("900 KiB of Chinese names")
        << QStringLiteral("<a href='http://[cid=%1][name=女装]'>女装连衣裙半身裙牛仔裤</a>")
        << 900 * 1024;
}

void TestWebEnginePane::largeDocumentIsShown()
{
    QFETCH(QString, row);
    QFETCH(int, utf8Bytes);
    PaneFixture f;
    QSignalSpy complete(f.pane, &PagePane::DocumentComplete);
    QString big = QStringLiteral("<body><style>body{margin:3px}</style><div id='head'>开始</div>");
    for (int i = 0; big.toUtf8().size() < utf8Bytes; ++i)
        big += row.arg(i);
    big += QStringLiteral("<div id='tail'>结束</div>");

    QVERIFY(f.show(big));
    QCOMPARE(complete.size(), 1);
    QCOMPARE(f.eval("document.getElementById('head').textContent").toString(),
             QStringLiteral("开始"));
    QCOMPARE(f.eval("document.getElementById('tail').textContent").toString(),
             QStringLiteral("结束"));
    QCOMPARE(f.eval("getComputedStyle(document.body).marginTop").toString(), QStringLiteral("3px"));

    // Links in it are captured like any other.
    f.eval("document.getElementById('tail').scrollIntoView()");
    f.navigations.clear();
    f.eval("document.querySelector('a').click()");
    QVERIFY(waitUntil([&] { return f.navigations.size() == 1; }));
    QCOMPARE(f.navigations[0].url, QStringLiteral("http://[cid=0][name=女装]"));
}

void TestWebEnginePane::requestFilter_data()
{
    using Info = QWebEngineUrlRequestInfo;
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");

    const QString maker = QStringLiteral("http://127.0.0.1:8780/");
    QTest::newRow("background image")
        << int(Info::ResourceTypeImage) << maker + "images/4.jpg" << true;
    QTest::newRow("item picture elsewhere")
        << int(Info::ResourceTypeImage) << "https://img.example.com/1.jpg" << true;
    QTest::newRow("inline picture")
        << int(Info::ResourceTypeImage) << "data:image/png;base64,AA" << true;
    QTest::newRow("picture from a file")
        << int(Info::ResourceTypeImage) << "file:///etc/x.png" << false;
    QTest::newRow("maker's style sheet")
        << int(Info::ResourceTypeStylesheet) << maker + "menu.css" << true;
    QTest::newRow("style sheet elsewhere")
        << int(Info::ResourceTypeStylesheet) << "http://127.0.0.1:9/menu.css" << false;
    QTest::newRow("font elsewhere")
        << int(Info::ResourceTypeFontResource) << "http://example.com/f.woff" << false;
    QTest::newRow("pane document")
        << int(Info::ResourceTypeMainFrame) << "kestrova-pane://panes/1/1" << true;
    QTest::newRow("document in a data: address")
        << int(Info::ResourceTypeMainFrame) << "data:text/html,x" << false;
    QTest::newRow("blank page") << int(Info::ResourceTypeMainFrame) << "about:blank" << true;
    QTest::newRow("page elsewhere")
        << int(Info::ResourceTypeMainFrame) << maker + "x.html" << false;
    QTest::newRow("frame") << int(Info::ResourceTypeSubFrame) << maker + "f.html" << false;
    QTest::newRow("script") << int(Info::ResourceTypeScript) << maker + "a.js" << false;
    QTest::newRow("object") << int(Info::ResourceTypeObject) << maker + "o" << false;
    QTest::newRow("media") << int(Info::ResourceTypeMedia) << maker + "v.mp4" << false;
    QTest::newRow("prefetch") << int(Info::ResourceTypePrefetch) << maker + "p" << false;
    QTest::newRow("ping") << int(Info::ResourceTypePing) << maker + "p" << false;
    QTest::newRow("favicon") << int(Info::ResourceTypeFavicon) << maker + "favicon.ico" << false;
    QTest::newRow("unknown") << int(Info::ResourceTypeUnknown) << maker + "u" << false;
}

void TestWebEnginePane::requestFilter()
{
    QFETCH(int, type);
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(PaneRequestFilter::allows(QWebEngineUrlRequestInfo::ResourceType(type), QUrl(url),
                                       QStringLiteral("127.0.0.1:8780")),
             allowed);
}

int main(int argc, char **argv)
{
    prepareHeadlessEngine();
    PaneScheme::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestWebEnginePane test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webenginepane.moc"
