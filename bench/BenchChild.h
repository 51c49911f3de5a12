#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// One run of a measured program (the probe or the floor): started with the
// bench's environment, its "@kb" event lines collected with their times.
class BenchChild
{
public:
    struct Event
    {
        QByteArray name;
        qint64 atMicros = 0;
        QString details;
    };

    ~BenchChild();

    bool start(const QString &program, const QStringList &arguments,
               const QProcessEnvironment &environment);
    qint64 startedAt() const { return m_startedAt; }
    qint64 pid() const { return m_process.processId(); }

    // Waits (at most boundMs) for the first event of that name after index from;
    // reports "stuck" events and the program's end on stderr as they come.
    const Event *waitFor(const QByteArray &name, int boundMs, qsizetype from = 0);
    QList<Event> events(const QByteArray &name) const;
    qsizetype eventCount() const { return m_events.size(); }
    // Milliseconds from the process start to the event, or -1.
    double msTo(const QByteArray &name) const;

    void send(const QByteArray &command);
    // "quit", then SIGTERM and SIGKILL if it does not end.
    void stop();

private:
    void readLines();

    QProcess m_process;
    qint64 m_startedAt = 0;
    QByteArray m_pending;
    QList<Event> m_events;
};
