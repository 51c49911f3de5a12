#include "PanePage.h"

#include "PaneProfile.h"

PanePage::PanePage(QObject *parent) : QWebEnginePage(PaneProfile::prepared(), parent) {}

bool PanePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (type == NavigationTypeLinkClicked) {
        // Link clicks never leave the written page, whatever the handler answers.
        if (onLinkNavigation)
            onLinkNavigation(url.toString());
        return false;
    }
    if (!isMainFrame)
        return false;
    // setHtml() loads its text as a data: address; Navigate() loads what it was given.
    if (url.scheme() == QLatin1String("data") || url == m_ownLoad) {
        m_ownLoad.clear();
        return true;
    }
    return type == NavigationTypeReload;
}

QWebEnginePage *PanePage::createWindow(WebWindowType)
{
    return nullptr;
}
