#pragma once

#include <QByteArray>
#include <QString>

// Building XML answers as UTF-8 text, fast enough for the search path.
namespace XmlText {

QByteArray escaped(const QString &text);
// A CDATA section; "]]>" inside the text is split across two sections.
QByteArray cdata(const QString &text);
// "<tag>escaped text</tag>"
QByteArray element(const char *tag, const QString &text);
inline constexpr char Declaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";

} // namespace XmlText
