#include "ProcessMemory.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A "Name:   123 kB" field of a /proc file, in MiB.
double fieldMiB(const QByteArray &text, const QByteArray &name)
{
    for (const QByteArray &line : text.split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

} // namespace

QList<qint64> ProcessMemory::descendants(qint64 pid)
{
    QList<qint64> found;
    QList<qint64> queue{pid};
    while (!queue.isEmpty()) {
        const qint64 next = queue.takeFirst();
        const QString tasks = QStringLiteral("/proc/%1/task").arg(next);
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
    const QByteArray own = readAll(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (own.isEmpty())
        return memory;
    memory.ownRssMiB = fieldMiB(own, "Rss:");
    memory.pssMiB = fieldMiB(own, "Pss:");
    memory.processes = 1;
    for (qint64 child : descendants(pid)) {
        const QByteArray rollup = readAll(QStringLiteral("/proc/%1/smaps_rollup").arg(child));
        if (rollup.isEmpty())
            continue;
        memory.pssMiB += fieldMiB(rollup, "Pss:");
        ++memory.processes;
    }
    return memory;
}
