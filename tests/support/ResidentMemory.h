#pragma once

#include <QByteArray>
#include <QFile>

// This process's resident memory from /proc, in KiB.
namespace ResidentMemory {

inline qint64 statusField(const QByteArray &name)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

inline qint64 currentKiB()
{
    return statusField("VmRSS");
}

// The high-water mark since the last resetPeak() (or since start).
inline qint64 peakKiB()
{
    return statusField("VmHWM");
}

// Starts a new high-water mark at the current size; false where the kernel refuses.
inline bool resetPeak()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

} // namespace ResidentMemory
