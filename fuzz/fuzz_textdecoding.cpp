// Any bytes and any Content-Type (the first line of the input) as a fetched page.
#include "FuzzInput.h"

#include "platform/TextDecoding.h"

#include <QRegularExpression>
#include <QStringDecoder>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray contentType, body;
    FuzzInput::splitFirstLine(FuzzInput::bytes(data, size), &contentType, &body);

    const QString text = TextDecoding::decodePage(body, contentType);
    FUZZ_CHECK(!body.isEmpty() || text.isEmpty());

    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_.:\\-]*$"));
    const QByteArray declared = TextDecoding::charsetOfContentType(contentType);
    const QByteArray meta = TextDecoding::charsetOfMeta(body);
    FUZZ_CHECK(name.match(QString::fromLatin1(declared)).hasMatch());
    FUZZ_CHECK(name.match(QString::fromLatin1(meta)).hasMatch());

    // Undeclared valid UTF-8 without a byte-order mark reads as UTF-8.
    QString decoded;
    const bool known = TextDecoding::decodeAs(declared, body, &decoded) ||
                       TextDecoding::decodeAs(meta, body, &decoded);
    if (!known && !QStringConverter::encodingForData(body.left(4))) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString plain = utf8.decode(body);
        if (!utf8.hasError())
            FUZZ_CHECK(text == plain);
    }

    // Every charset name the page may carry decodes or is refused, whatever the bytes.
    QString any;
    TextDecoding::decodeAs(contentType, body, &any);
    return 0;
}
