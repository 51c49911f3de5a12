// UrlEncodeUtf8, TextToUtf8Bytes and the MD5 digest over any UTF-16 text: against the
// per-unit escaping rule written out step by step, and against Qt's MD5.
#include "FuzzInput.h"

#include "requests/Module1.h"

#include <QCryptographicHash>
#include <QStringList>

namespace {

QString hex2(unsigned byte)
{
    return QStringLiteral("%%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString literalEncode(const QString &text)
{
    QString out;
    for (const QChar ch : text) {
        const unsigned c = ch.unicode();
        if (c < 0x80)
            out += ch;
        else if (c < 0x800)
            out += hex2(0xC0 | (c >> 6)) + hex2(0x80 | (c & 0x3F));
        else
            out +=
                hex2(0xE0 | (c >> 12)) + hex2(0x80 | ((c >> 6) & 0x3F)) + hex2(0x80 | (c & 0x3F));
    }
    return out;
}

// Reads the bytes back out of each unit's escaped form, "+" taken as "%20".
QByteArray literalBytes(const QString &text)
{
    QByteArray out;
    for (const QChar ch : text) {
        QString e = Module1::UrlEncodeUtf8(QString(ch));
        if (e == QLatin1String("+"))
            e = QStringLiteral("%20");
        if (e.size() == 1) {
            out.append(char(e[0].unicode() & 0xFF));
            continue;
        }
        const QStringList pieces = e.split(QLatin1Char('%'));
        for (qsizetype i = 1; i < pieces.size(); ++i) {
            bool ok = false;
            out.append(char(pieces[i].toUInt(&ok, 16)));
            FUZZ_CHECK(ok && pieces[i].size() == 2);
        }
    }
    return out;
}

bool hasSurrogate(const QString &text)
{
    for (const QChar ch : text) {
        if (ch.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = FuzzInput::units(data, size);

    const QString encoded = Module1::UrlEncodeUtf8(text);
    FUZZ_CHECK(encoded == literalEncode(text));

    const QByteArray bytes = Module1::TextToUtf8Bytes(text);
    FUZZ_CHECK(bytes == literalBytes(text));

    const QString hex = Module1::Md5Hex(text);
    FUZZ_CHECK(hex.size() == 32);
    FUZZ_CHECK(hex == QString::fromLatin1(
                          QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()));
    // Without "+" and without surrogate halves the bytes are plain UTF-8.
    if (!text.contains(QLatin1Char('+')) && !hasSurrogate(text)) {
        FUZZ_CHECK(bytes == text.toUtf8());
        FUZZ_CHECK(hex ==
                   QString::fromLatin1(
                       QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex()));
    }

    // The digest of the raw input bytes, every length and tail included.
    const QByteArray raw = FuzzInput::bytes(data, size);
    FUZZ_CHECK(Module1::Md5Digest(raw) == QCryptographicHash::hash(raw, QCryptographicHash::Md5));
    return 0;
}
