#include "SkinLayer.h"

#include <QApplication>
#include <QFile>

namespace SkinLayer {

bool LoadSkin(const QString &path, int flags)
{
    Q_UNUSED(flags) // the skin engine's options have no counterpart in a style sheet
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    QFile file(path);
    if (!app || path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    app->setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

} // namespace SkinLayer
