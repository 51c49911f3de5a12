#include "PaneRequestFilter.h"

#include "PaneScheme.h"

#include "requests/Configuration.h"

#include <QUrl>

namespace {

bool isWeb(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

QString hostAndPort(const QUrl &url)
{
    const int port = url.port();
    return port < 0 ? url.host() : url.host() + QLatin1Char(':') + QString::number(port);
}

} // namespace

bool PaneRequestFilter::allows(QWebEngineUrlRequestInfo::ResourceType type, const QUrl &url,
                               const QString &makerHost)
{
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
        return isWeb(url) || url.scheme() == QLatin1String("data");
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        return isWeb(url) && hostAndPort(url).compare(makerHost, Qt::CaseInsensitive) == 0;
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        return PaneScheme::isPaneDocument(url);
    default:
        return false;
    }
}

void PaneRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!allows(info.resourceType(), info.requestUrl(), Configuration::current().makerHost))
        info.block(true);
}
