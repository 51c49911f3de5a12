// kestrova-bench-floor: the engine's own floor. A bare window of the program's
// size with four QWebEngineViews where its panes are, page scripts off, Chromium's
// default settings, loading the final documents the program wrote (left by the
// probe in the folder named on the command line). Takes "replay" and "quit" on stdin.
#include "BenchReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <unistd.h>

namespace {

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Floor
{
    QWidget window;
    QWebEngineView *views[4] = {};
    bool loading[4] = {};
    qint64 finished[4] = {};
    QUrl base;
    QString dir;

    bool build()
    {
        const QStringList lines = readText(BenchReport::geometryFile(dir)).split(QLatin1Char('\n'));
        if (lines.size() < 6)
            return false;
        const QStringList size = lines[0].split(QLatin1Char(' '));
        window.setFixedSize(size.value(0).toInt(), size.value(1).toInt());
        base = QUrl(lines[1]);
        for (int i = 0; i < 4; ++i) {
            const QStringList g = lines[2 + i].split(QLatin1Char(' '));
            auto *frame = new QFrame(&window);
            frame->setGeometry(g[0].toInt(), g[1].toInt(), g[2].toInt(), g[3].toInt());
            views[i] = new QWebEngineView(frame);
            views[i]->setGeometry(g[4].toInt(), g[5].toInt(), g[6].toInt(), g[7].toInt());
            views[i]->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
            QObject::connect(views[i], &QWebEngineView::loadFinished, views[i], [this, i] {
                loading[i] = false;
                finished[i] = BenchReport::epochMicros();
            });
        }
        return true;
    }

    void load(int pane, const QString &html)
    {
        loading[pane] = true;
        views[pane]->setHtml(html, base);
    }

    bool anyLoading() const { return loading[0] || loading[1] || loading[2] || loading[3]; }

    bool waitLoaded(int boundMs)
    {
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!anyLoading() || clock.elapsed() > boundMs)
                loop.quit();
        });
        poll.start(2);
        if (anyLoading())
            loop.exec();
        return !anyLoading();
    }

    // The program's actions in order, each pane it loaded given the same document.
    void replay()
    {
        const QStringList lines = readText(BenchReport::actionsFile(dir)).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() < 5 || f[4].isEmpty())
                continue;
            const int action = f[0].toInt();
            QList<int> panes;
            for (const QString &p : f[4].split(QLatin1Char(',')))
                panes << p.toInt();
            const qint64 start = BenchReport::epochMicros();
            for (int p : panes)
                load(p - 1, readText(BenchReport::actionDocument(dir, action, p)));
            if (!waitLoaded(10000)) {
                BenchReport::event(
                    "stuck", QStringLiteral("floor action %1 did not finish in 10 s").arg(action));
                continue;
            }
            qint64 end = 0;
            for (int p : panes)
                end = std::max(end, finished[p - 1]);
            BenchReport::event(
                "floor-action", end,
                QStringLiteral("%1\t%2").arg(action).arg(double(end - start) / 1000.0, 0, 'f', 2));
        }
    }
};

} // namespace

int main(int argc, char *argv[])
{
    BenchReport::event("main");
    QApplication app(argc, argv);
    BenchReport::event("application");
    Floor floor;
    floor.dir = app.arguments().value(1);
    if (!floor.build()) {
        BenchReport::event("stuck", QStringLiteral("no geometry in the folder"));
        return 2;
    }
    BenchReport::event("views-created");
    for (int i = 0; i < 4; ++i)
        floor.load(i, readText(BenchReport::startupDocument(floor.dir, i + 1)));
    floor.window.show();
    BenchReport::event("window-shown");
    if (floor.waitLoaded(10000)) {
        qint64 last = 0;
        for (qint64 at : floor.finished)
            last = std::max(last, at);
        BenchReport::event("panes-loaded", last);
    } else {
        BenchReport::event("stuck", QStringLiteral("a floor pane did not finish loading in 10 s"));
    }
    BenchReport::event("ready");

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer - 1);
        const QByteArray command = got > 0 ? QByteArray(buffer, got).trimmed() : "quit";
        input.setEnabled(false);
        if (command == "replay") {
            floor.replay();
            BenchReport::event("replay-done");
            input.setEnabled(true);
            return;
        }
        QCoreApplication::quit();
    });
    const int status = app.exec();
    for (QWebEngineView *view : floor.views)
        delete view;
    return status;
}
