#include "WebFetcher.h"

#include "BlockingFetch.h"
#include "TextDecoding.h"

QString WebFetcher::OpenURL(const QString &url)
{
    const BlockingFetch::Result fetched = BlockingFetch::get(url, m_requestTimeout * 1000);
    if (!fetched.ok)
        return QString();
    return TextDecoding::decodePage(fetched.body, fetched.contentType);
}
