// kestrova-bench-soak: a thousand user actions in a row on the real main window
// against the sandbox with its fault switches on. The window runs in a child
// process (this program with --window), so a crash is seen as its exit; the
// parent sums the memory of the child and all its engine processes after the
// first actions and at the end.
//
//   kestrova-bench-soak [--actions N] [--seed N] [--checkpoint N] [sandbox fault options...]
#include "SoakRun.h"
#include "support/ProcessMemory.h"

#include "support/HeadlessEngine.h"
#include "support/TestConfiguration.h"
#include "support/TestDoubles.h"

#include "app/Form1.h"
#include "panes/EngineSwitches.h"
#include "panes/PaneEngine.h"
#include "panes/PaneScheme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebEngineProfile>

#include "support/SandboxProcess.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

int runWindow(const QStringList &args)
{
    const QString host = args.value(args.indexOf(QStringLiteral("--host")) + 1);
    const quint32 seed = args.value(args.indexOf(QStringLiteral("--seed")) + 1).toUInt();
    const int actions = args.value(args.indexOf(QStringLiteral("--actions")) + 1).toInt();
    const int checkpoint = args.value(args.indexOf(QStringLiteral("--checkpoint")) + 1).toInt();
    const QString log = args.value(args.indexOf(QStringLiteral("--log")) + 1);

    // An experiment switch: the engine's memory cache capped at this many MiB.
    const int cacheMiB = args.value(args.indexOf(QStringLiteral("--cache-mib")) + 1).toInt();
    if (args.contains(QStringLiteral("--cache-mib")))
        PaneEngine::profile()->setHttpCacheMaximumSize(cacheMiB * 1024 * 1024);
    TestConfiguration::installOneHost(host, QStringLiteral("http://%1/").arg(host));
    FakeNetworkState network; // online: the probe page is the sandbox's
    RecordingBrowserLauncher launcher;
    Form1Options options;
    options.network = &network;
    options.browser = &launcher;
    options.messageBox = [](const QString &, const QString &text) {
        std::printf("@soak message %s\n", qPrintable(text));
    };
    auto *form = new Form1(options);
    form->Show();
    SoakRun run(*form, launcher, seed, log);
    if (!run.waitForStart(60000)) {
        std::printf("@soak nostart\n");
        std::fflush(stdout);
    }
    std::printf("@soak ready\n");
    std::fflush(stdout);
    std::string line;
    for (int i = 0; i < actions; ++i) {
        run.next();
        if (run.done() == checkpoint) {
            std::printf("@soak checkpoint %d\n", checkpoint);
            std::fflush(stdout);
            std::getline(std::cin, line); // the parent has measured
        }
    }
    std::printf("@soak done %d renderer-deaths %d launched %d\n", run.done(), run.rendererDeaths(),
                int(launcher.opened.size()));
    std::fflush(stdout);
    std::getline(std::cin, line);
    delete form;
    return 0;
}

// Pages of the process tree no other process maps: unlike PSS, this does not
// move when other engine processes on the machine start or stop. Anonymous
// memory (heaps, caches) moves with neither, nor with how many library pages
// only this tree happens to map.
double summedMiB(qint64 pid, const QList<QByteArray> &fields)
{
    double mib = 0;
    for (qint64 p : QList<qint64>{pid} + ProcessMemory::descendants(pid))
        for (const QByteArray &field : fields)
            mib += ProcessMemory::rollupMiB(p, field);
    return mib;
}

// Where each process's PSS lies: heaps, mapped files (libraries), shared memory.
QString breakdownText(qint64 pid)
{
    QStringList parts;
    for (qint64 p : QList<qint64>{pid} + ProcessMemory::descendants(pid)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(p));
        QString role = QStringLiteral("window");
        if (cmdline.open(QIODevice::ReadOnly)) {
            for (const QByteArray &arg : cmdline.readAll().split('\0'))
                if (arg.startsWith("--type="))
                    role = QString::fromLatin1(arg.mid(7));
        }
        if (role == QLatin1String("window") && p != pid)
            continue; // the sandbox is not the program's
        // A renderer is forked from a zygote and keeps its command line.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(p));
        if (role == QLatin1String("zygote") && stat.open(QIODevice::ReadOnly)) {
            const QByteArray text = stat.readAll();
            const QList<QByteArray> after = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (after.value(1).toLongLong() != pid)
                role = QStringLiteral("renderer");
        }
        parts << QStringLiteral("%1 %2/%3/%4")
                     .arg(role)
                     .arg(ProcessMemory::rollupMiB(p, "Pss_Anon"), 0, 'f', 1)
                     .arg(ProcessMemory::rollupMiB(p, "Pss_File"), 0, 'f', 1)
                     .arg(ProcessMemory::rollupMiB(p, "Pss_Shmem"), 0, 'f', 1);
    }
    return QStringLiteral("  PSS anon/file/shmem MiB: ") + parts.join(QStringLiteral(", "));
}

