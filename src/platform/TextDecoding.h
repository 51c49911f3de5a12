#pragma once

#include <QByteArray>
#include <QString>

// Turns a fetched page into text. The pages this program reads are in UTF-8
// or in a Chinese encoding, often undeclared.
namespace TextDecoding {

// Order: a byte-order mark, the Content-Type charset, an HTML meta charset in
// the first 1024 bytes, UTF-8 when the bytes are valid UTF-8, else GB18030.
QString decodePage(const QByteArray &body, const QByteArray &contentType);

// The charset parameter of a Content-Type value ("" when absent).
QByteArray charsetOfContentType(const QByteArray &contentType);
// The charset named by a <meta> tag in the first 1024 bytes ("" when absent).
QByteArray charsetOfMeta(const QByteArray &body);

// Decodes with the named charset; GBK and GB2312 are read as their superset
// GB18030. Returns false (and leaves text alone) for a name it does not know.
bool decodeAs(const QByteArray &charset, const QByteArray &bytes, QString *text);

} // namespace TextDecoding
