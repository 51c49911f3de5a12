// kestrova-bench: start-up, actions, the client's own work and memory of the
// program, beside a bare program that shows the same four documents (the floor),
// all against a sandbox marketplace it starts on a free port. Prints a table;
// passes or fails nothing.
//
//   kestrova-bench [--runs N] [--cold-runs N] [--actions N] [--keep FOLDER]
//                  [--probe-flags "CHROMIUM FLAGS"]
//
// The floor runs with Chromium's defaults: it gets no QTWEBENGINE_CHROMIUM_FLAGS.
// The program gets --probe-flags, if given, as a user's QTWEBENGINE_CHROMIUM_FLAGS.
//
// The program is measured as kestrova-bench-probe: the shipped program's
// ProgramMain with an observer, pointed at the sandbox through variables that
// only that build reads.
#include "BenchChild.h"
#include "BenchReport.h"
#include "BenchTable.h"
#include "ClientWork.h"
#include "support/ProcessMemory.h"

#include "support/SandboxProcess.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

struct Options
{
    int warmRuns = 5;
    int coldRuns = 3;
    int actions = 100;
    QString keep;       // a folder to keep the documents in, instead of a temporary one
    QString probeFlags; // a user's QTWEBENGINE_CHROMIUM_FLAGS for the program (not the floor)
};

// Children to end when the bench itself is interrupted.
volatile sig_atomic_t g_sandboxPid = 0;
volatile sig_atomic_t g_childPid = 0;

void onSignal(int signal)
{
    if (g_childPid > 0)
        ::kill(pid_t(g_childPid), SIGKILL);
    if (g_sandboxPid > 0)
        ::kill(pid_t(g_sandboxPid), SIGTERM);
    std::_Exit(128 + signal);
}

struct StartupRun
{
    double entered = -1, application = -1; // main() entered, application object made
    double loadingShown = -1, mainShown = -1, panesLoaded = -1;
    ProcessMemory memory;
};

class Bench
{
public:
    Bench(const Options &options, const QString &hostPort, const QString &dir)
        : m_options(options), m_hostPort(hostPort), m_dir(dir)
    {
        const QString here = QCoreApplication::applicationDirPath();
        m_probe = here + QStringLiteral("/kestrova-bench-probe");
        m_floor = here + QStringLiteral("/kestrova-bench-floor");
    }

    void run();

private:
    QProcessEnvironment environment(bool floor) const;
    bool dropCaches();
    StartupRun probeStartup();
    StartupRun floorStartup();
    void actions();
    void replayOnFloor();
    void printTable(const QList<double> &clientWork);

    Options m_options;
    QString m_hostPort, m_dir, m_probe, m_floor;
    bool m_coldPermitted = true;
    QList<StartupRun> m_cold, m_warm, m_floorCold, m_floorWarm;
    ProcessMemory m_afterStartup, m_afterActions, m_floorBeforeReplay, m_floorAfterReplay;
    struct Action
    {
        QString kind, freshness;
        double ms = -1, floorMs = -1;
    };
    QMap<int, Action> m_actions;
};

QProcessEnvironment Bench::environment(bool floor) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"));
    if (!floor && !m_options.probeFlags.isEmpty())
        env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), m_options.probeFlags);
    env.insert(QStringLiteral("KESTROVA_BENCH_HOST"), m_hostPort);
    env.insert(QStringLiteral("KESTROVA_BENCH_DIR"), m_dir);
    // Offscreen, on a 1920x1080 screen where the window shows as laid out, not on the
    // platform's smaller default screen where it would scroll.
    const QString platform = env.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (platform == QLatin1String("offscreen") ||
        (platform.isEmpty() && !env.contains(QStringLiteral("DISPLAY")))) {
        const QString screen = m_dir + QStringLiteral("/offscreen-screen.json");
        QFile file(screen);
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.write(R"({"screens": [{"name": "Offscreen", "x": 0, "y": 0, "width": 1920,)"
                       R"( "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("offscreen:configfile=") + screen);
    }
    // Chromium's sandbox cannot run as root; measured runs as root go without it.
    if (geteuid() == 0)
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    return env;
}

bool Bench::dropCaches()
{
    if (!m_coldPermitted)
        return false;
    ::sync();
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    if (!control.open(QIODevice::WriteOnly) || control.write("3\n") != 2) {
        m_coldPermitted = false;
        std::fprintf(stderr, "dropping the page cache is not permitted: no cold figures\n");
        return false;
    }
    return true;
}

