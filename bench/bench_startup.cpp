// Start-up figures: from process start to the main window shown, offline, and memory.
#include "support/TestDoubles.h"

#include "app/Form1.h"
#include "app/Form2.h"
#include "app/mainLoad.h"
#include "requests/Configuration.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// Milliseconds since this process was started, from /proc.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 of the whole line
    const double up = uptime.readAll().split(' ').value(0).toDouble();
    return (up - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

QByteArray residentMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return "?";
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed();
    return "?";
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const double atApplication = msSinceProcessStart();

    // Offline: the platform reports no connection, so no probe runs.
    FakeNetworkState network;
    network.connected = false;
    RecordingBrowserLauncher browser;
    Form1Options options;
    options.network = &network;
    options.browser = &browser;
    Form2::setMainWindowOptions(options);

    QElapsedTimer clock;
    clock.start();
    QPointer<Form2> loading = mainLoad::Main();
    Form1 *main = nullptr;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!main)
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *f = qobject_cast<Form1 *>(w))
                    main = f;
        if (main && main->isVisible() && !loading) {
            poll.stop();
            const double shown = msSinceProcessStart();
            std::printf("process start to QApplication: %.0f ms\n", atApplication);
            std::printf("Main() to main window shown (offline): %lld ms\n",
                        static_cast<long long>(clock.elapsed()));
            std::printf("process start to main window shown (offline): %.0f ms\n", shown);
            std::printf("resident memory with the main window up: %s\n", residentMemory().constData());
            main->setAttribute(Qt::WA_DeleteOnClose, false);
            delete main;
            QCoreApplication::quit();
        }
    });
    poll.start(5);
    return app.exec();
}