struct Memory
{
    double pss = 0, priv = 0, anonymous = 0;
};

QString memoryText(qint64 pid, Memory *out)
{
    const ProcessMemory m = ProcessMemory::of(pid);
    out->pss = m.pssMiB;
    out->priv = summedMiB(pid, {"Private_Clean", "Private_Dirty"});
    out->anonymous = summedMiB(pid, {"Anonymous"});
    return QStringLiteral("%1 MiB PSS in %2 processes, %3 MiB private, %4 MiB anonymous "
                          "(window process RSS %5 MiB)")
        .arg(m.pssMiB, 0, 'f', 1)
        .arg(m.processes)
        .arg(out->priv, 0, 'f', 1)
        .arg(out->anonymous, 0, 'f', 1)
        .arg(m.ownRssMiB, 0, 'f', 1);
}

void printGrowth(const char *what, double from, double to)
{
    if (from > 0)
        std::printf("%s: %+.1f %%\n", what, (to - from) * 100.0 / from);
}

int runParent(const QStringList &args)
{
    int actions = 1000, checkpoint = 50;
    quint32 seed = 2009;
    QStringList faults = {"--error-every",   "13", "--no-total-every", "7",
                          "--timeout-every", "17", "--delay-ms",       "3"};
    QStringList extra, windowExtra;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--actions"))
            actions = args.value(++i).toInt();
        else if (args[i] == QLatin1String("--seed"))
            seed = args.value(++i).toUInt();
        else if (args[i] == QLatin1String("--checkpoint"))
            checkpoint = args.value(++i).toInt();
        else if (args[i] == QLatin1String("--cache-mib")) {
            windowExtra << args[i];
            windowExtra << args.value(++i);
        } else
            extra << args[i];
    }
    if (!extra.isEmpty())
        faults = extra;

    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sandbox.log"));
    SandboxProcess sandbox;
    if (SandboxProcess::executable().isEmpty() ||
        !sandbox.start(faults + QStringList{QStringLiteral("--log"), log})) {
        std::fprintf(stderr, "soak: the sandbox did not start\n");
        return 1;
    }
    std::printf("sandbox on %s with %s\n", qPrintable(sandbox.hostPort()),
                qPrintable(faults.join(' ')));
    std::printf("%d actions, seed %u\n", actions, seed);
    std::fflush(stdout);

    QProcess window;
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    window.start(QCoreApplication::applicationFilePath(),
                 QStringList{"--window", "--host", sandbox.hostPort(), "--seed",
                             QString::number(seed), "--actions", QString::number(actions),
                             "--checkpoint", QString::number(checkpoint), "--log", log} +
                     windowExtra);
    if (!window.waitForStarted(10000))
        return 1;

    QElapsedTimer clock;
    clock.start();
    QMap<QString, QPair<int, qint64>> byKind; // count, total ms
    QMap<int, QStringList> requests;
    int slowestIndex = -1, unsettled = 0, messages = 0;
    qint64 slowestMs = -1;
    QString slowestKind, doneLine;
    Memory atCheckpoint, atEnd;
    while (window.state() == QProcess::Running || window.canReadLine()) {
        if (!window.canReadLine() && !window.waitForReadyRead(1000))
            continue;
        const QString line = QString::fromUtf8(window.readLine()).trimmed();
        if (!line.startsWith(QLatin1String("@soak ")))
            continue;
        const QString body = line.mid(6);
        if (body.startsWith(QLatin1String("action "))) {
            const QStringList f = body.mid(7).split(QLatin1Char('\t'));
            const int index = f[0].section(QLatin1Char(' '), 0, 0).toInt();
            const QString kind = f[0].section(QLatin1Char(' '), 1);
            const qint64 ms = f.value(1).toLongLong();
            byKind[kind].first += 1;
            byKind[kind].second += ms;
            if (f.value(3) != QLatin1String("settled"))
                ++unsettled;
            if (ms > slowestMs) {
                slowestMs = ms;
                slowestIndex = index;
                slowestKind = kind;
            }
            // Requests follow their action's line; keep the slowest action's only.
            for (const int key : requests.keys())
                if (key != slowestIndex)
                    requests.remove(key);
        } else if (body.startsWith(QLatin1String("request "))) {
            requests[body.section(QLatin1Char(' '), 1, 1).toInt()].append(
                body.section(QLatin1Char(' '), 2));
        } else if (body.startsWith(QLatin1String("checkpoint"))) {
            std::printf("after %d actions: %s\n", checkpoint,
                        qPrintable(memoryText(window.processId(), &atCheckpoint)));
            std::printf("%s\n", qPrintable(breakdownText(window.processId())));
            std::fflush(stdout);
            window.write("continue\n");
        } else if (body.startsWith(QLatin1String("done"))) {
            doneLine = body;
            std::printf("after %d actions: %s\n", actions,
                        qPrintable(memoryText(window.processId(), &atEnd)));
            std::printf("%s\n", qPrintable(breakdownText(window.processId())));
            std::fflush(stdout);
            window.write("quit\n");
        } else if (body.startsWith(QLatin1String("message"))) {
            ++messages;
        } else {
            std::printf("%s\n", qPrintable(body));
        }
    }
    window.waitForFinished(30000);
    const bool crashed = window.exitStatus() == QProcess::CrashExit;
    std::printf("\nwindow process: %s (exit code %d), %s\n",
                crashed ? "CRASHED" : "exited normally", window.exitCode(), qPrintable(doneLine));
    std::printf("crashes: %d; actions that did not settle within 120 s: %d; message boxes: %d\n",
                crashed ? 1 : 0, unsettled, messages);
    std::printf("run took %.1f s\n\n%-16s %6s %10s\n", clock.elapsed() / 1000.0, "action", "count",
                "mean ms");
    for (auto it = byKind.cbegin(); it != byKind.cend(); ++it)
        std::printf("%-16s %6d %10.1f\n", qPrintable(it.key()), it.value().first,
                    double(it.value().second) / it.value().first);
    std::printf("\nslowest: action %d (%s), %lld ms; its requests (sandbox log):\n", slowestIndex,
                qPrintable(slowestKind), static_cast<long long>(slowestMs));
    // The program's own fetches in full; the panes' pictures summed up.
    int pictures = 0, failedPictures = 0;
    double slowestPicture = 0;
    for (const QString &r : requests.value(slowestIndex)) {
        const QStringList f = r.split(QLatin1Char(' '));
        if (f.value(1).startsWith(QLatin1String("/pic/")) ||
            f.value(1).startsWith(QLatin1String("/images/"))) {
            ++pictures;
            failedPictures += f.value(2) != QLatin1String("200");
            slowestPicture = qMax(slowestPicture, f.value(3).chopped(2).toDouble());
        } else {
            std::printf("    %s\n", qPrintable(r));
        }
    }
    std::printf("    and %d pictures for the panes (%d failed), the slowest %.1f ms\n", pictures,
                failedPictures, slowestPicture);
    std::printf("\n");
    printGrowth(qPrintable(QStringLiteral("PSS growth from action %1 to the end").arg(checkpoint)),
                atCheckpoint.pss, atEnd.pss);
    printGrowth("private memory growth over the same actions", atCheckpoint.priv, atEnd.priv);
    printGrowth("anonymous memory growth over the same actions", atCheckpoint.anonymous,
                atEnd.anonymous);
    sandbox.stop();
    return crashed ? 2 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.contains(QStringLiteral("--window"))) {
        // As the shipped program: its engine switches, one renderer for the panes.
        EngineSwitches::install();
        PaneScheme::registerScheme();
        prepareHeadlessEngine();
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        QApplication app(argc, argv);
        return runWindow(args);
    }
    QCoreApplication app(argc, argv);
    return runParent(args);
}
