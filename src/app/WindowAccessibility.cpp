#include "app/WindowAccessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace WindowAccessibility {

namespace {

QAccessibleInterface *windowFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("Form1") && className != QLatin1String("Form2"))
        return nullptr;
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || !widget->isWindow())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void install()
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(windowFactory);
    }
}

} // namespace WindowAccessibility
