#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The one thread the transfers run on, one after another, so the window's thread is
// free to paint while it waits.
class FetchWorker
{
public:
    FetchWorker();
    // Runs what was posted, then ends the thread.
    ~FetchWorker();
    FetchWorker(const FetchWorker &) = delete;
    FetchWorker &operator=(const FetchWorker &) = delete;

    void post(std::function<void()> job);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};