StartupRun Bench::probeStartup()
{
    StartupRun run;
    BenchChild child;
    if (!child.start(m_probe, {}, environment(false)))
        return run;
    g_childPid = sig_atomic_t(child.pid());
    if (child.waitFor("ready", 40000)) {
        run.memory = ProcessMemory::of(child.pid());
        run.entered = child.msTo("main");
        run.application = child.msTo("application");
        run.loadingShown = child.msTo("loading-window-shown");
        run.mainShown = child.msTo("main-window-shown");
        run.panesLoaded = child.msTo("panes-loaded");
    }
    child.stop();
    g_childPid = 0;
    return run;
}

StartupRun Bench::floorStartup()
{
    StartupRun run;
    BenchChild child;
    if (!child.start(m_floor, {m_dir}, environment(true)))
        return run;
    g_childPid = sig_atomic_t(child.pid());
    if (child.waitFor("ready", 40000)) {
        run.memory = ProcessMemory::of(child.pid());
        run.panesLoaded = child.msTo("panes-loaded");
    }
    child.stop();
    g_childPid = 0;
    return run;
}

void Bench::actions()
{
    QFile::remove(BenchReport::actionsFile(m_dir));
    BenchChild child;
    if (!child.start(m_probe, {}, environment(false)))
        return;
    g_childPid = sig_atomic_t(child.pid());
    if (child.waitFor("ready", 40000)) {
        m_afterStartup = ProcessMemory::of(child.pid());
        child.send("actions " + QByteArray::number(m_options.actions));
        const BenchChild::Event *done =
            child.waitFor("actions-done", m_options.actions * 25000, child.eventCount());
        if (done && !done->details.isEmpty())
            std::fprintf(stderr, "  the actions stopped early\n");
        if (done)
            m_afterActions = ProcessMemory::of(child.pid());
        for (const BenchChild::Event &e : child.events("action")) {
            const QStringList f = e.details.split(QLatin1Char('\t'));
            Action &a = m_actions[f.value(0).toInt()];
            a.kind = f.value(1);
            a.freshness = f.value(2);
            a.ms = f.value(3).toDouble();
        }
    }
    child.stop();
    g_childPid = 0;
}

void Bench::replayOnFloor()
{
    BenchChild child;
    if (!child.start(m_floor, {m_dir}, environment(true)))
        return;
    g_childPid = sig_atomic_t(child.pid());
    if (child.waitFor("ready", 40000)) {
        m_floorBeforeReplay = ProcessMemory::of(child.pid());
        child.send("replay");
        if (child.waitFor("replay-done", m_options.actions * 12000 + 10000, child.eventCount()))
            m_floorAfterReplay = ProcessMemory::of(child.pid());
        for (const BenchChild::Event &e : child.events("floor-action")) {
            const QStringList f = e.details.split(QLatin1Char('\t'));
            if (m_actions.contains(f.value(0).toInt()))
                m_actions[f.value(0).toInt()].floorMs = f.value(1).toDouble();
        }
    }
    child.stop();
    g_childPid = 0;
}

void Bench::run()
{
    std::fprintf(stderr, "first start, to capture the documents...\n");
    const StartupRun first = probeStartup();
    if (first.panesLoaded < 0 || !QFile::exists(BenchReport::geometryFile(m_dir))) {
        std::fprintf(stderr, "the program did not load its panes: no floor, no figures\n");
        return;
    }
    for (int i = 0; i < m_options.coldRuns && dropCaches(); ++i) {
        std::fprintf(stderr, "cold start-up %d of %d...\n", i + 1, m_options.coldRuns);
        m_cold << probeStartup();
        if (dropCaches())
            m_floorCold << floorStartup();
    }
    for (int i = 0; i < m_options.warmRuns; ++i) {
        std::fprintf(stderr, "warm start-up %d of %d...\n", i + 1, m_options.warmRuns);
        m_warm << probeStartup();
        m_floorWarm << floorStartup();
    }
    std::fprintf(stderr, "%d actions...\n", m_options.actions);
    actions();
    std::fprintf(stderr, "the same documents on the floor...\n");
    replayOnFloor();
    std::fprintf(stderr, "client work per search...\n");
    printTable(measureClientWork(m_hostPort, 200));
}

