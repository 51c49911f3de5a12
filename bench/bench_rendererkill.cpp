// kestrova-bench-rendererkill: how long a pane stays empty after its renderer is
// killed, for a path-sized document and for a 30,000-link category menu. Each
// document is shown, its renderer killed, and the time taken until the pane shows
// it again is printed, several times over.
//
//   kestrova-bench-rendererkill [KILLS]
#include "support/WaitUntil.h"
#include "support/pane/PaneInspect.h"

#include "panes/EngineSwitches.h"
#include "panes/PaneScheme.h"
#include "panes/WebEnginePane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

QString menu(int links)
{
    QString html = QStringLiteral("<body><nobr>");
    for (int i = 0; i < links; ++i)
        html += QStringLiteral("<a href='http://[cid=%1][name=第%1类]'>第%1类 一个很长的类目名称"
                               "</a><br>")
                    .arg(i);
    return html + QStringLiteral("</nobr>");
}

// Milliseconds from the kill to the document shown again by a new renderer; -1 if never.
double killAndWait(WebEnginePane *pane)
{
    QWebEnginePage *page = pane->view()->page();
    const qint64 pid = page->renderProcessPid();
    if (pid <= 0)
        return -1;
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(pid), SIGKILL);
    // The death is seen first: until then the pane still counts as shown.
    bool died = false;
    const auto connection =
        QObject::connect(page, &QWebEnginePage::renderProcessTerminated, [&died] { died = true; });
    const bool back = waitUntil(
        [&] {
            return died && page->renderProcessPid() > 0 && page->renderProcessPid() != pid &&
                   !pane->isLoading();
        },
        30000);
    QObject::disconnect(connection);
    // Painted: a script's answer comes from the document's new renderer.
    return back && PaneInspect::evaluate(pane, QStringLiteral("1")).toInt() == 1
               ? double(clock.nsecsElapsed()) / 1e6
               : -1;
}

} // namespace

int main(int argc, char **argv)
{
    EngineSwitches::install();
    PaneScheme::registerScheme();
    QApplication app(argc, argv);
    const int kills = std::max(1, argc > 1 ? atoi(argv[1]) : 3);

    QWidget window;
    window.resize(700, 500);
    auto *frame = new QFrame(&window);
    frame->setGeometry(10, 10, 600, 400);
    window.show();

    for (const int links : {1, 30000}) {
        // A pane of its own: a pane gives up on a document whose renderer keeps dying.
        WebEnginePane pane(frame);
        pane.setWidth(9000);
        pane.setHeight(6000);
        QElapsedTimer written;
        written.start();
        pane.open();
        pane.write(menu(links));
        if (!PaneInspect::waitForDocument(&pane)) {
            std::printf("the %d-link document did not load\n", links);
            return 1;
        }
        const double writeMs = double(written.nsecsElapsed()) / 1e6;
        QList<double> ms;
        for (int i = 0; i < kills; ++i)
            ms << killAndWait(&pane);
        std::sort(ms.begin(), ms.end());
        QStringList all;
        for (double v : std::as_const(ms))
            all << QString::number(v, 'f', 0);
        std::printf("%5d links: written and loaded in %.0f ms; shown again %s ms after the kill "
                    "(median of %d: %.0f ms)\n",
                    links, writeMs, qPrintable(all.join(QLatin1Char(' '))), kills,
                    ms.at(ms.size() / 2));
        std::fflush(stdout);
    }
    return 0;
}
