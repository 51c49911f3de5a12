#pragma once

// The line protocol between kestrova-bench and the programs it starts: each
// event is one stdout line "@kb <event> <epoch microseconds> [details]".

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdio>

namespace BenchReport {

inline qint64 epochMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

inline void event(const char *name, qint64 atMicros, const QString &details = QString())
{
    std::printf("@kb %s %lld %s\n", name, static_cast<long long>(atMicros),
                details.toUtf8().constData());
    std::fflush(stdout);
}

inline void event(const char *name, const QString &details = QString())
{
    event(name, epochMicros(), details);
}

// Files the program under measurement leaves for the floor, in the bench's folder.
inline QString startupDocument(const QString &dir, int pane)
{
    return dir + QStringLiteral("/startup-pane%1.html").arg(pane);
}
inline QString actionDocument(const QString &dir, int action, int pane)
{
    return dir + QStringLiteral("/action-%1-pane%2.html").arg(action).arg(pane);
}
inline QString geometryFile(const QString &dir)
{
    return dir + QStringLiteral("/geometry.txt");
}
inline QString actionsFile(const QString &dir)
{
    return dir + QStringLiteral("/actions.tsv");
}

} // namespace BenchReport
