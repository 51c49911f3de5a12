#include "app/mainLoad.h"

#include <QApplication>
#include <QWidget>

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

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KestrovaV1.0"));
    mainLoad::Main();
    const int status = app.exec();
    deleteRemainingWindows();
    return status;
}
