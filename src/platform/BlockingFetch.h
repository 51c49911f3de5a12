#pragma once

#include <QByteArray>
#include <QString>

// The one way this program fetches: a GET run to completion in a local event
// loop that keeps the window painting but takes no user input, under a wait
// cursor. While it runs, isBusy() is true and timer ticks and pane
// notifications must not start another handler.
namespace BlockingFetch {

constexpr qint64 MaxBodyBytes = 16 * 1024 * 1024;

struct Result
{
    bool ok = false;
    QByteArray body;
    QByteArray contentType; // the Content-Type header as sent
};

// The URL text is used as it stands (tolerant parsing escapes what HTTP cannot carry).
Result get(const QString &url, int timeoutMs);

bool isBusy();

// Sleeps this thread right after each transfer is handed to the network layer, as a busy
// machine may: what a fast sender gets in meanwhile must still be bounded.
void setStallAfterStartForTesting(int ms);

// Time spent inside get() since the process started, for figures that leave the network out.
qint64 elapsedNanoseconds();

} // namespace BlockingFetch
