#include "PaneEngine.h"

#include "PaneDocuments.h"
#include "PaneRequestFilter.h"
#include "PaneScheme.h"

#include <QCoreApplication>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace PaneEngine {

namespace {

struct Engine
{
    QWebEngineProfile *profile = nullptr;
    PaneDocuments *documents = nullptr;
    QWebEnginePage *first = nullptr; // keeps the shared renderer up from the start
};

Engine &engine()
{
    static Engine e;
    return e;
}

void lockDown(QWebEngineSettings *settings)
{
    // Page scripts never run; the click capture lives in the application world.
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    // No favicon requests to the maker's host: the panes have no tab to show one in.
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
}

// Pages go before their profile, and both before the engine shuts down.
void release()
{
    Engine &e = engine();
    delete e.first;
    delete e.profile;
    e = Engine();
}

void create()
{
    Engine &e = engine();
    // No storage name: off the record, so nothing of a run reaches the disk.
    e.profile = new QWebEngineProfile();
    e.profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    e.profile->setHttpCacheMaximumSize(HttpCacheBytes);
    e.profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    e.profile->setSpellCheckEnabled(false);
    lockDown(e.profile->settings());
    e.profile->setUrlRequestInterceptor(new PaneRequestFilter(e.profile));
    e.documents = new PaneDocuments(e.profile);
    e.profile->installUrlSchemeHandler(PaneScheme::Name, e.documents);
    // Post routines run newest first: this one before the engine's own.
    qAddPostRoutine(release);
}

} // namespace

void warm()
{
    Engine &e = engine();
    if (!e.profile)
        create();
    if (!e.first) {
        e.first = new QWebEnginePage(e.profile);
        e.first->load(QUrl(QStringLiteral("about:blank")));
    }
}

QWebEngineProfile *profile()
{
    if (!engine().profile)
        create();
    return engine().profile;
}

PaneDocuments *documents()
{
    profile();
    return engine().documents;
}

} // namespace PaneEngine
