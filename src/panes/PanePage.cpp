#include "PanePage.h"

#include "PaneEngine.h"

PanePage::PanePage(QObject *parent) : QWebEnginePage(PaneEngine::profile(), parent) {}

void PanePage::loadOwn(const QUrl &url)
{
    m_ownLoad = url;
    load(url);
}

bool PanePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (type == NavigationTypeLinkClicked) {
        // Link clicks never leave the written page, whatever the handler answers.
        if (onLinkNavigation)
            onLinkNavigation(url.toString());
        return false;
    }
    if (!isMainFrame || url != m_ownLoad)
        return false;
    m_ownLoad.clear();
    return true;
}

QWebEnginePage *PanePage::createWindow(WebWindowType)
{
    return nullptr;
}
