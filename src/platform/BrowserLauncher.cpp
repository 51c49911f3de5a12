#include "BrowserLauncher.h"

#include <QDesktopServices>
#include <QUrl>

bool BrowserLauncher::isOpenable(const QString &address)
{
    // The text comes from a server: a plain web address or nothing. Blanks and control
    // characters have no place in one and could split it into something else.
    for (const QChar c : address) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    }
    if (!address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
        !address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return false;
    const QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool BrowserLauncher::open(const QString &address)
{
    attempted(address);
    if (!isOpenable(address))
        return false;
    return launch(address);
}

bool DesktopBrowserLauncher::launch(const QString &address)
{
    return QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}
