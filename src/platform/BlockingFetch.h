#pragma once

#include "CurlTransfer.h"
#include "FetchWorker.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class FetchObserver;
class PagePane;

// What a fetch service is built with; tests shorten the time-outs.
struct FetchOptions
{
    // The XML reader's time-out, which its callers leave unbounded.
    int xmlTimeoutMs = 10 * 1000;
    // Above zero, no fetch waits longer than this, whatever its caller asks.
    int maxTimeoutMs = 0;
};

// The one way this program fetches: a GET that runs on a worker thread while the
// window's thread waits in a local event loop, painting but taking no user input.
// While it waits, isBusy() is true and timer ticks and pane notifications must not
// start another handler.
class BlockingFetch
{
public:
    static constexpr qint64 MaxBodyBytes = 16 * 1024 * 1024;

    struct Result
    {
        bool ok = false;
        QByteArray body;
        QByteArray contentType; // the Content-Type header as sent
    };

    // Names the pane the fetches of a routine are for, for the observer. Scopes nest.
    class PaneScope
    {
    public:
        PaneScope(BlockingFetch *fetch, PagePane *pane);
        ~PaneScope();
        PaneScope(const PaneScope &) = delete;
        PaneScope &operator=(const PaneScope &) = delete;

    private:
        BlockingFetch *m_fetch;
        PagePane *m_previous = nullptr;
    };

    explicit BlockingFetch(const FetchOptions &options = {});
    ~BlockingFetch();
    BlockingFetch(const BlockingFetch &) = delete;
    BlockingFetch &operator=(const BlockingFetch &) = delete;

    const FetchOptions &options() const { return m_options; }
    void setObserver(FetchObserver *observer) { m_observer = observer; }

    // The URL text is used as it stands: tolerant parsing escapes what HTTP cannot carry.
    // Only http and https addresses are fetched.
    Result get(const QString &url, int timeoutMs);

    bool isBusy() const { return m_busy > 0; }

    // Ends the running transfers and refuses every later one: the program is ending.
    void abort();

    // Time spent waiting in get() since the service was built, for figures that leave
    // the network out.
    qint64 elapsedNanoseconds() const { return m_elapsed; }

private:
    struct Job;

    void wait(const std::shared_ptr<Job> &job);

    FetchOptions m_options;
    FetchObserver *m_observer = nullptr;
    PagePane *m_pane = nullptr;
    int m_busy = 0;
    qint64 m_elapsed = 0;
    bool m_refusing = false;
    std::vector<std::shared_ptr<Job>> m_running;
    CurlTransfer m_transfer; // used on the worker only
    QObject m_wakeUp;        // where the worker's "done" arrives on the window's thread
    FetchWorker m_worker;    // last: it ends before what its jobs use
};
