// kestrova-bench-probe: the program exactly as shipped (ProgramMain), pointed at
// the bench's sandbox and observed from inside. Reads KESTROVA_BENCH_HOST and
// KESTROVA_BENCH_DIR, which only this measuring build knows; takes "actions N"
// and "quit" on stdin.
#include "BenchReport.h"
#include "ProbeActions.h"
#include "ProbeObserver.h"

#include "app/Form1.h"
#include "app/Form2.h"
#include "app/ProgramMain.h"
#include "platform/BrowserLauncher.h"
#include "requests/Configuration.h"

#include <QApplication>
#include <QSocketNotifier>

#include <unistd.h>

namespace {

// Takes the item click's address instead of opening a browser.
class ProbeLauncher : public BrowserLauncher
{
public:
    ProbeActions *actions = nullptr;

protected:
    bool launch(const QString &) override
    {
        if (actions)
            actions->launcherCalled(BenchReport::epochMicros());
        return true;
    }
};

ProbeLauncher g_launcher;

void install(QApplication &app)
{
    BenchReport::event("application");
    const QString host = qEnvironmentVariable("KESTROVA_BENCH_HOST");
    Configuration config = Configuration::compiledIn();
    if (!host.isEmpty()) {
        config.makerHost = config.fileHost = config.gatewayHost = config.affiliateHost = host;
        config.probeUrl = QStringLiteral("http://") + host + QStringLiteral("/");
    }
    Configuration::install(config);
    Form1Options options;
    options.browser = &g_launcher;
    Form2::setMainWindowOptions(options);

    auto *observer = new ProbeObserver(qEnvironmentVariable("KESTROVA_BENCH_DIR"), &app);
    app.installEventFilter(observer);
    auto *actions = new ProbeActions(*observer);
    g_launcher.actions = actions;

    QObject::connect(observer, &ProbeObserver::startupSettled, observer, [observer, actions] {
        BenchReport::event("ready");
        auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, observer);
        QObject::connect(input, &QSocketNotifier::activated, observer, [observer, actions, input] {
            char buffer[256];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer - 1);
            const QByteArray command = got > 0 ? QByteArray(buffer, got).trimmed() : "quit";
            if (command.startsWith("actions ") && observer->form1()) {
                input->setEnabled(false);
                const bool ok = actions->run(command.mid(8).toInt());
                BenchReport::event("actions-done", ok ? QString() : QStringLiteral("stopped"));
                input->setEnabled(true);
                return;
            }
            input->setEnabled(false);
            if (observer->form1())
                observer->form1()->close();
            else
                QCoreApplication::exit(0);
        });
    });
}

} // namespace

int main(int argc, char *argv[])
{
    BenchReport::event("main");
    return ProgramMain(argc, argv, install);
}
