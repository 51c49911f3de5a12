#include "WebEnginePane.h"

#include "PaneDocuments.h"
#include "PaneEngine.h"
#include "PaneLinkBridge.h"
#include "PanePage.h"
#include "PaneScheme.h"
#include "PaneScripts.h"
#include "platform/Twips.h"

#include "requests/Configuration.h"

#include <QFrame>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace {

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
    m_documents = PaneEngine::documents();
    m_id = m_documents->addPane();

    m_bridge = new PaneLinkBridge(this);
    connect(m_bridge, &PaneLinkBridge::clicked, this, &WebEnginePane::raiseLinkClick);
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
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEnginePane::onLoadingChanged);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, &WebEnginePane::onRendererGone);

    m_box->show();
}

WebEnginePane::~WebEnginePane()
{
    if (m_documents)
        m_documents->removePane(m_id);
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
    m_bodyScroll.clear();
    load(isBlankAddress(url) ? QUrl(QStringLiteral("about:blank")) : QUrl(url), State::Loading);
}

void WebEnginePane::open()
{
    m_content.clear();
}

void WebEnginePane::write(const QString &html)
{
    // Callers write the whole document at once after open(); a further write adds to it.
    m_content += html;
    m_bodyScroll.clear();
    if (m_documents)
        load(m_documents->store(m_id, m_content, documentBase()), State::Loading);
}

void WebEnginePane::Refresh()
{
    // A document still loading is the one a reload would show.
    if (m_state == State::Shown && !m_url.isEmpty())
        load(m_url, State::Reloading);
}

void WebEnginePane::setBodyScroll(const QString &value)
{
    m_bodyScroll = value;
    applyBodyScroll();
}

void WebEnginePane::applyBodyScroll()
{
    if (!m_bodyScroll.isEmpty())
        m_page->runJavaScript(PaneScripts::call(QStringLiteral("bodyscroll.js"), {m_bodyScroll}),
                              QWebEngineScript::ApplicationWorld);
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

void WebEnginePane::load(const QUrl &url, State state)
{
    m_url = url;
    m_state = state;
    m_reloads = 0;
    m_page->loadOwn(url);
}

void WebEnginePane::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    // The engine may report loads that follow each other quickly as one, under
    // the first one's address: the newest document has loaded once the page
    // shows its address and loads nothing more. A reload of the same address
    // starts only once its document has loaded.
    if (m_state == State::Shown || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    if (info.url() != m_url && (m_page->url() != m_url || m_page->isLoading())) {
        // The engine stopped on another document: a navigation the one before
        // started (a refresh, refused) took the place of this load.
        if (!m_page->isLoading() && m_page->url() != m_url && m_reloads < MaxReloads) {
            ++m_reloads;
            m_page->loadOwn(m_url);
        }
        return;
    }
    const State ended = m_state;
    m_state = State::Shown;
    // Nothing goes back in a pane.
    m_page->history()->clear();
    if (m_restored) {
        m_restored = false;
        m_page->setVisible(m_view->isVisible());
        ensureCapture();
    }
    if (ended == State::Reloading)
        applyBodyScroll();
    else if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
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
    if (m_url.isEmpty())
        return;
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
    // was gone. A document still loading is reported when it has loaded; it gets
    // an address of its own, so the end of the load that died is not taken for it.
    m_restored = true;
    // Nothing of the pane shows until the document is back: loaded hidden, it is
    // laid out once when shown instead of again with every piece that arrives.
    m_page->setVisible(false);
    if (m_state == State::Shown)
        load(m_url, State::Reloading);
    else if (m_url.scheme() == QLatin1String(PaneScheme::Name) && m_documents)
        load(m_documents->store(m_id, m_content, documentBase()), m_state);
    else
        load(m_url, m_state);
}

void WebEnginePane::ensureCapture()
{
    // A renderer started after another died does not always get the page's
    // scripts; the capture goes in where it is missing.
    QPointer<WebEnginePane> self(this);
    m_page->runJavaScript(PaneScripts::call(QStringLiteral("captured.js"), {}),
                          QWebEngineScript::ApplicationWorld, [self](const QVariant &present) {
                              if (self && !present.toBool())
                                  self->m_page->runJavaScript(PaneScripts::documentCreation(),
                                                              QWebEngineScript::ApplicationWorld);
                          });
}

void WebEnginePane::raiseLinkClick(const QString &url)
{
    bool cancel = false;
    emit BeforeNavigate2(url, HyperlinkFlag, &cancel);
    // The page stays either way: a click never leaves the written document.
}
