// Markup from the network cannot run, reach out or leave the panes. The main
// window with its four real panes loads from a marketplace of the test's own whose
// menu fragment, category names and item titles carry scripts, handlers, a
// refresh, frames, objects, a form and links that would each ask a marker server
// of the test's own for something if they acted. The marker server must hear
// nothing, every pane must keep its written document, and no click may navigate
// a pane or open a window.
#include "support/HeadlessEngine.h"
#include "support/ProcessMemory.h"
#include "support/ScriptedServer.h"
#include "support/TestConfiguration.h"
#include "support/TestDoubles.h"
#include "support/WaitUntil.h"
#include "support/pane/PaneInspect.h"

#include "app/Form1.h"
#include "catalog/CategorySelection.h"
#include "panes/PaneScheme.h"
#include "panes/WebEnginePane.h"
#include "requests/Configuration.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

namespace {

// Every piece that would act, in lower case (path names are read back that way) and
// without "'" or "]" (names travel inside pseudo-links). where names the pane.
QString hostilePieces(const QString &marker, const QString &where)
{
    const QString m = marker + QLatin1Char('/') + where + QLatin1Char('/');
    return QStringLiteral(
               "<a href=\"kestrova-pane://panes/1/1\" id=\"own-%2\">pane address</a> "
               "<script>fetch(`%1script`);document.title=`ran`</script>"
               "<script src=\"%1script-src\"></script>"
               "<img src=\"nowhere.png\" onerror=\"fetch(`%1onerror`);document.title=`ran`\">"
               "<meta http-equiv=\"refresh\" content=\"0;url=%1refresh\">"
               "<iframe src=\"%1iframe\"></iframe>"
               "<object data=\"%1object\" type=\"text/html\"></object>"
               "<embed src=\"%1embed\">"
               "<link rel=\"stylesheet\" href=\"%1style\">"
               "<link rel=\"prefetch\" href=\"%1prefetch\">"
               "<video src=\"%1video\"></video>"
               "<form action=\"%1form\" method=\"get\"><input name=\"q\" value=\"1\">"
               "<input type=\"submit\" id=\"submit-%2\" value=\"submit\"></form>"
               "<a href=\"%1blank\" target=\"_blank\" ping=\"%1ping\" id=\"blank-%2\">"
               "new window</a> "
               "<a href=\"javascript:fetch(`%1js`)\" id=\"js-%2\">script link</a> "

               "<span id=\"kept-%2\">kept</span>")
        .arg(m, where);
}

QByteArray xmlText(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray pictureBytes()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(250, 240, 230));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

ScriptedServer::Response answer(const QByteArray &contentType, const QByteArray &body)
{
    ScriptedServer::Response r;
    r.contentType = contentType;
    r.body = body;
    return r;
}

// The pane shows the document last written into it; anything else would be a navigation.
bool isOwnDocument(WebEnginePane *pane)
{
    // Its address names the pane first, then the write.
    const QUrl shown = pane->view()->page()->url();
    return shown.scheme() == QLatin1String(PaneScheme::Name) &&
           shown.path().section(QLatin1Char('/'), 1, 1) ==
               pane->documentUrl().path().section(QLatin1Char('/'), 1, 1);
}

// Windows on screen. The engine keeps hidden widgets of its own for the views it
// prepares for a navigation; none of them is a window.
int shownWindows()
{
    int shown = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        shown += w->isVisible();
    return shown;
}

// A round trip to the renderer: whatever the page had queued before has run.
void settle(WebEnginePane *pane)
{
    PaneInspect::evaluate(pane, QStringLiteral("1"));
    PaneInspect::evaluate(pane, QStringLiteral("1"));
}

struct Notification
{
    QString url;
    int flags;
};

} // namespace

Q_DECLARE_METATYPE(ScriptedServer::Response)

class TestHostileContent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void writtenContentStaysInert_data();
    void writtenContentStaysInert();
    void picturesStillLoad();
    void clicksStayInThePane_data();
    void clicksStayInThePane();
    void failedAnswersShowInThePanes_data();
    void failedAnswersShowInThePanes();

