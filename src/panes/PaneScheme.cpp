#include "PaneScheme.h"

#include <QUrl>
#include <QWebEngineUrlScheme>

namespace PaneScheme {

void registerScheme()
{
    if (QWebEngineUrlScheme::schemeByName(Name).name() == Name)
        return;
    QWebEngineUrlScheme scheme(Name);
    // One host for all the panes' documents: each write is a navigation within
    // one site, which the engine serves from the frame it already has.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);
}

bool isPaneDocument(const QUrl &url)
{
    return url.scheme() == QLatin1String(Name) || url == QUrl(QStringLiteral("about:blank"));
}

} // namespace PaneScheme
