// The numeric value of a text and the decimal text of a number: the value against a
// reading of the leading number with the C library, the text against its own shape
// and against reading it back.
#include "FuzzInput.h"

#include "requests/NumberText.h"

#include <QRegularExpression>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstring>

namespace {

// The leading number as the C library reads it ("C" numeric locale here), with the
// same bounds: no exponent, no hex, nothing infinite.
double literalValue(const QString &text)
{
    static const QRegularExpression leading(
        QStringLiteral("^[ \\t]*([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+))"));
    const QRegularExpressionMatch match = leading.match(text);
    if (!match.hasMatch())
        return 0;
    const QByteArray number = match.captured(1).toLatin1();
    const double value = std::strtod(number.constData(), nullptr);
    if (!std::isfinite(value) || value == 0)
        return 0;
    return value;
}

void checkDecimalText(double value)
{
    const QString text = NumberText::decimalText(value);
    static const QRegularExpression shape(
        QStringLiteral("^(0|-?(0|[1-9][0-9]*)(\\.[0-9]*[1-9])?)$"));
    FUZZ_CHECK(shape.match(text).hasMatch());
    if (!std::isfinite(value)) {
        FUZZ_CHECK(text == QLatin1String("0"));
        return;
    }
    qsizetype significant = 0;
    bool started = false;
    for (const QChar ch : text) {
        if (ch.isDigit() && (started || ch != QLatin1Char('0'))) {
            started = true;
            ++significant;
        }
    }
    // Integers past 15 digits are written out with zeros.
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0)
        FUZZ_CHECK(significant <= 15);

    // Read back, it is the value to 15 significant digits, and it is its own text.
    // Subnormal numbers carry fewer digits than that; above the largest 15-digit number
    // that is finite, the rounded text reads as infinite, and so as 0.
    const double back = NumberText::numericValue(text);
    if (std::fabs(value) >= DBL_MIN && std::fabs(value) <= 1.79769313486231e308) {
        FUZZ_CHECK(std::fabs(back - value) <= std::fabs(value) * 1e-14);
        FUZZ_CHECK(NumberText::decimalText(back) == text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::setlocale(LC_NUMERIC, "C");
    // As a text: ASCII-heavy inputs read as Latin-1 find numbers more often.
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const double value = NumberText::numericValue(text);
    FUZZ_CHECK(std::isfinite(value));
    FUZZ_CHECK(value == literalValue(text));
    checkDecimalText(value);
    checkDecimalText(value / 100); // the price rule

    // As a number: the first eight bytes, any bit pattern.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkDecimalText(raw);
    }
    return 0;
}
