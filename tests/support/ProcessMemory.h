#pragma once

#include <QByteArray>
#include <QList>

// Memory figures of processes from /proc: the one reader for the suites and the
// benchmarks.
struct ProcessMemory
{
    double pssMiB = 0;    // summed proportional set size of the process and its descendants
    int processes = 0;    // the process itself and its descendants (the engine's zygote,
                          // renderers, GPU and utility processes)
    double ownRssMiB = 0; // resident set of the process itself

    static constexpr qint64 Self = -1; // this process, whatever its pid

    static ProcessMemory of(qint64 pid);
    static QList<qint64> descendants(qint64 pid);

    // One "Name:   123 kB" field of smaps_rollup (e.g. "Pss_Anon") in MiB; 0 when unreadable.
    static double rollupMiB(qint64 pid, const QByteArray &field);
    // One field of status (e.g. "VmRSS") in KiB; -1 when unreadable.
    static qint64 statusKiB(qint64 pid, const QByteArray &field);

    static qint64 residentKiB(qint64 pid = Self) { return statusKiB(pid, "VmRSS"); }
    // The high-water mark since the last resetPeak() (or since start).
    static qint64 peakResidentKiB() { return statusKiB(Self, "VmHWM"); }
    // Starts a new high-water mark of this process at its current size; false where
    // the kernel refuses.
    static bool resetPeak();
};
