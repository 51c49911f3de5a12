#include "XmlReader.h"

#include "BlockingFetch.h"

// The loading half of the reader; parsing and walking need no network.
namespace {

int g_timeoutMs = XmlReader::TimeoutSeconds * 1000;

} // namespace

int XmlReader::timeoutMs()
{
    return g_timeoutMs;
}

void XmlReader::setTimeoutMs(int milliseconds)
{
    g_timeoutMs = milliseconds;
}

void XmlReader::setURL(const QString &url)
{
    m_document = QDomDocument();
    const BlockingFetch::Result fetched = BlockingFetch::get(url, g_timeoutMs);
    if (fetched.ok)
        setContent(fetched.body);
}
