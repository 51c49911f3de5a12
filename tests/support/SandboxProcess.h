#pragma once

// Test helper, header only: starts the real kestrova-sandbox executable on a
// free port and talks plain HTTP to it over loopback.

#include <QByteArray>
#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <httplib.h>

#include <memory>

#include <csignal>

// Empty when the build has no sandbox (KESTROVA_BUILD_SANDBOX off).
#ifdef KESTROVA_SANDBOX_EXE
inline constexpr char SandboxExecutable[] = KESTROVA_SANDBOX_EXE;
#else
inline constexpr char SandboxExecutable[] = "";
#endif

class SandboxProcess
{
public:
    struct Reply
    {
        int status = 0; // 0: no answer
        QByteArray body;
        QByteArray contentType;
        qint64 elapsedMs = 0;
    };

    ~SandboxProcess() { stop(); }

    static QString executable() { return QString::fromUtf8(SandboxExecutable); }

    // Starts the sandbox with --port 0 and the extra arguments; waits for its
    // "listening on" line.
    bool start(const QStringList &arguments = {})
    {
        m_process.setProgram(executable());
        m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} +
                               arguments);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine() && timer.elapsed() < 60000) {
            if (!m_process.waitForReadyRead(1000) && m_process.state() != QProcess::Running)
                return false;
        }
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        const QString prefix = QStringLiteral("listening on http://");
        if (!line.startsWith(prefix))
            return false;
        m_hostPort = line.mid(prefix.size());
        m_port = quint16(m_hostPort.section(QLatin1Char(':'), -1).toUInt());
        return m_port != 0;
    }

    // Sends signal (SIGTERM by default) and waits; the exit code, or -1 if it did not stop.
    int stop(bool interrupt = false)
    {
        if (m_process.state() == QProcess::NotRunning)
            return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
        if (interrupt)
            ::kill(pid_t(m_process.processId()), SIGINT);
        else
            m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
            return -1;
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QProcess &process() { return m_process; }
    quint16 port() const { return m_port; }
    QString hostPort() const { return m_hostPort; }
    QString baseUrl() const { return QStringLiteral("http://") + m_hostPort; }

    // GET target ("/path?query") sent the way the program's fetcher sends a URL
    // it was handed unencoded: spaces and non-ASCII percent-encoded as UTF-8,
    // everything else as written.
    Reply get(const QString &target) const
    {
        const QUrl url(baseUrl() + target, QUrl::TolerantMode);
        return getRaw(url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority));
    }

    Reply getRaw(const QByteArray &wireTarget, const httplib::Headers &headers = {}) const
    {
        httplib::Client client("127.0.0.1", m_port);
        client.set_url_encode(false);
        client.set_read_timeout(30, 0);
        Reply reply;
        QElapsedTimer timer;
        timer.start();
        const auto result = client.Get(wireTarget.toStdString(), headers);
        reply.elapsedMs = timer.elapsed();
        if (!result)
            return reply;
        reply.status = result->status;
        reply.body = QByteArray::fromStdString(result->body);
        reply.contentType = QByteArray::fromStdString(result->get_header_value("Content-Type"));
        return reply;
    }

    // The rows of the sandbox's category file: cid, parent_cid, name, is_parent.
    static QList<QStringList> categoryRows()
    {
        QFile file(QStringLiteral(KESTROVA_SANDBOX_DATA_DIR "/itemcats.tsv"));
        QList<QStringList> rows;
        if (file.open(QIODevice::ReadOnly)) {
            file.readLine();
            while (!file.atEnd())
                rows.append(QString::fromUtf8(file.readLine()).trimmed().split('\t'));
        }
        return rows;
    }

    // The charset named in a Content-Type value, or empty text.
    static QString charsetOf(const QByteArray &contentType)
    {
        const qsizetype at = contentType.toLower().indexOf("charset=");
        return at < 0 ? QString() : QString::fromLatin1(contentType.mid(at + 8)).trimmed();
    }

    static QDomElement xmlRoot(const QByteArray &body)
    {
        QDomDocument document;
        if (!document.setContent(body))
            return QDomElement();
        return document.documentElement();
    }

private:
    QProcess m_process;
    QString m_hostPort;
    quint16 m_port = 0;
};
