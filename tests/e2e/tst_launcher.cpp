// The menu entry's launcher over real processes: it starts the real sandbox
// when the port is free, uses one that already answers, and refuses a port
// held by another program. The program it opens is a recording stand-in.

#include "support/SandboxProcess.h"
#include "support/ScriptedServer.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString launcher()
{
#ifdef KESTROVA_LAUNCHER
    return QStringLiteral(KESTROVA_LAUNCHER);
#else
    return QString();
#endif
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool answers(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(2000);
}

// Writes a program that records the portal's answer it sees on the port, then
// exits with code 7.
QString writeStandIn(const QString &folder, const QString &name, quint16 port)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QStringLiteral("#!/bin/bash\n"
                              "exec 3<>/dev/tcp/127.0.0.1/%1 || exit 9\n"
                              "printf 'GET / HTTP/1.0\\r\\n\\r\\n' >&3\n"
                              "head -c 512 <&3 | tr -d '\\r' > '%2.seen'\n"
                              "exit 7\n")
                   .arg(port)
                   .arg(path)
                   .toUtf8());
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

QString seenBy(const QString &standIn)
{
    QFile file(standIn + QStringLiteral(".seen"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Run
{
    int exitCode = -1;
    QString errors;
};

Run runLauncher(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void portHolders_data();
    void portHolders();
    void sandboxThatCannotStart();
    void findsItsFilesBesideItself();
};

void TestLauncher::initTestCase()
{
    if (launcher().isEmpty() || SandboxProcess::executable().isEmpty())
        QSKIP("this build installs no demo launcher");
}

void TestLauncher::portHolders_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("programRuns");

    QTest::newRow("nothing: starts the sandbox") << "none" << 7 << true;
    QTest::newRow("the sandbox: uses it") << "sandbox" << 7 << true;
    QTest::newRow("the sandbox failing every answer") << "faulty sandbox" << 7 << true;
    QTest::newRow("another web server") << "web server" << 3 << false;
    QTest::newRow("a server that never answers") << "silent" << 3 << false;
}

void TestLauncher::portHolders()
{
    QFETCH(QString, holder);
    QFETCH(int, exitCode);
    QFETCH(bool, programRuns);

    SandboxProcess sandbox;
    ScriptedServer webServer;
    QTcpServer silent;
    quint16 port = 0;
    if (holder == QLatin1String("none")) {
        port = freePort();
    } else if (holder.endsWith(QLatin1String("sandbox"))) {
        QVERIFY(
            sandbox.start(holder.startsWith(QLatin1String("faulty"))
                              ? QStringList{QStringLiteral("--error-every"), QStringLiteral("1")}
                              : QStringList()));
        port = sandbox.port();
    } else if (holder == QLatin1String("web server")) {
        ScriptedServer::Response page;
        page.contentType = "text/html; charset=utf-8";
        page.body = "<html><body>百度</body></html>";
        webServer.routeFixed(QStringLiteral("/"), page);
        port = webServer.port();
    } else {
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        port = silent.serverPort();
    }

    QTemporaryDir folder;
    const QString standIn = writeStandIn(folder.path(), QStringLiteral("kestrova"), port);
    const Run run = runLauncher(
        launcher(), {QStringLiteral("--port"), QString::number(port), QStringLiteral("--program"),
                     standIn, QStringLiteral("--sandbox"), SandboxProcess::executable()});

    QCOMPARE(run.exitCode, exitCode);
    const QString seen = seenBy(standIn);
    QCOMPARE(!seen.isEmpty(), programRuns);
    if (programRuns)
        QVERIFY2(seen.contains(QLatin1String("X-Kestrova-Sandbox: 1")), qPrintable(seen));
    else
        QVERIFY2(run.errors.contains(QStringLiteral("127.0.0.1:%1").arg(port)) &&
                     run.errors.contains(QLatin1String("not the Kestrova demo marketplace")),
                 qPrintable(run.errors));
    // A sandbox the launcher started is gone with the window; one it found stays.
    if (holder == QLatin1String("none"))
        QVERIFY(!answers(port));
    if (holder.endsWith(QLatin1String("sandbox")))
        QCOMPARE(sandbox.process().state(), QProcess::Running);
}

void TestLauncher::sandboxThatCannotStart()
{
    QTemporaryDir folder;
    const quint16 port = freePort();
    const QString standIn = writeStandIn(folder.path(), QStringLiteral("kestrova"), port);
    const Run run = runLauncher(
        launcher(), {QStringLiteral("--port"), QString::number(port), QStringLiteral("--program"),
                     standIn, QStringLiteral("--sandbox"), QStringLiteral("/bin/false")});
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.errors.contains(QLatin1String("could not start")), qPrintable(run.errors));
    QVERIFY(seenBy(standIn).isEmpty());
}

// Installed layout: the launcher and the programs in one folder, reached through
// a link elsewhere; no paths given.
void TestLauncher::findsItsFilesBesideItself()
{
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("lib/kestrova")));
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
    const QString appDir = root.path() + QStringLiteral("/lib/kestrova");
    QVERIFY(QFile::copy(launcher(), appDir + QStringLiteral("/kestrova-launch")));
    QVERIFY(
        QFile::link(SandboxProcess::executable(), appDir + QStringLiteral("/kestrova-sandbox")));
    QVERIFY(QFile::link(QStringLiteral("../lib/kestrova/kestrova-launch"),
                        root.path() + QStringLiteral("/bin/kestrova-launch")));
    const quint16 port = freePort();
    const QString standIn = writeStandIn(appDir, QStringLiteral("kestrova"), port);

    const Run run = runLauncher(root.path() + QStringLiteral("/bin/kestrova-launch"),
                                {QStringLiteral("--port"), QString::number(port)});
    QCOMPARE(run.exitCode, 7);
    QVERIFY(seenBy(standIn).contains(QLatin1String("X-Kestrova-Sandbox: 1")));
    QVERIFY(!answers(port));
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
