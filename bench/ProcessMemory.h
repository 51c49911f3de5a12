#pragma once

#include <QList>

// Memory of a process and all its descendants (the engine's zygote, renderers,
// GPU and utility processes), from /proc.
struct ProcessMemory
{
    double pssMiB = 0;    // summed proportional set size
    int processes = 0;    // the process itself and its descendants
    double ownRssMiB = 0; // resident set of the process itself

    static ProcessMemory of(qint64 pid);
    static QList<qint64> descendants(qint64 pid);
};
