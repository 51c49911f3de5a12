#include "NetworkThreadGate.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QThread>

namespace {

// Never held longer than this, whatever happens to the thread that shut it.
constexpr int MaxHoldMs = 2000;

// An object of ours in the network thread, to post the hold to; the thread is the
// manager's own and is known only from the object that feeds a reply.
QPointer<QObject> g_anchor;

// QObject::sender() of another object: the reply's slots run for an object in the
// network thread, and while one runs that object is the reply's sender.
struct SenderOf : QObject
{
    static QObject *of(QObject *receiver) { return (receiver->*&SenderOf::sender)(); }
};

} // namespace

NetworkThreadGate::NetworkThreadGate() : m_open(std::make_shared<QSemaphore>())
{
    const QThread *thread = g_anchor ? g_anchor->thread() : nullptr;
    if (thread && !thread->isFinished()) {
        QMetaObject::invokeMethod(
            g_anchor, [open = m_open] { open->tryAcquire(1, MaxHoldMs); }, Qt::QueuedConnection);
    }
}

void NetworkThreadGate::open()
{
    if (!m_opened) {
        m_opened = true;
        m_open->release();
    }
}

void NetworkThreadGate::learnThread(QNetworkReply *reply)
{
    const QObject *feeder = SenderOf::of(reply);
    if (!feeder)
        return;
    QThread *thread = feeder->thread();
    if (!thread || thread == reply->thread() || (g_anchor && g_anchor->thread() == thread))
        return;
    if (g_anchor)
        g_anchor->deleteLater();
    auto *anchor = new QObject;
    anchor->moveToThread(thread);
    // Gone with its thread, which ends with the manager.
    QObject::connect(thread, &QThread::finished, anchor, &QObject::deleteLater);
    g_anchor = anchor;
}