private:
    WebEnginePane *pane(int number) const;
    // Writes the hostile path, children and grid again, through the child pane's handler.
    void selectHostileCategory();
    bool waitForPanes();
    // number: the pane's place, whose notifications show that a click arrived.
    bool clickElement(int number, const QString &id);
    QStringList markerHits() const;

    ScriptedServer m_market;
    ScriptedServer m_marker;
    FakeNetworkState m_network;
    RecordingBrowserLauncher m_browser;
    QStringList m_messages;
    QList<Notification> m_notifications[5];
    Form1 *m_form = nullptr;
    int m_windowsAtStart = 0;
};

WebEnginePane *TestHostileContent::pane(int number) const
{
    const Form1Controls &ui = m_form->context().ui;
    PagePane *panes[] = {nullptr, ui.WebBrowser1, ui.WebBrowser2, ui.WebBrowser3, ui.WebBrowser4};
    return static_cast<WebEnginePane *>(panes[number]);
}

void TestHostileContent::initTestCase()
{
    const QString marker = QStringLiteral("http://") + m_marker.hostPort();
    QString filler;
    while (filler.size() < 120)
        filler += QStringLiteral("热门分类 ");
    const QString menu = QStringLiteral("<p>") + filler +
                         QStringLiteral("</p><a href='http://[cid=16][name=女装]'>女装</a><br>") +
                         hostilePieces(marker, QStringLiteral("menu"));
    m_market.routeFixed("/", answer("text/html; charset=utf-8", "<p>百度</p>"));
    m_market.routeFixed("/Excel/Menu.rar", answer("text/html; charset=utf-8", menu.toUtf8()));
    m_market.routeFixed(
        "/router/rest",
        answer("text/xml; charset=utf-8",
               "<rsp><item_cat><cid>50010850</cid><parent_cid>16</parent_cid><name>" +
                   xmlText(hostilePieces(marker, QStringLiteral("children"))) +
                   "</name></item_cat></rsp>"));
    m_market.routeFixed("/rpc/searchAuctionByRpc.do",
                        answer("text/xml; charset=utf-8",
                               "<rsp><PTOTAL>1</PTOTAL><PRESULTS><ITEM><TITLE>" +
                                   xmlText(hostilePieces(marker, QStringLiteral("grid"))) +
                                   "</TITLE><RESOURCEPATH>" + m_market.url("/pic/1.jpg").toUtf8() +
                                   "</RESOURCEPATH><PRICE>1999</PRICE><ORIOBJID>1</ORIOBJID>"
                                   "<TOTALACTION>3</TOTALACTION><CONTACT>shop</CONTACT>"
                                   "<MEMBERID>m1</MEMBERID></ITEM></PRESULTS></rsp>"));
    const ScriptedServer::Response picture = answer("image/png", pictureBytes());
    for (const char *path :
         {"/pic/1.jpg", "/images/1.jpg", "/images/2.jpg", "/images/3.jpg", "/images/4.jpg"})
        m_market.routeFixed(QString::fromLatin1(path), picture);
    TestConfiguration::installOneHost(m_market.hostPort(), m_market.url(QStringLiteral("/")));

    Form1Options options;
    options.network = &m_network;
    options.browser = &m_browser;
    options.messageBox = [this](const QString &, const QString &text) { m_messages.append(text); };
    m_form = new Form1(options);
    m_form->Show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    for (int i = 1; i <= 4; ++i) {
        connect(pane(i), &PagePane::BeforeNavigate2, this,
                [this, i](const QString &url, int flags, bool *) {
                    m_notifications[i].append({url, flags});
                });
    }
    QCOMPARE(m_form->context().state.OnlineCount, 1);
    selectHostileCategory();
    QVERIFY(waitForPanes());
    // Every pane has loaded with all it holds; a refresh of 0 s, frames, objects
    // and handlers would have acted by the time each renderer answers.
    for (int i = 1; i <= 4; ++i)
        settle(pane(i));
    m_windowsAtStart = shownWindows();
}

