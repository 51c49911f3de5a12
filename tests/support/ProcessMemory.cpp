#include "ProcessMemory.h"

#include <QDir>
#include <QFile>

namespace {

QString procFile(qint64 pid, const char *name)
{
    // A process that has ended reports pid 0: nothing is read for it.
    return pid == ProcessMemory::Self
               ? QStringLiteral("/proc/self/") + QLatin1String(name)
               : QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name));
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The number of a "Name:   123 kB" line, or -1.
qint64 fieldKiB(const QByteArray &text, const QByteArray &name)
{
    for (const QByteArray &line : text.split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

double rollupFieldMiB(const QByteArray &rollup, const QByteArray &name)
{
    return qMax<qint64>(0, fieldKiB(rollup, name)) / 1024.0;
}

} // namespace

QList<qint64> ProcessMemory::descendants(qint64 pid)
{
    QList<qint64> found;
    QList<qint64> queue{pid};
    while (!queue.isEmpty()) {
        const qint64 next = queue.takeFirst();
        const QString tasks = procFile(next, "task");
        for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QByteArray children =
                readAll(tasks + QLatin1Char('/') + task + QStringLiteral("/children"));
            for (const QByteArray &child : children.simplified().split(' '))
                if (!child.isEmpty() && !found.contains(child.toLongLong())) {
                    found.append(child.toLongLong());
                    queue.append(child.toLongLong());
                }
        }
    }
    return found;
}

ProcessMemory ProcessMemory::of(qint64 pid)
{
    ProcessMemory memory;
    const QByteArray own = readAll(procFile(pid, "smaps_rollup"));
    if (own.isEmpty())
        return memory;
    memory.ownRssMiB = rollupFieldMiB(own, "Rss");
    memory.pssMiB = rollupFieldMiB(own, "Pss");
    memory.processes = 1;
    for (qint64 child : descendants(pid)) {
        const QByteArray rollup = readAll(procFile(child, "smaps_rollup"));
        if (rollup.isEmpty())
            continue;
        memory.pssMiB += rollupFieldMiB(rollup, "Pss");
        ++memory.processes;
    }
    return memory;
}

double ProcessMemory::rollupMiB(qint64 pid, const QByteArray &field)
{
    return rollupFieldMiB(readAll(procFile(pid, "smaps_rollup")), field);
}

qint64 ProcessMemory::statusKiB(qint64 pid, const QByteArray &field)
{
    return fieldKiB(readAll(procFile(pid, "status")), field);
}

bool ProcessMemory::resetPeak()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}
