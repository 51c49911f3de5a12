#include "PaneScheme.h"

#include <QUrl>
#include <QWebEngineUrlScheme>

namespace PaneScheme {

void registerScheme()
{
    if (QWebEngineUrlScheme::schemeByName(Name).name() == Name)
        return;
    QWebEngineUrlScheme scheme(Name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(scheme);
}

bool isPaneDocument(const QUrl &url)
{
    return url.scheme() == QLatin1String(Name) || url == QUrl(QStringLiteral("about:blank"));
}

} // namespace PaneScheme
