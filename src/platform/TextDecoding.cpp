#include "TextDecoding.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace TextDecoding {

namespace {

constexpr qsizetype MetaScanBytes = 1024;

QByteArray canonicalName(const QByteArray &charset)
{
    const QByteArray name = charset.trimmed().toLower();
    // Browsers read all of these as GB18030; it is a superset of each.
    if (name == "gbk" || name == "gb2312" || name == "x-gbk" || name == "cp936" ||
        name == "windows-936" || name == "euc-cn" || name == "gb_2312-80" || name == "csgb2312" ||
        name == "gb18030")
        return "GB18030";
    return name;
}

} // namespace

QByteArray charsetOfContentType(const QByteArray &contentType)
{
    static const QRegularExpression pattern(
        QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:\\-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(contentType));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

QByteArray charsetOfMeta(const QByteArray &body)
{
    // Covers <meta charset="gbk"> and <meta http-equiv=... content="text/html; charset=gbk">.
    static const QRegularExpression pattern(
        QStringLiteral("<meta[^>]*?charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:\\-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match =
        pattern.match(QString::fromLatin1(body.left(MetaScanBytes)));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

bool decodeAs(const QByteArray &charset, const QByteArray &bytes, QString *text)
{
    const QByteArray name = canonicalName(charset);
    if (name.isEmpty())
        return false;
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return false;
    *text = decoder.decode(bytes);
    return true;
}

QString decodePage(const QByteArray &body, const QByteArray &contentType)
{
    QString text;
    if (const auto bom = QStringConverter::encodingForData(body.left(4))) {
        QStringDecoder decoder(*bom);
        return decoder.decode(body);
    }
    if (decodeAs(charsetOfContentType(contentType), body, &text))
        return text;
    if (decodeAs(charsetOfMeta(body), body, &text))
        return text;

    QStringDecoder utf8(QStringDecoder::Utf8);
    text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    decodeAs("GB18030", body, &text);
    return text;
}

} // namespace TextDecoding