QList<double> pick(const QList<StartupRun> &runs, double StartupRun::*field)
{
    QList<double> values;
    for (const StartupRun &r : runs)
        if (r.*field >= 0)
            values << r.*field;
    return values;
}

QList<double> pickMemory(const QList<StartupRun> &runs, double ProcessMemory::*field)
{
    QList<double> values;
    for (const StartupRun &r : runs)
        if (r.memory.processes > 0)
            values << r.memory.*field;
    return values;
}

void Bench::printTable(const QList<double> &clientWork)
{
    BenchTable table;
    const auto startup = [&](const QString &name, const QList<StartupRun> &runs,
                             const QList<StartupRun> &floor) {
        table.section(QStringLiteral("start-up, %1 (ms from process start)").arg(name));
        table.row(QStringLiteral("main() entered (libraries loaded)"),
                  pick(runs, &StartupRun::entered), QStringLiteral("ms"));
        table.row(QStringLiteral("application object made"), pick(runs, &StartupRun::application),
                  QStringLiteral("ms"));
        table.row(QStringLiteral("loading window shown"), pick(runs, &StartupRun::loadingShown),
                  QStringLiteral("ms"), -1, QStringLiteral("<= 150 ms"));
        table.row(QStringLiteral("main window shown"), pick(runs, &StartupRun::mainShown),
                  QStringLiteral("ms"));
        const QList<double> floorLoaded = pick(floor, &StartupRun::panesLoaded);
        table.row(QStringLiteral("every pane loaded with its pictures"),
                  pick(runs, &StartupRun::panesLoaded), QStringLiteral("ms"),
                  BenchTable::median(floorLoaded), QStringLiteral("<= 1.3x floor"));
        table.row(QStringLiteral("floor: all four loaded"), floorLoaded, QStringLiteral("ms"));
    };
    if (!m_cold.isEmpty())
        startup(QStringLiteral("cold (page cache dropped)"), m_cold, m_floorCold);
    else
        table.note(QStringLiteral("start-up, cold"),
                   m_coldPermitted
                       ? QStringLiteral("not measured (--cold-runs 0)")
                       : QStringLiteral("not measured: dropping the page cache is not permitted"));
    startup(QStringLiteral("warm"), m_warm, m_floorWarm);

    table.section(QStringLiteral("actions (ms from the input to the last pane's load finished)"));
    const QStringList kinds = {QStringLiteral("menu click"),  QStringLiteral("child click"),
                               QStringLiteral("path click"),  QStringLiteral("keyword search"),
                               QStringLiteral("sort change"), QStringLiteral("page change")};
    QList<double> searches;
    for (const QString &kind : kinds) {
        for (const QString &fresh : {QStringLiteral("new"), QStringLiteral("cached")}) {
            QList<double> ms, floor;
            for (const Action &a : std::as_const(m_actions)) {
                if (a.kind != kind || a.freshness != fresh)
                    continue;
                ms << a.ms;
                if (a.floorMs >= 0)
                    floor << a.floorMs;
                if (kind == QLatin1String("keyword search"))
                    searches << a.ms;
            }
            table.row(QStringLiteral("%1, pictures %2")
                          .arg(kind, fresh == QLatin1String("new")
                                         ? QStringLiteral("new")
                                         : QStringLiteral("already loaded")),
                      ms, QStringLiteral("ms"), BenchTable::median(floor),
                      QStringLiteral("<= 1.2x engine"));
        }
    }
    QList<double> launches;
    for (const Action &a : std::as_const(m_actions))
        if (a.kind == QLatin1String("item click"))
            launches << a.ms;
    table.row(QStringLiteral("item click, to the launcher called"), launches, QStringLiteral("ms"));

    table.section(QStringLiteral("client's own work per search (fetch and rendering excluded)"));
    table.row(QStringLiteral("reading the answer, composing the grid"), clientWork,
              QStringLiteral("us"));
    const double searchMedian = BenchTable::median(searches);
    if (!clientWork.isEmpty() && searchMedian > 0)
        table.note(QStringLiteral("share of the keyword search action (medians)"),
                   QStringLiteral("%1 %  (target < 2 %)")
                       .arg(BenchTable::median(clientWork) / 10.0 / searchMedian, 0, 'f', 2));

    table.section(QStringLiteral("memory (PSS summed over the program and its engine processes)"));
    const QList<double> floorPss = pickMemory(m_floorWarm, &ProcessMemory::pssMiB);
    const double floorMedian = BenchTable::median(floorPss);
    table.row(QStringLiteral("after start-up: PSS"), pickMemory(m_warm, &ProcessMemory::pssMiB),
              QStringLiteral("MiB"), floorMedian, QStringLiteral("<= 1.0x floor (defaults)"));
    QList<double> processes;
    for (const StartupRun &r : std::as_const(m_warm))
        if (r.memory.processes > 0)
            processes << r.memory.processes;
    table.row(QStringLiteral("after start-up: processes"), processes, QString());
    table.row(QStringLiteral("after start-up: the program's own RSS"),
              pickMemory(m_warm, &ProcessMemory::ownRssMiB), QStringLiteral("MiB"));
    table.row(QStringLiteral("floor: PSS"), floorPss, QStringLiteral("MiB"));
    if (m_afterActions.processes > 0) {
        table.note(QStringLiteral("action run: PSS after start-up / after %1 actions")
                       .arg(m_actions.size()),
                   QStringLiteral("%1 / %2 MiB, growth %3 %  (target < 10 %)")
                       .arg(m_afterStartup.pssMiB, 0, 'f', 1)
                       .arg(m_afterActions.pssMiB, 0, 'f', 1)
                       .arg((m_afterActions.pssMiB / m_afterStartup.pssMiB - 1) * 100, 0, 'f', 1));
        if (m_floorAfterReplay.processes > 0)
            table.note(QStringLiteral("floor: PSS before / after the same documents"),
                       QStringLiteral("%1 / %2 MiB, growth %3 %")
                           .arg(m_floorBeforeReplay.pssMiB, 0, 'f', 1)
                           .arg(m_floorAfterReplay.pssMiB, 0, 'f', 1)
                           .arg((m_floorAfterReplay.pssMiB / m_floorBeforeReplay.pssMiB - 1) * 100,
                                0, 'f', 1));
        table.note(QStringLiteral("action run: processes / own RSS after the actions"),
                   QStringLiteral("%1 / %2 MiB")
                       .arg(m_afterActions.processes)
                       .arg(m_afterActions.ownRssMiB, 0, 'f', 1));
    }
    table.print();
}

} // namespace

