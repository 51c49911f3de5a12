#include "app/EngineSandboxCheck.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <unistd.h>

namespace EngineSandboxCheck {

QString problem()
{
    if (geteuid() != 0)
        return QString();
    const QByteArray off = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    if (!off.isEmpty() && off != "0")
        return QString();
    if (qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox"))
        return QString();
    return QStringLiteral(
        "Kestrova 不能以 root（超级用户）身份运行：浏览器引擎的安全沙箱不允许。"
        "请以普通用户身份启动 Kestrova。\n"
        "Kestrova cannot run as root: the browser engine's sandbox does not allow it. "
        "Start Kestrova as a normal user (for example from your desktop's menu).");
}

void report(const QString &text)
{
    std::fprintf(stderr, "kestrova: %s\n", qPrintable(text));
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return;
    QMessageBox::critical(nullptr, QStringLiteral("Kestrova"), text);
}

} // namespace EngineSandboxCheck
