#include "WebEnginePane.h"

#include "PaneLinkBridge.h"
#include "PaneLockdown.h"
#include "PanePage.h"
#include "PaneScripts.h"
#include "Twips.h"

#include "requests/Configuration.h"

#include <QEventLoop>
#include <QFrame>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineHistory>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// setHtml() goes through a data: address, which Chromium caps at 2 MiB; its
// text travels base64-encoded UTF-8.
constexpr qsizetype MaxDataUrlChars = 2 * 1024 * 1024;
constexpr qsizetype DataUrlOverhead = 64;

bool fitsSetHtml(const QByteArray &utf8)
{
    return (utf8.size() + 2) / 3 * 4 + DataUrlOverhead < MaxDataUrlChars;
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
    connect(m_page, &QWebEnginePage::loadStarted, this, [this] { m_loading = true; });
    connect(m_page, &QWebEnginePage::loadFinished, this, &WebEnginePane::onLoadFinished);

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
    m_replaceAfterLoad = false;
    const QUrl target = isBlankAddress(url) ? QUrl(QStringLiteral("about:blank")) : QUrl(url);
    m_page->expectOwnLoad(target);
    m_loading = true;
    m_page->load(target);
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
    const QByteArray utf8 = html.toUtf8();
    m_loading = true;
    if (fitsSetHtml(utf8)) {
        m_replaceAfterLoad = false;
        m_page->setHtml(html, documentBase());
    } else {
        // Too large for a data: address: load an empty document on the same base,
        // then put the text in from the application world once it has loaded.
        m_replaceAfterLoad = true;
        m_page->setHtml(QString(), documentBase());
    }
}

void WebEnginePane::onLoadFinished(bool ok)
{
    m_loading = false;
    // Nothing goes back in a pane: kept, every document written would stay in the
    // browser process as a data: address for as long as the pane lives.
    m_page->history()->clear();
    if (!ok)
        return;
    if (m_replaceAfterLoad) {
        m_replaceAfterLoad = false;
        m_loading = true;
        QPointer<WebEnginePane> self(this);
        m_page->runJavaScript(PaneScripts::replaceDocument(m_content),
                              QWebEngineScript::ApplicationWorld, [self](const QVariant &) {
                                  if (!self)
                                      return;
                                  self->m_loading = false;
                                  emit self->DocumentComplete();
                              });
        return;
    }
    emit DocumentComplete();
}

void WebEnginePane::raiseLinkClick(const QString &url)
{
    bool cancel = false;
    emit BeforeNavigate2(url, HyperlinkFlag, &cancel);
    // The page stays either way: a click never leaves the written document.
}

bool WebEnginePane::waitForDocument(int timeoutMs)
{
    if (!m_loading)
        return true;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(this, &PagePane::DocumentComplete, &loop, &QEventLoop::quit);
    connect(m_page, &QWebEnginePage::loadFinished, &loop, [&](bool ok) {
        if (!ok && !m_loading)
            loop.quit();
    });
    loop.exec();
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
