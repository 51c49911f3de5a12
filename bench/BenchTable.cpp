#include "BenchTable.h"

#include <algorithm>
#include <cstdio>

namespace {

// Pads by characters, not bytes, so the captions line up.
QString padded(const QString &text, int width)
{
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

QString number(double value)
{
    if (value < 0)
        return QStringLiteral("-");
    return QString::number(value, 'f', value >= 100 ? 0 : value >= 10 ? 1 : 2);
}

} // namespace

double BenchTable::median(QList<double> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void BenchTable::section(const QString &title)
{
    m_lines << QString() << title;
}

void BenchTable::row(const QString &what, const QList<double> &values, const QString &unit,
                     double floorMedian, const QString &target)
{
    QString line = QStringLiteral("  ") + padded(what, 58);
    if (values.isEmpty()) {
        m_lines << line + QStringLiteral("no figure (see the messages above)");
        return;
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const double mid = median(values);
    line += QStringLiteral("%1 %2 %3 %4 %5")
                .arg(values.size(), 4)
                .arg(number(*low), 8)
                .arg(number(mid), 8)
                .arg(number(*high), 8)
                .arg(padded(unit, 4));
    if (floorMedian >= 0)
        line +=
            QStringLiteral(" %1 %2x").arg(number(floorMedian), 8).arg(mid / floorMedian, 6, 'f', 2);
    else
        line += QString(17, QLatin1Char(' '));
    if (!target.isEmpty())
        line += QStringLiteral("  ") + target;
    m_lines << line;
}

void BenchTable::note(const QString &what, const QString &value)
{
    m_lines << QStringLiteral("  ") + padded(what, 58) + value;
}

void BenchTable::print() const
{
    std::printf("  %s%s\n", qPrintable(padded(QStringLiteral("figure"), 58)),
                "runs      min   median      max unit    floor  ratio  target");
    for (const QString &line : m_lines)
        std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}
