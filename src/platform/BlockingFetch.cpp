#include "BlockingFetch.h"

#include "FetchObserver.h"
#include "UserInputHold.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>

struct BlockingFetch::Job
{
    QByteArray url;
    int timeoutMs = 0;
    std::atomic_bool abort{false};
    std::atomic_bool done{false};
    QEventLoop *loop = nullptr; // the window's thread's, while it waits
    CurlTransfer::Outcome outcome;
};

BlockingFetch::PaneScope::PaneScope(BlockingFetch *fetch, PagePane *pane) : m_fetch(fetch)
{
    if (!m_fetch)
        return;
    m_previous = m_fetch->m_pane;
    m_fetch->m_pane = pane;
}

BlockingFetch::PaneScope::~PaneScope()
{
    if (m_fetch)
        m_fetch->m_pane = m_previous;
}

BlockingFetch::BlockingFetch(const FetchOptions &options) : m_options(options)
{
    // Before the worker exists: libcurl's global set-up is not safe alongside other threads.
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

BlockingFetch::~BlockingFetch()
{
    abort();
}

BlockingFetch::Result BlockingFetch::get(const QString &url, int timeoutMs)
{
    Result result;
    const QUrl address(url, QUrl::TolerantMode);
    const QString scheme = address.scheme().toLower();
    if (m_refusing || !address.isValid() || address.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return result;

    auto job = std::make_shared<Job>();
    job->url = address.toEncoded();
    job->timeoutMs =
        m_options.maxTimeoutMs > 0 ? qMin(timeoutMs, m_options.maxTimeoutMs) : timeoutMs;
    QElapsedTimer clock;
    clock.start();
    ++m_busy;
    m_running.push_back(job);
    if (m_observer)
        m_observer->fetchStarted(m_pane);
    wait(job);
    if (m_observer)
        m_observer->fetchEnded();
    m_running.erase(std::find(m_running.begin(), m_running.end(), job));
    --m_busy;
    m_elapsed += clock.nsecsElapsed();

    result.ok = job->outcome.ok;
    result.body = std::move(job->outcome.body);
    result.contentType = std::move(job->outcome.contentType);
    return result;
}

void BlockingFetch::wait(const std::shared_ptr<Job> &job)
{
    const UserInputHold hold;
    QEventLoop loop;
    job->loop = &loop;
    m_worker.post([this, job] {
        job->outcome = m_transfer.run(job->url, job->timeoutMs, MaxBodyBytes, job->abort);
        job->done = true;
        // The loop is read on the window's thread, where it is also cleared.
        QMetaObject::invokeMethod(
            &m_wakeUp,
            [job] {
                if (job->loop)
                    job->loop->quit();
            },
            Qt::QueuedConnection);
    });
    while (!job->done) {
        loop.exec();
        // Left early only when the application is quitting: stop the transfer.
        if (!job->done)
            job->abort = true;
    }
    job->loop = nullptr;
}

void BlockingFetch::abort()
{
    m_refusing = true;
    for (const auto &job : m_running)
        job->abort = true;
}
