#include "XmlReader.h"

#include "BlockingFetch.h"

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
    if (!fetched.ok)
        return;
    // From the bytes, so the document's own encoding declaration decides.
    QDomDocument parsed;
    if (parsed.setContent(fetched.body))
        m_document = parsed;
}

QList<QDomElement> XmlReader::children(const QDomElement &element)
{
    QList<QDomElement> list;
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        list.append(child);
    return list;
}

QDomElement XmlReader::item(const QDomElement &parent, const QString &tagName)
{
    return parent.firstChildElement(tagName);
}

QString XmlReader::text(const QDomElement &element)
{
    return element.isNull() ? QString() : element.text();
}

QString XmlReader::childText(const QDomElement &parent, const QString &tagName)
{
    return text(item(parent, tagName));
}
