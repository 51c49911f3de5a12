// kestrova-bench-panewrites: what the program's process keeps per document a pane
// writes. One pane writes a 45 KB document (a large grid's worth of Chinese text
// and links) again and again; the process's anonymous memory is read after a
// warm-up and at the end.
//
//   kestrova-bench-panewrites [WRITES]
#include "support/ProcessMemory.h"
#include "support/pane/PaneInspect.h"

#include "panes/EngineSwitches.h"
#include "panes/PaneScheme.h"
#include "panes/WebEnginePane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QTimer>

#include <cstdio>

namespace {

double anonymousMiB()
{
    return ProcessMemory::rollupMiB(ProcessMemory::Self, "Anonymous");
}

void settle()
{
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    EngineSwitches::install();
    PaneScheme::registerScheme();
    QApplication app(argc, argv);
    constexpr int WarmUp = 50;
    const int writes = qMax(WarmUp + 1, argc > 1 ? atoi(argv[1]) : 1050);

    QWidget window;
    window.resize(700, 500);
    auto *frame = new QFrame(&window);
    frame->setGeometry(10, 10, 600, 400);
    WebEnginePane pane(frame);
    pane.setWidth(9000);
    pane.setHeight(6000);
    window.show();

    QString document;
    for (int i = 0; i < 600; ++i)
        document +=
            QStringLiteral("<p>第%1行 女装连衣裙 <a href='http://[cid=16][name=女装]'>女装</a></p>")
                .arg(i);
    double before = 0;
    QElapsedTimer writing;
    for (int i = 0; i < writes; ++i) {
        if (i == WarmUp) {
            settle();
            before = anonymousMiB();
            writing.start();
        }
        pane.open();
        pane.write(QStringLiteral("<p>%1</p>").arg(i) + document);
        if (!PaneInspect::waitForDocument(&pane)) {
            std::printf("write %d did not load\n", i);
            return 1;
        }
    }
    const double msPerWrite = double(writing.elapsed()) / (writes - WarmUp);
    settle();
    const double after = anonymousMiB();
    std::printf("%d writes of %lld bytes (UTF-8): anonymous memory %.1f -> %.1f MiB after the "
                "first %d, %.2f KiB kept per write\n",
                writes, static_cast<long long>(document.toUtf8().size()), before, after, WarmUp,
                (after - before) * 1024.0 / (writes - WarmUp));
    std::printf("%.1f ms a write, from write to the end of its load\n", msPerWrite);
    return 0;
}
