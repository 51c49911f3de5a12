#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QString>

class BlockingFetch;

// Loads an XML document from a URL (blocking, the fetch's XML time-out) and walks it by
// position and by tag name. A document that cannot be fetched or parsed is
// empty: a null root, no children, empty texts.
class XmlReader
{
public:
    // A reader without a fetch only parses what it is given.
    explicit XmlReader(BlockingFetch *fetch = nullptr) : m_fetch(fetch) {}

    // Fetches and parses; replaces any earlier document of this reader.
    void setURL(const QString &url);
    // Parses fetched bytes; the document's own encoding declaration decides.
    void setContent(const QByteArray &bytes);

    QDomElement root() const { return m_document.documentElement(); }
    const QDomDocument &document() const { return m_document; }

    // Child elements in document order (empty for a null element).
    static QList<QDomElement> children(const QDomElement &element);
    // The child element with that tag name (null when missing).
    static QDomElement item(const QDomElement &parent, const QString &tagName);
    // Text content; empty for a null element.
    static QString text(const QDomElement &element);
    // text(item(parent, tagName))
    static QString childText(const QDomElement &parent, const QString &tagName);

private:
    BlockingFetch *m_fetch;
    QDomDocument m_document;
};
