#include "EngineSwitches.h"

#include <QtGlobal>

namespace EngineSwitches {

namespace {
constexpr char Variable[] = "QTWEBENGINE_CHROMIUM_FLAGS";
} // namespace

QByteArrayList own()
{
    return {
        // One renderer for the four panes instead of one each: kestrova-bench
        // measured 4 processes and 214 MiB PSS after start-up, against 8 and
        // 240 MiB with a limit of 8.
        QByteArrayLiteral("--renderer-process-limit=1"),
        // Four static pages gain nothing from GL; software compositing starts
        // quicker and holds less.
        QByteArrayLiteral("--disable-gpu"),
        QByteArrayLiteral("--disable-gpu-compositing"),
        // Only the link-capture script runs, once per written document; collected
        // eagerly, its old contexts do not pile up in the renderer: PSS grew 6 to
        // 10 % over 40 actions with it, 39 % without.
        QByteArrayLiteral("--js-flags=--optimize-for-size"),
    };
}

QByteArray merged(const QByteArray &userFlags)
{
    QByteArray flags = own().join(' ');
    const QByteArray user = userFlags.trimmed();
    if (!user.isEmpty())
        flags += ' ' + user;
    return flags;
}

void install()
{
    qputenv(Variable, merged(qgetenv(Variable)));
}

} // namespace EngineSwitches
