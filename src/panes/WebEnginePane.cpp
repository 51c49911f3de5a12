#include "WebEnginePane.h"

#include "PaneLinkBridge.h"
#include "PaneLockdown.h"
#include "PanePage.h"
#include "PaneScripts.h"
#include "platform/Twips.h"

#include "requests/Configuration.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFrame>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineHistory>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// The doctype a document starts with, if any: the skeleton carries it, so the
// text is laid out in the mode it asks for.
QString leadingDoctype(const QString &html)
{
    static const QRegularExpression doctype(QStringLiteral("^\\s*(<!doctype[^>]*>)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return doctype.match(html).captured(1);
}

// The program navigates to "about: blank", with a blank.
bool isBlankAddress(const QString &url)
{
    QString compact = url;
    compact.remove(QLatin1Char(' '));
    return compact.compare(QLatin1String("about:blank"), Qt::CaseInsensitive) == 0;
}

QUrl documentBase()
{
    return QUrl(Configuration::current().makerUrl(QString()));
}

} // namespace

WebEnginePane::WebEnginePane(QWidget *frame, QObject *parent) : PagePane(parent ? parent : frame)
{
    m_box = new QFrame(frame);
    m_box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_box->setLineWidth(BorderPixels);
    auto *layout = new QVBoxLayout(m_box);
    layout->setContentsMargins(0, 0, 0, 0);

    m_view = new QWebEngineView(m_box);
    m_view->setContextMenuPolicy(Qt::NoContextMenu); // no Back, Reload or Open in it
    m_view->setAcceptDrops(false);                   // a dropped address would load
    layout->addWidget(m_view);

    m_page = new PanePage(m_view);
    m_page->onLinkNavigation = [this](const QString &url) { raiseLinkClick(url); };
    QWebEngineSettings *settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    // No favicon requests to the maker's host: the panes have no tab to show one in.
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    PaneLockdown::apply(m_page, Configuration::current().makerHost);

    m_bridge = new PaneLinkBridge(this);
    connect(m_bridge, &PaneLinkBridge::clicked, this, &WebEnginePane::raiseLinkClick);
    // Queued: the channel answers the report before the program writes the next document.
    connect(m_bridge, &PaneLinkBridge::loaded, this, &WebEnginePane::onDocumentLoaded,
            Qt::QueuedConnection);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QString::fromLatin1(PaneScripts::BridgeName), m_bridge);
    m_page->setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);

    QWebEngineScript capture;
    capture.setName(QStringLiteral("pane-capture"));
    capture.setSourceCode(PaneScripts::documentCreation());
    capture.setInjectionPoint(QWebEngineScript::DocumentCreation);
    capture.setWorldId(QWebEngineScript::ApplicationWorld);
    capture.setRunsOnSubFrames(false);
    m_page->scripts().insert(capture);

    m_view->setPage(m_page);
    connect(m_page, &QWebEnginePage::loadStarted, this, [this] { m_navigationStarted = true; });
    connect(m_page, &QWebEnginePage::loadFinished, this, &WebEnginePane::onLoadFinished);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, &WebEnginePane::onRendererGone);

    m_writtenPoll.setInterval(WrittenPollMs);
    connect(&m_writtenPoll, &QTimer::timeout, this, &WebEnginePane::pollWritten);

    m_box->show();
}

WebEnginePane::~WebEnginePane()
{
    // The view goes with the box; the page must not outlive the channel it uses.
    delete m_box.data();
}

void WebEnginePane::Navigate(const QString &url)
{
    bool cancel = false;
    emit BeforeNavigate2(url, 0, &cancel);
    if (cancel)
        return;
    m_content.clear();
    m_restoring = false;
    m_bodyScroll.clear();
    m_navigated = isBlankAddress(url) ? QUrl(QStringLiteral("about:blank")) : QUrl(url);
    startNavigation();
}

void WebEnginePane::startNavigation()
{
    ++m_serial;
    m_loading = true;
    m_replacing = false;
    m_writtenPoll.stop();
    m_navigationStarted = false;
    m_page->expectOwnLoad(m_navigated);
    m_page->load(m_navigated);
}

void WebEnginePane::open()
{
    m_content.clear();
}

void WebEnginePane::write(const QString &html)
{
    // Callers write the whole document at once after open(); a further write adds to it.
    m_content += html;
    show(m_content);
}

void WebEnginePane::Refresh()
{
    // The written document is what the pane shows; there is nothing to reload.
}

void WebEnginePane::setBodyScroll(const QString &value)
{
    m_bodyScroll = value;
    m_page->runJavaScript(PaneScripts::bodyScroll(value), QWebEngineScript::ApplicationWorld);
}

void WebEnginePane::setWidth(double twips)
{
    m_width = twips;
    place();
}

void WebEnginePane::setHeight(double twips)
{
    m_height = twips;
    place();
}

void WebEnginePane::setTop(double twips)
{
    m_top = twips;
    place();
}

void WebEnginePane::setLeft(double twips)
{
    m_left = twips;
    place();
}

QWidget *WebEnginePane::noticeHost() const
{
    return m_box;
}

void WebEnginePane::place()
{
    if (m_box)
        m_box->setGeometry(Twips::rect(m_left, m_top, m_width, m_height));
}

void WebEnginePane::show(const QString &html)
{
    m_restoring = false;
    m_bodyScroll.clear();
    m_navigated.clear();
    startWrite(html);
}