void TestHostileContent::cleanupTestCase()
{
    delete m_form;
}

void TestHostileContent::selectHostileCategory()
{
    const QString marker = QStringLiteral("http://") + m_marker.hostPort();
    bool cancel = false;
    // From the top: a click may have left a path that the child's parent is not on.
    WebBrowser3_BeforeNavigate2(m_form->context(), QStringLiteral("http://[cid=16][name=女装]"),
                                PagePane::HyperlinkFlag, cancel);
    WebBrowser3_BeforeNavigate2(m_form->context(),
                                QStringLiteral("http://[p_cid=16][cid=50010850][name=") +
                                    hostilePieces(marker, QStringLiteral("path")) +
                                    QLatin1Char(']'),
                                PagePane::HyperlinkFlag, cancel);
}

bool TestHostileContent::waitForPanes()
{
    for (int i = 1; i <= 4; ++i) {
        if (!PaneInspect::waitForDocument(pane(i))) {
            // Which document the pane shows, for a failure on a busy machine.
            const QString shown =
                PaneInspect::evaluate(
                    pane(i), QStringLiteral("document.readyState + ' ' + "
                                            "(document.firstChild && document.firstChild.data)"))
                    .toString();
            qWarning("pane %d still loading; it shows: %s", i, qPrintable(shown));
            return false;
        }
    }
    return true;
}

QStringList TestHostileContent::markerHits() const
{
    QStringList hits;
    for (const ScriptedServer::Request &request : m_marker.requests())
        hits.append(QString::fromUtf8(request.target));
    return hits;
}

bool TestHostileContent::clickElement(int number, const QString &id)
{
    WebEnginePane *pane = this->pane(number);
    const qsizetype notified = m_notifications[number].size();
    // A real mouse click at the element's centre. The engine drops input that comes
    // before a new page has painted, and documents written in quick succession may
    // still be replacing each other: each attempt finds the element afresh.
    const QString locate =
        QStringLiteral("(function(){var e=document.getElementById('%1');"
                       "if(!e)return [];e.scrollIntoView({block:'center'});"
                       "var r=e.getBoundingClientRect();"
                       "window.testPresses=0;"
                       "window.addEventListener('mousedown',function(){++testPresses;},true);"
                       "return [r.left+r.width/2, r.top+r.height/2];})()")
            .arg(id);
    QElapsedTimer trying;
    trying.start();
    while (trying.elapsed() < 30000) {
        const QVariantList r = PaneInspect::evaluate(pane, locate).toList();
        // The widget that takes the view's input may change with a new document.
        QWidget *input = pane->view()->focusProxy();
        if (r.size() != 2 || !input) {
            waitUntil([pane] { return !pane->isLoading(); }, 250);
            continue;
        }
        QTest::mouseClick(input, Qt::LeftButton, Qt::NoModifier,
                          QPoint(qRound(r[0].toDouble()), qRound(r[1].toDouble())));
        // A link in the path or child pane has the program write new documents there,
        // which drop the press count: its notification shows the click arrived. A
        // second click sent then would land on the new documents, perhaps after the row.
        if (waitUntil(
                [&] {
                    return m_notifications[number].size() > notified ||
                           PaneInspect::evaluate(pane, QStringLiteral("window.testPresses"))
                                   .toInt() > 0;
                },
                3000))
            return true;
    }
    return false;
}

void TestHostileContent::writtenContentStaysInert_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("where");
    QTest::newRow("menu fragment") << 1 << "menu";
    QTest::newRow("name in the path") << 2 << "path";
    QTest::newRow("name in the child list") << 3 << "children";
    QTest::newRow("title in the grid") << 4 << "grid";
}

