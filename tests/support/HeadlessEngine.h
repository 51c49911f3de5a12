#pragma once

#include <QByteArray>
#include <QtGlobal>

// The engine's own sandbox cannot start as root in a container, and tests and
// benchmarks run headless; a value set from outside wins.
inline void prepareHeadlessEngine()
{
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
