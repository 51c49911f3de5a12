#pragma once

#include <QByteArray>
#include <QString>

// Text encoding and digest for the signed open-platform request.
namespace Module1 {

// Non-ASCII UTF-16 units as percent-escaped UTF-8 (upper-case hex); ASCII stays as it is.
// Each unit is taken on its own, so a surrogate half gets the three-byte form.
QString UrlEncodeUtf8(const QString &text);

// The bytes the digest is taken over: UTF-8 unit by unit, except that "+" gives 0x20
// (the gateway signs a "+" as the space it decodes to).
QByteArray TextToUtf8Bytes(const QString &text);

// RFC 1321 MD5 of TextToUtf8Bytes(text), as 32 lower-case hex digits.
QString Md5Hex(const QString &text);

// RFC 1321 MD5 of raw bytes: the 16 digest bytes.
QByteArray Md5Digest(const QByteArray &bytes);

} // namespace Module1
