#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Waits in a real event loop until done() holds or timeoutMs has passed; true
// when it holds. QTest::qWait() sleeps between its passes, and the engine's
// messages to the window's thread wait out each sleep: this loop serves them
// as they come.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 30000)
{
    // What the last check saw: asking again afterwards may catch the next change.
    bool held = done();
    if (held)
        return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(1);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        // done() may wait itself: no second check starts inside it.
        check.stop();
        held = done();
        if (held)
            loop.quit();
        else
            check.start();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start();
    loop.exec();
    return held;
}
