#include "TransferStartHold.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QMutex>
#include <QWaitCondition>

class StartLatch
{
public:
    void open()
    {
        QMutexLocker lock(&m_mutex);
        m_open = true;
        m_opened.wakeAll();
    }

    void wait(int maxMs)
    {
        QMutexLocker lock(&m_mutex);
        const QDeadlineTimer deadline(maxMs);
        while (!m_open && m_opened.wait(&m_mutex, deadline)) {
        }
    }

private:
    QMutex m_mutex;
    QWaitCondition m_opened;
    bool m_open = false;
};

namespace {

// A child of Qt's transfer object, so it moves to the network thread with it and takes its
// queued call there ahead of the transfer's start; it goes when the transfer goes.
class LatchWaiter : public QObject
{
public:
    LatchWaiter(std::shared_ptr<StartLatch> latch, QObject *transfer)
        : QObject(transfer), m_latch(std::move(latch))
    {}

    void waitForLimits() { m_latch->wait(TransferStartHold::MaxWaitMs); }

private:
    std::shared_ptr<StartLatch> m_latch;
};

} // namespace

TransferStartHold::TransferStartHold(std::function<void()> sendLimits)
    : m_sendLimits(std::move(sendLimits))
{
    QCoreApplication::instance()->installEventFilter(this);
}

TransferStartHold::~TransferStartHold()
{
    QCoreApplication::instance()->removeEventFilter(this);
    for (const auto &latch : m_latches)
        latch->open();
}

bool TransferStartHold::eventFilter(QObject *watched, QEvent *event)
{
    // Sent on this thread just before the transfer object is moved to the network thread
    // and told to start.
    if (event->type() != QEvent::ThreadChange || !watched->inherits("QHttpThreadDelegate"))
        return false;
    auto latch = std::make_shared<StartLatch>();
    m_latches.push_back(latch);
    auto *waiter = new LatchWaiter(latch, watched);
    QMetaObject::invokeMethod(
        waiter, [waiter] { waiter->waitForLimits(); }, Qt::QueuedConnection);
    // Runs once Qt has connected and started the transfer, which happens before this
    // thread next takes a queued call.
    QMetaObject::invokeMethod(
        this,
        [this, latch] {
            m_sendLimits();
            latch->open();
        },
        Qt::QueuedConnection);
    return false;
}