void TestHostileContent::writtenContentStaysInert()
{
    QFETCH(int, number);
    QFETCH(QString, where);
    WebEnginePane *p = pane(number);

    QVERIFY2(markerHits().isEmpty(), qPrintable(markerHits().join(QLatin1Char(' '))));
    // Still the written document, on the maker's base, unchanged by any of its pieces.
    QVERIFY(p->content().contains(QStringLiteral("id=\"kept-") + where));
    QVERIFY(isOwnDocument(p));
    QCOMPARE(PaneInspect::evaluate(
                 p, QStringLiteral("document.getElementById('kept-%1') !== null").arg(where))
                 .toBool(),
             true);
    QCOMPARE(PaneInspect::evaluate(p, QStringLiteral("document.title")).toString(), QString());
    QVERIFY(PaneInspect::toPlainText(p).contains(QStringLiteral("kept")));
    QCOMPARE(shownWindows(), m_windowsAtStart);
    QVERIFY(m_browser.opened.isEmpty());
}

void TestHostileContent::picturesStillLoad()
{
    // The grid's picture and every pane's background came from the maker's and picture hosts.
    QVERIFY(m_market.requestCount(QStringLiteral("/pic/1.jpg")) >= 1);
    for (int i = 1; i <= 4; ++i)
        QVERIFY2(m_market.requestCount(QStringLiteral("/images/%1.jpg").arg(i)) >= 1,
                 qPrintable(QString::number(i)));
    QVERIFY(waitUntil([this] {
        return PaneInspect::evaluate(pane(4), QStringLiteral("document.querySelector("
                                                             "'img[width=\"160\"]').naturalWidth"))
                   .toInt() > 0;
    }));
}

void TestHostileContent::clicksStayInThePane_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("href"); // the notification a link click raises; none for a button

    const QString m = QStringLiteral("http://") + m_marker.hostPort() + QLatin1Char('/');
    const QList<std::pair<int, QString>> panes = {
        {4, QStringLiteral("grid")},
        {2, QStringLiteral("path")},
        {3, QStringLiteral("children")},
        {1, QStringLiteral("menu")},
    };
    for (const auto &[number, where] : panes) {
        const QByteArray w = where.toLatin1();
        QTest::addRow("%s: link to a new window", w.constData())
            << number << QStringLiteral("blank-") + where << m + where + QStringLiteral("/blank");
        QTest::addRow("%s: script link", w.constData())
            << number << QStringLiteral("js-") + where
            << QStringLiteral("javascript:fetch(`") + m + where + QStringLiteral("/js`)");
        QTest::addRow("%s: link to a pane address", w.constData())
            << number << QStringLiteral("own-") + where
            << QStringLiteral("kestrova-pane://panes/1/1");
        QTest::addRow("%s: submit button", w.constData())
            << number << QStringLiteral("submit-") + where << QString();
    }
}

void TestHostileContent::clicksStayInThePane()
{
    QFETCH(int, number);
    QFETCH(QString, id);
    QFETCH(QString, href);

    // The handlers of earlier clicks may have written the program's own documents.
    if (number != 1)
        selectHostileCategory();
    QVERIFY(waitForPanes());
    WebEnginePane *p = pane(number);
    m_notifications[number].clear();
    const int opened = m_browser.opened.size();

    QVERIFY2(clickElement(number, id),
             qPrintable(QStringLiteral("no real mouse click reached #%1 in pane %2 within 30 s")
                            .arg(id)
                            .arg(number)));
    if (!href.isNull())
        QVERIFY(waitUntil([&] { return !m_notifications[number].isEmpty(); }));
    settle(p);

    QVERIFY2(markerHits().isEmpty(), qPrintable(markerHits().join(QLatin1Char(' '))));
    if (href.isNull()) {
        // A button inside one of the program's own links counts as a click on that link.
        for (const Notification &n : std::as_const(m_notifications[number]))
            QVERIFY2(n.url.startsWith(QStringLiteral("http://[")), qPrintable(n.url));
    } else {
        QCOMPARE(m_notifications[number].size(), 1);
        QCOMPARE(m_notifications[number][0].url, href);
        QCOMPARE(m_notifications[number][0].flags, int(PagePane::HyperlinkFlag));
    }
    QVERIFY(isOwnDocument(p));
    QCOMPARE(PaneInspect::evaluate(p, QStringLiteral("document.title")).toString(), QString());
    QCOMPARE(shownWindows(), m_windowsAtStart);
    QCOMPARE(m_browser.opened.size(), opened);
    if (number == 1 || number == 4) {
        // Their handlers write nothing for these links: the document is the one written.
        QCOMPARE(PaneInspect::evaluate(
                     p, QStringLiteral("document.getElementById('%1') !== null").arg(id))
                     .toBool(),
                 true);
    }
}

