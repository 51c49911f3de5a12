#include "BenchChild.h"

#include "BenchReport.h"

#include <QElapsedTimer>

#include <cstdio>

BenchChild::~BenchChild()
{
    stop();
}

bool BenchChild::start(const QString &program, const QStringList &arguments,
                       const QProcessEnvironment &environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_startedAt = BenchReport::epochMicros();
    m_process.start(program, arguments);
    return m_process.waitForStarted(10000);
}

void BenchChild::readLines()
{
    m_pending += m_process.readAllStandardOutput();
    for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        if (!line.startsWith("@kb "))
            continue;
        const QList<QByteArray> parts = line.mid(4).split(' ');
        Event event;
        event.name = parts.value(0);
        event.atMicros = parts.value(1).toLongLong();
        event.details =
            QString::fromUtf8(line.mid(4 + parts.value(0).size() + 1 + parts.value(1).size() + 1));
        if (event.name == "stuck")
            std::fprintf(stderr, "  stuck: %s\n", qPrintable(event.details));
        m_events.append(event);
    }
}

const BenchChild::Event *BenchChild::waitFor(const QByteArray &name, int boundMs, qsizetype from)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        readLines();
        for (qsizetype i = from; i < m_events.size(); ++i)
            if (m_events[i].name == name)
                return &m_events[i];
        if (m_process.state() == QProcess::NotRunning) {
            std::fprintf(stderr, "  %s ended before '%s'\n",
                         qPrintable(m_process.program().section(QLatin1Char('/'), -1)),
                         name.constData());
            return nullptr;
        }
        const qint64 left = boundMs - clock.elapsed();
        if (left <= 0) {
            std::fprintf(stderr, "  no '%s' within %d s\n", name.constData(), boundMs / 1000);
            return nullptr;
        }
        m_process.waitForReadyRead(int(std::min<qint64>(left, 200)));
    }
}

QList<BenchChild::Event> BenchChild::events(const QByteArray &name) const
{
    QList<Event> found;
    for (const Event &e : m_events)
        if (e.name == name)
            found.append(e);
    return found;
}

double BenchChild::msTo(const QByteArray &name) const
{
    for (const Event &e : m_events)
        if (e.name == name)
            return double(e.atMicros - m_startedAt) / 1000.0;
    return -1;
}

void BenchChild::send(const QByteArray &command)
{
    if (m_process.state() == QProcess::Running) {
        m_process.write(command + '\n');
        m_process.waitForBytesWritten(1000);
    }
}

void BenchChild::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    send("quit");
    if (m_process.waitForFinished(5000))
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
