#include "app/ProgramMain.h"

#include "app/EngineSandboxCheck.h"
#include "app/PlatformFailure.h"
#include "app/WindowAccessibility.h"
#include "app/mainLoad.h"
#include "panes/EngineSwitches.h"
#include "panes/PaneScheme.h"
#include "platform/ProcessSettings.h"

#include <QApplication>
#include <QWidget>

#include <optional>

namespace {

// Windows go before the application object, so the HTML views release their
// pages before the browser engine shuts down.
void deleteRemainingWindows()
{
    for (;;) {
        QWidget *owned = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (!w->parentWidget())
                owned = w;
        if (!owned)
            return;
        delete owned;
    }
}

} // namespace

int ProgramMain(int argc, char *argv[], const std::function<void(QApplication &)> &onApplication)
{
    ProcessSettings::applyBeforeApplication();
    EngineSwitches::install();
    PaneScheme::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    std::optional<PlatformFailure> platformFailure(std::in_place);
    QApplication app(argc, argv);
    platformFailure.reset();
    WindowAccessibility::install();
    QApplication::setApplicationName(QStringLiteral("KestrovaV1.0"));
    // Ties the window to its menu entry on Wayland, where there is no WM_CLASS.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kestrova.Kestrova"));
    if (const QString problem = EngineSandboxCheck::problem(); !problem.isEmpty()) {
        EngineSandboxCheck::report(problem);
        return 1;
    }
    ProcessSettings::apply();
    if (onApplication)
        onApplication(app);
    mainLoad::Main();
    const int status = app.exec();
    deleteRemainingWindows();
    return status;
}