void TestHostileContent::failedAnswersShowInThePanes_data()
{
    using Answer = ScriptedServer::Response;
    QTest::addColumn<ScriptedServer::Response>("answer");
    Answer broken;
    broken.body = "<rsp><PTOTAL>45</PTAL><item_cat><cid>17</cid></rsp>";
    QTest::newRow("broken XML") << broken;
    Answer flood;
    flood.kind = Answer::Flood;
    flood.framing = Answer::Chunked;
    flood.floodBytes = 100 * 1000 * 1000;
    flood.body = "<rsp><PTOTAL>45</PTOTAL><item_cat><cid>";
    QTest::newRow("100 MB chunked") << flood;
    Answer reset;
    reset.kind = Answer::Reset;
    QTest::newRow("reset connection") << reset;
    Answer error = broken;
    error.status = 500;
    error.body =
        "<rsp><PTOTAL>45</PTOTAL><item_cat><cid>17</cid><name>男装</name></item_cat></rsp>";
    QTest::newRow("HTTP 500") << error;
}

void TestHostileContent::failedAnswersShowInThePanes()
{
    QFETCH(ScriptedServer::Response, answer);

    // The gateway and the search service misbehave; the maker's host keeps its pictures.
    ScriptedServer hostile;
    hostile.routeFixed("/router/rest", answer);
    hostile.routeFixed("/rpc/searchAuctionByRpc.do", answer);
    const Configuration before = Configuration::current();
    Configuration config = before;
    config.gatewayHost = config.affiliateHost = hostile.hostPort();
    Configuration::install(config);
    Form1Context &ctx = m_form->context();

    const bool peakReset = ProcessMemory::resetPeak();
    const qint64 rss = ProcessMemory::residentKiB();
    QElapsedTimer clock;
    clock.start();
    bool cancel = false;
    WebBrowser3_BeforeNavigate2(ctx, QStringLiteral("http://[cid=16][name=女装]"),
                                PagePane::HyperlinkFlag, cancel);
    const qint64 elapsed = clock.elapsed();
    const qint64 growth =
        (peakReset ? ProcessMemory::peakResidentKiB() : ProcessMemory::residentKiB()) - rss;
    Configuration::install(before);
    qInfo("selection returned after %lld ms, %d requests, resident memory +%lld KiB", elapsed,
          hostile.requestCount(), growth);

    QVERIFY(waitForPanes());
    // What failed requests show: no children, an empty grid, a count of 0, no pages.
    QCOMPARE(PaneInspect::toPlainText(pane(3)).trimmed(), QStringLiteral("该类目下无子类"));
    QCOMPARE(PaneInspect::toPlainText(pane(4)).trimmed(), QString());
    QCOMPARE(PaneInspect::toPlainText(pane(2)).trimmed(), QStringLiteral("女装>>"));
    QCOMPARE(ctx.ui.LB_Total2->text(), QStringLiteral("找到符合条件的商品【共0个】"));
    QCOMPARE(ctx.ui.CB_page->count(), 0);
    QVERIFY(hostile.requestCount() >= 5);
    QVERIFY(markerHits().isEmpty());
    QCOMPARE(m_browser.opened.size(), 0);
}

int main(int argc, char **argv)
{
    prepareHeadlessEngine();
    PaneScheme::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestHostileContent test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostile_content.moc"
