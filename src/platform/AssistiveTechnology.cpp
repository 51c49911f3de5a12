#include "platform/AssistiveTechnology.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QVariantMap>

namespace AssistiveTechnology {

namespace {
// A desktop whose bus does not answer promptly has nothing listening that matters more
// than a start-up that waits.
constexpr int ReplyTimeoutMs = 500;
} // namespace

bool isActive(const QString &sessionBusAddress)
{
    if (qEnvironmentVariableIntValue("QT_LINUX_ACCESSIBILITY_ALWAYS_ON") != 0)
        return true;
    const QString name = QStringLiteral("kestrova-assistive-technology");
    QDBusConnection bus = sessionBusAddress.isEmpty()
                              ? QDBusConnection::sessionBus()
                              : QDBusConnection::connectToBus(sessionBusAddress, name);
    bool active = false;
    if (bus.isConnected()) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
        get << QStringLiteral("org.a11y.Status");
        // Only a running bus answers: asking must not start one.
        get.setAutoStartService(false);
        const QDBusMessage reply = bus.call(get, QDBus::Block, ReplyTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            const QVariantMap status = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
            active = status.value(QStringLiteral("ScreenReaderEnabled")).toBool() ||
                     status.value(QStringLiteral("IsEnabled")).toBool();
        }
    }
    if (!sessionBusAddress.isEmpty())
        QDBusConnection::disconnectFromBus(name);
    return active;
}

} // namespace AssistiveTechnology
