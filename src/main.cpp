#include "app/mainLoad.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KestrovaV1.0"));
    mainLoad::Main();
    return app.exec();
}
