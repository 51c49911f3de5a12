#pragma once

#include <QSemaphore>

#include <memory>

class QNetworkReply;
class QObject;

// Holds the network access manager's own thread while a request is started and its
// read buffer size is set, so that the thread takes both before it reads a byte.
//
// The size reaches that thread only as a queued call, posted after the request
// has started there. Should this thread lose the processor in between, the network
// thread may get to the body first; its read loop does not return to its event
// loop while a fast sender keeps the socket full, so the size never arrives and
// the whole answer is read in one go.
class NetworkThreadGate
{
public:
    // Shut before get(): what is posted to the network thread from now on waits.
    NetworkThreadGate();
    ~NetworkThreadGate() { open(); }
    // Once the request is started and its read buffer size set.
    void open();
    NetworkThreadGate(const NetworkThreadGate &) = delete;
    NetworkThreadGate &operator=(const NetworkThreadGate &) = delete;

    // Notes the thread that feeds the reply; call from a slot run by one of its
    // signals (metaDataChanged, readyRead), while the network layer's call is on.
    static void learnThread(QNetworkReply *reply);

private:
    std::shared_ptr<QSemaphore> m_open; // shared with the hold, which may outlive the gate
    bool m_opened = false;
};
