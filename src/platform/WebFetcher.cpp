#include "WebFetcher.h"

#include "BlockingFetch.h"
#include "TextDecoding.h"

QString WebFetcher::OpenURL(const QString &url)
{
    if (!m_fetch)
        return QString();
    const BlockingFetch::Result fetched = m_fetch->get(url, m_requestTimeout * 1000);
    if (!fetched.ok)
        return QString();
    return TextDecoding::decodePage(fetched.body, fetched.contentType);
}
