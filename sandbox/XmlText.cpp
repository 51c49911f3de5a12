#include "XmlText.h"

namespace XmlText {

QByteArray escaped(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 16);
    for (char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            // Control characters other than tab and newlines are not allowed in XML 1.0.
            if (uchar(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                out += ' ';
            else
                out += c;
        }
    }
    return out;
}

QByteArray cdata(const QString &text)
{
    QByteArray body = text.toUtf8();
    body.replace("]]>", "]]]]><![CDATA[>");
    return "<![CDATA[" + body + "]]>";
}

QByteArray element(const char *tag, const QString &text)
{
    return QByteArray("<") + tag + '>' + escaped(text) + "</" + tag + '>';
}

} // namespace XmlText
