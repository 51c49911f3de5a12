#include "app/PlatformFailure.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler g_previous = nullptr;

void onMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        if (g_previous)
            g_previous(type, context, text);
        return;
    }
    // No message box can show without a window system: stderr is all there is.
    std::fprintf(
        stderr,
        "kestrova: %s\n"
        "kestrova: 无法打开窗口：没有可用的窗口系统。请在桌面会话（X11 或 Wayland）中启动"
        " Kestrova；Wayland 下需要安装 qt6-wayland。\n"
        "kestrova: no window could be opened: no usable window system. Start Kestrova in a"
        " desktop session (X11 or Wayland); on Wayland, install qt6-wayland. QT_QPA_PLATFORM"
        " chooses the window system (for example xcb or wayland).\n",
        qPrintable(text));
    std::fflush(stderr);
    std::_Exit(PlatformFailure::ExitCode);
}

} // namespace

PlatformFailure::PlatformFailure()
{
    g_previous = qInstallMessageHandler(onMessage);
}

PlatformFailure::~PlatformFailure()
{
    qInstallMessageHandler(g_previous);
    g_previous = nullptr;
}
