#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class StartLatch;

// Qt hands every HTTP transfer to its network thread inside get() and tells that thread
// the reply's read buffer size only later, by a queued call. A sender that keeps the socket
// full holds the network thread in its read loop, so when this thread loses the processor
// in between, a whole answer is read ahead with no limit before the size or an abort can
// reach it. While a hold exists, each transfer waits on the network thread, ahead of its
// start, until this thread has run `sendLimits` for it: the start and the size arrive
// together. Redirects start new transfers, and they are held the same way.
class TransferStartHold : public QObject
{
public:
    // Longest a transfer waits for this thread; the fetch's own deadline is the real bound.
    static constexpr int MaxWaitMs = 2000;

    explicit TransferStartHold(std::function<void()> sendLimits);
    ~TransferStartHold() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_sendLimits;
    std::vector<std::shared_ptr<StartLatch>> m_latches;
};
