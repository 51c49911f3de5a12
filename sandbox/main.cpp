#include "SandboxServer.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

namespace {

int serve(int argc, char *argv[])
{
    // Block SIGINT and SIGTERM in every thread; one thread waits for them and
    // stops the server, which cannot be done from a signal handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // Pictures are drawn with fonts, which need a GUI application, never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("kestrova-sandbox"));

    SandboxOptions options;
    QString error;
    QString help;
    if (!SandboxOptions::parse(QGuiApplication::arguments(), &options, &error, &help)) {
        if (!help.isEmpty()) {
            std::fputs(qPrintable(help), stdout);
            return 0;
        }
        std::fprintf(stderr, "kestrova-sandbox: %s\n", qPrintable(error));
        return 2;
    }

    SandboxServer server(options);
    const int port = server.prepare(&error) ? server.bind(&error) : -1;
    if (port < 0) {
        std::fprintf(stderr, "kestrova-sandbox: %s\n", qPrintable(error));
        return 1;
    }
    QString host = options.bind;
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    std::printf("listening on http://%s:%d\n", qPrintable(host), port);
    std::fflush(stdout);

    std::thread waiter([&server, &stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    const bool served = server.run();
    // If serving ended by itself, wake the waiter with a signal it is waiting for.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return served ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    return serve(argc, argv);
}
