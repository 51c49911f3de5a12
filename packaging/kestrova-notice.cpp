// Shows one message in a warning box: kestrova-notice TEXT. The launcher uses it
// when it cannot open a working window, since a desktop menu has no terminal.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KestrovaV1.0"));
    QApplication::setDesktopFileName(QStringLiteral(KESTROVA_APP_ID));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 2)
        return 2;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestrova"), arguments.at(1),
                    QMessageBox::Ok);
    box.setWindowIcon(QIcon::fromTheme(QStringLiteral(KESTROVA_APP_ID)));
    box.exec();
    return 0;
}
