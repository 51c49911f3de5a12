#include "NumberText.h"

#include <cmath>
#include <cstdio>

double NumberText::numericValue(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    QByteArray number;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number.append(char(text[i++].unicode()));
    bool digits = false;
    while (i < n && text[i].unicode() >= '0' && text[i].unicode() <= '9') {
        number.append(char(text[i++].unicode()));
        digits = true;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        number.append('.');
        ++i;
        while (i < n && text[i].unicode() >= '0' && text[i].unicode() <= '9') {
            number.append(char(text[i++].unicode()));
            digits = true;
        }
    }
    if (!digits)
        return 0;
    return std::strtod(number.constData(), nullptr);
}

QString NumberText::decimalText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    QString text = QString::fromLatin1(buffer);
    if (!text.contains(QLatin1Char('e')))
        return text == QLatin1String("-0") ? QStringLiteral("0") : text;

    // Expand the exponent form: round to 15 significant digits, then print fixed.
    const int exponent = int(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, 14 - exponent);
    std::snprintf(buffer, sizeof buffer, "%.*f", std::min(decimals, 40), value);
    text = QString::fromLatin1(buffer);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}
