#pragma once

#include <QList>
#include <QString>

// The figures table: min / median / max of a series, beside the floor's median,
// their ratio and the target.
class BenchTable
{
public:
    static double median(QList<double> values);

    void section(const QString &title);
    void row(const QString &what, const QList<double> &values, const QString &unit,
             double floorMedian = -1, const QString &target = QString());
    void note(const QString &what, const QString &value);
    void print() const;

private:
    QStringList m_lines;
};