void WebEnginePane::startWrite(const QString &html)
{
    // Only a skeleton is loaded, its text put in by script once it has loaded:
    // the engine keeps every data: address a page was ever given for as long as
    // the process lives, so the text never goes into one. Each skeleton is
    // marked with a comment of its own, so that the pane knows which write has
    // loaded: the engine reports loads late, merges loads that follow each other
    // quickly, and reports the end of a replaced load as if it were the newest one's.
    ++m_serial;
    m_loading = true;
    m_replacing = false;
    m_writtenPoll.stop();
    const QString mark = QStringLiteral("<!--%1-->").arg(PaneScripts::documentMark(m_serial));
    m_page->setHtml(leadingDoctype(html) + mark, documentBase());
}

void WebEnginePane::onDocumentLoaded(const QString &mark)
{
    if (!m_loading || !m_navigated.isEmpty())
        return;
    if (m_replacing) {
        if (mark == PaneScripts::writtenDocumentMark(m_serial))
            finishWrite();
        return; // otherwise the skeleton reported twice; the text is on its way in
    }
    if (mark != PaneScripts::documentMark(m_serial))
        return; // a document that a newer one replaces
    m_replacing = true;
    QPointer<WebEnginePane> self(this);
    const quint64 serial = m_serial;
    m_page->runJavaScript(
        PaneScripts::replaceDocument(m_content, PaneScripts::writtenDocumentMark(serial)),
        QWebEngineScript::ApplicationWorld, [self, serial](const QVariant &settled) {
            if (!self || self->m_serial != serial || !self->m_replacing)
                return;
            if (settled.toBool())
                self->finishWrite();
            else
                self->m_writtenPoll.start(); // the report may go missing
        });
}

void WebEnginePane::pollWritten()
{
    if (!m_replacing) {
        m_writtenPoll.stop();
        return;
    }
    QPointer<WebEnginePane> self(this);
    m_page->runJavaScript(PaneScripts::writtenMark(), QWebEngineScript::ApplicationWorld,
                          [self](const QVariant &mark) {
                              if (self && !mark.toString().isEmpty())
                                  self->onDocumentLoaded(mark.toString());
                          });
}

void WebEnginePane::finishWrite()
{
    m_replacing = false;
    m_writtenPoll.stop();
    finishLoad(true);
}

void WebEnginePane::onLoadFinished(bool ok)
{
    // Nothing goes back in a pane: kept, every document written would stay in the
    // browser process as a data: address for as long as the pane lives.
    m_page->history()->clear();
    if (m_loading && m_navigated.isEmpty()) {
        ensureCaptureScript();
        return;
    }
    // Only Navigate()'s loads end here; the capture script reports written
    // documents. An end that comes before this load's start, or while the
    // engine is loading again, is a replaced load's.
    if (!m_loading || !m_navigationStarted || m_page->isLoading())
        return;
    finishLoad(ok);
}

void WebEnginePane::ensureCaptureScript()
{
    // A renderer started after another died does not always get the page's
    // scripts; the script does nothing where it already runs. The mark comes back
    // here as well: under load the capture script's report over the channel can
    // go missing, and the pane would stay loading.
    QPointer<WebEnginePane> self(this);
    m_page->runJavaScript(PaneScripts::loadedMark(), QWebEngineScript::ApplicationWorld,
                          [self](const QVariant &mark) {
                              if (self && !mark.toString().isEmpty())
                                  self->onDocumentLoaded(mark.toString());
                          });
}

void WebEnginePane::finishLoad(bool ok)
{
    m_loading = false;
    m_page->history()->clear(); // the capture script may report before the engine ends the load
    if (m_restoring) {
        finishRestore();
        return;
    }
    if (ok)
        emit DocumentComplete();
}

void WebEnginePane::onRendererGone(QWebEnginePage::RenderProcessTerminationStatus status)
{
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    // After the engine has finished with the dead process.
    QTimer::singleShot(0, this, &WebEnginePane::restoreDocument);
}

void WebEnginePane::restoreDocument()
{
    // A document that takes its renderer down each time is not shown again and again.
    if (!m_lastRestore.isValid() || m_lastRestore.elapsed() > RestoreWindowMs)
        m_restoresInWindow = 0;
    if (m_restoresInWindow >= MaxRestoresInWindow) {
        qWarning("pane renderer died %d times in a row; the pane stays empty",
                 m_restoresInWindow + 1);
        return;
    }
    ++m_restoresInWindow;
    m_lastRestore.start();
    // The same document again, with nothing reported: the program never knew it
    // was gone. A document still loading is reported when it has loaded.
    m_restoring = !m_loading;
    if (m_navigated.isEmpty())
        startWrite(m_content);
    else
        startNavigation();
}

void WebEnginePane::finishRestore()
{
    m_restoring = false;
    if (!m_bodyScroll.isEmpty())
        m_page->runJavaScript(PaneScripts::bodyScroll(m_bodyScroll),
                              QWebEngineScript::ApplicationWorld);
}

void WebEnginePane::raiseLinkClick(const QString &url)
{
    bool cancel = false;
    emit BeforeNavigate2(url, HyperlinkFlag, &cancel);
    // The page stays either way: a click never leaves the written document.
}

bool WebEnginePane::waitForDocument(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (m_loading && waited.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !m_loading;
}

QString WebEnginePane::toPlainText(int timeoutMs)
{
    QString text;
    bool done = false;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    m_page->toPlainText([&, guard = QPointer<QEventLoop>(&loop)](const QString &result) {
        if (!guard)
            return;
        text = result;
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
    return text;
}

QVariant WebEnginePane::evaluate(const QString &script, int timeoutMs)
{
    QVariant value;
    bool done = false;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [&, guard = QPointer<QEventLoop>(&loop)](const QVariant &result) {
                              if (!guard)
                                  return;
                              value = result;
                              done = true;
                              loop.quit();
                          });
    if (!done)
        loop.exec();
    return value;
}
