#include "NumberText.h"

#include <QByteArray>

#include <cmath>

// Both conversions go through Qt's C-locale routines: the C library's strtod and printf
// follow LC_NUMERIC, which QCoreApplication sets from the environment, and would read
// or write "1,5" under a comma locale.

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
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0;
    return value == 0 ? 0.0 : value; // no "-0"
}

QString NumberText::decimalText(double value)
{
    if (!std::isfinite(value) || value == 0)
        return QStringLiteral("0");

    // 15 significant digits, correctly rounded, as d.dddddddddddddde±x.
    const QByteArray scientific = QByteArray::number(value, 'e', 14);
    const qsizetype e = scientific.indexOf('e');
    const bool negative = scientific.startsWith('-');
    QByteArray digits = scientific.left(e);
    if (negative)
        digits.remove(0, 1);
    digits.remove(1, 1); // the point after the first digit
    const int exponent = scientific.mid(e + 1).toInt();
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);

    QByteArray out;
    if (negative)
        out.append('-');
    const int count = int(digits.size());
    if (exponent < 0) {
        out.append("0.");
        out.append(QByteArray(-exponent - 1, '0'));
        out.append(digits);
    } else if (exponent + 1 >= count) {
        out.append(digits);
        out.append(QByteArray(exponent + 1 - count, '0'));
    } else {
        out.append(digits.left(exponent + 1));
        out.append('.');
        out.append(digits.mid(exponent + 1));
    }
    return QString::fromLatin1(out);
}
