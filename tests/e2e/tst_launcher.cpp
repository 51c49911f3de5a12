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

#include <csignal>
#include <unistd.h>

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
// exits with code 7. A window that stays open writes <name>.open and waits for
// <name>.close to appear before it looks.
QString writeStandIn(const QString &folder, const QString &name, quint16 port,
                     bool staysOpen = false)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const QString wait = staysOpen
                             ? QStringLiteral("touch '%1.open'\n"
                                              "while [ ! -e '%1.close' ]; do sleep 0.05; done\n")
                                   .arg(path)
                             : QString();
    file.write((QStringLiteral("#!/bin/bash\n") + wait +
                QStringLiteral("exec 3<>/dev/tcp/127.0.0.1/%1 || exit 9\n"
                               "printf 'GET / HTTP/1.0\\r\\n\\r\\n' >&3\n"
                               "head -c 512 <&3 | tr -d '\\r' > '%2.seen'\n"
                               "exit 7\n")
                    .arg(port)
                    .arg(path))
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
    void startRefused_data();
    void startRefused();
    void windowsShareTheSandbox_data();
    void windowsShareTheSandbox();
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

void TestLauncher::startRefused_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("engineSandboxOff");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("said");
    // The engine will not sandbox the superuser and would end the process.
    QTest::newRow("root without the engine's sandbox")
        << "offscreen" << false << 1 << QStringList{"cannot run as root", "normal user"};
    // Qt would abort (exit 134) in the application object.
    QTest::newRow("an unknown window system")
        << "no-such-platform" << true << 2 << QStringList{"no usable window system", "qt6-wayland"};
    QTest::newRow("Wayland without a compositor")
        << "wayland" << true << 2 << QStringList{"no usable window system"};
}

// A program that cannot run says why and exits, instead of vanishing or aborting.
void TestLauncher::startRefused()
{
#ifndef KESTROVA_PROGRAM
    QSKIP("the program is not built");
#else
    QFETCH(QString, platform);
    QFETCH(bool, engineSandboxOff);
    QFETCH(int, exitCode);
    QFETCH(QStringList, said);
    if (!engineSandboxOff && geteuid() != 0)
        QSKIP("needs the superuser");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!engineSandboxOff) {
        environment.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
        environment.remove(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"));
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("kestrova-no-compositor"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KESTROVA_PROGRAM), QStringList());
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    for (const QString &words : said)
        QVERIFY2(errors.contains(words), qPrintable(errors));
#endif
}

void TestLauncher::windowsShareTheSandbox_data()
{
    QTest::addColumn<bool>("secondWindow");
    QTest::addColumn<bool>("killFirstLauncher");
    QTest::newRow("two windows, the first closed first") << true << false;
    QTest::newRow("the starting launcher killed") << false << true;
}

// The sandbox a launcher started serves every window opened meanwhile, and stops
// when the last of them closes, whatever happened to the launcher.
void TestLauncher::windowsShareTheSandbox()
{
    QFETCH(bool, secondWindow);
    QFETCH(bool, killFirstLauncher);
    QTemporaryDir folder;
    const quint16 port = freePort();
    auto open = [&](const QString &name, QProcess &process) {
        const QString standIn = writeStandIn(folder.path(), name, port, true);
        process.start(launcher(),
                      {QStringLiteral("--port"), QString::number(port), QStringLiteral("--program"),
                       standIn, QStringLiteral("--sandbox"), SandboxProcess::executable()});
        return QTest::qWaitFor([&] { return QFile::exists(standIn + QStringLiteral(".open")); },
                               30000);
    };
    auto close = [&](const QString &name) {
        QFile(folder.path() + QLatin1Char('/') + name + QStringLiteral(".close"))
            .open(QIODevice::WriteOnly);
        return QTest::qWaitFor([&] { return !seenBy(folder.path() + '/' + name).isEmpty(); },
                               30000);
    };
    QProcess first;
    QProcess second;
    auto ended = [](QProcess &process) {
        return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000);
    };
    QVERIFY(open(QStringLiteral("first"), first));
    if (secondWindow)
        QVERIFY(open(QStringLiteral("second"), second));
    if (killFirstLauncher) {
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(ended(first));
    }

    QVERIFY(close(QStringLiteral("first")));
    QVERIFY(seenBy(folder.path() + QStringLiteral("/first")).contains("X-Kestrova-Sandbox: 1"));
    if (secondWindow) {
        QVERIFY(ended(first));
        QVERIFY(answers(port));
        QVERIFY(close(QStringLiteral("second")));
        QVERIFY(
            seenBy(folder.path() + QStringLiteral("/second")).contains("X-Kestrova-Sandbox: 1"));
        QVERIFY(ended(second));
        QCOMPARE(second.exitCode(), 7);
    }
    QVERIFY(QTest::qWaitFor([&] { return !answers(port); }, 10000));
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