int main(int argc, char *argv[])
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray name = argv[i];
        const int value = std::max(0, atoi(argv[i + 1]));
        if (name == "--runs")
            options.warmRuns = std::max(1, value);
        else if (name == "--cold-runs")
            options.coldRuns = value;
        else if (name == "--actions")
            options.actions = value;
        else if (name == "--probe-flags")
            options.probeFlags = QString::fromLocal8Bit(argv[i + 1]);
        else if (name == "--keep")
            options.keep = QString::fromLocal8Bit(argv[i + 1]);
    }
    // The bench's own window-less work runs offscreen; its children get the real display.
    int qtArgc = 3;
    char platformOption[] = "-platform", platform[] = "offscreen";
    char *qtArgv[] = {argv[0], platformOption, platform, nullptr};
    QApplication app(qtArgc, qtArgv);

    SandboxProcess sandbox;
    if (!sandbox.start()) {
        std::fprintf(stderr, "the sandbox did not start\n");
        return 1;
    }
    g_sandboxPid = sig_atomic_t(sandbox.process().processId());
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);

    QTemporaryDir dir;
    std::printf(
        "kestrova-bench: sandbox at %s, %ld cores, display %s, the program's added flags '%s'\n",
        qPrintable(sandbox.hostPort()), sysconf(_SC_NPROCESSORS_ONLN),
        qgetenv("DISPLAY").isEmpty() ? "none (offscreen)" : qgetenv("DISPLAY").constData(),
        qPrintable(options.probeFlags));
    std::printf("%d warm and %d cold start-ups of each, interleaved; %d actions; every wait "
                "bounded at 10 s a step\n",
                options.warmRuns, options.coldRuns, options.actions);
    std::fflush(stdout);
    if (!options.keep.isEmpty())
        QDir().mkpath(options.keep);
    Bench(options, sandbox.hostPort(), options.keep.isEmpty() ? dir.path() : options.keep).run();

    g_sandboxPid = 0;
    const int stopped = sandbox.stop();
    std::printf("\nsandbox stopped%s\n", stopped < 0 ? " (killed)" : "");
    return 0;
}
