#include "XmlReader.h"

#include "BlockingFetch.h"

// The loading half of the reader; parsing and walking need no network.
void XmlReader::setURL(const QString &url)
{
    m_document = QDomDocument();
    if (!m_fetch)
        return;
    const BlockingFetch::Result fetched = m_fetch->get(url, m_fetch->options().xmlTimeoutMs);
    if (fetched.ok)
        setContent(fetched.body);
}
