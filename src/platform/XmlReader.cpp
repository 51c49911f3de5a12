#include "XmlReader.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <optional>

namespace {

// Answers are a few levels deep and carry no attributes. Qt's DOM parser takes time that
// grows with the square of the nesting depth and of the attributes of one element, so an
// answer well inside the size cap could hold the window for minutes. Such shapes are
// refused as no XML before a DOM is built.
constexpr int MaxDepth = 256;
constexpr int MaxEqualsBetweenTags = 128;

// The document as the parser would decode it: UTF-16 or UTF-32 by their byte-order mark or
// the shape of the first "<", else the encoding the declaration names, else UTF-8. Empty
// when the bytes are not in that encoding.
std::optional<QString> documentText(const QByteArray &bytes)
{
    std::optional<QStringConverter::Encoding> encoding =
        QStringConverter::encodingForData(bytes, u'<');
    QStringDecoder decoder;
    if (encoding) {
        decoder = QStringDecoder(*encoding);
    } else {
        static const QRegularExpression declaration(QStringLiteral(
            "^<\\?xml[^>]*?\\sencoding\\s*=\\s*[\"']([A-Za-z][A-Za-z0-9._\\-]*)[\"']"));
        const QRegularExpressionMatch match =
            declaration.match(QString::fromLatin1(bytes.left(256)));
        decoder = match.hasMatch() ? QStringDecoder(match.captured(1).toLatin1().constData())
                                   : QStringDecoder(QStringConverter::Utf8);
    }
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Every attribute of a start tag lies between its "<" and the next "<", each with an "=",
// whatever entities the document declares.
bool hasCrowdedTag(const QString &text)
{
    int equals = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('<'))
            equals = 0;
        else if (c == QLatin1Char('=') && ++equals > MaxEqualsBetweenTags)
            return true;
    }
    return false;
}

// Read as a stream, which stops at the first element past the bound.
bool nestsTooDeep(const QString &text)
{
    QXmlStreamReader stream(text);
    int depth = 0;
    while (!stream.atEnd()) {
        const QXmlStreamReader::TokenType token = stream.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > MaxDepth)
            return true;
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return false;
}

} // namespace

void XmlReader::setContent(const QByteArray &bytes)
{
    m_document = QDomDocument();
    // Decoded here so that the checks see what the parser sees.
    const std::optional<QString> text = documentText(bytes);
    if (!text || hasCrowdedTag(*text) || nestsTooDeep(*text))
        return;
    QDomDocument parsed;
    if (parsed.setContent(*text))
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
