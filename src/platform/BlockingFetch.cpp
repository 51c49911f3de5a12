#include "BlockingFetch.h"

#include "BusyNotice.h"
#include "FetchNotice.h"
#include "TransferStartHold.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <optional>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace BlockingFetch {

namespace {

int g_busy = 0;
qint64 g_elapsed = 0;
int g_stallAfterStartMs = 0;

QNetworkAccessManager *manager()
{
    // One manager for the process, so connections and the resolver cache are shared.
    static QPointer<QNetworkAccessManager> instance;
    if (!instance) {
#ifdef __GLIBC__
        // glibc raises its mmap threshold to the largest block freed so far; after a
        // refused flood every later piece would come from the heap and stay there.
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
        instance = new QNetworkAccessManager(QCoreApplication::instance());
        instance->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return instance;
}

class BusyScope
{
public:
    BusyScope()
    {
        ++g_busy;
        m_cursor = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
        if (m_cursor)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~BusyScope()
    {
        if (m_cursor)
            QGuiApplication::restoreOverrideCursor();
        --g_busy;
    }

private:
    bool m_cursor = false;
};

// Takes an answer off the network layer in pieces as it arrives, so that neither the
// layer nor this reader ever holds much more than the cap, however fast the server
// sends and whether or not it says how much is coming.
class BodyReader
{
public:
    // What the network layer may hold that has not been read yet. Each piece costs a
    // round trip to the network thread: few large pieces reach the cap soonest.
    static constexpr qint64 ReadBufferBytes = 2 * 1024 * 1024;

    explicit BodyReader(QNetworkReply *reply) : m_reply(reply)
    {
        sendLimits();
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this] {
            // Again once the exchange runs, should a transfer have started unheld.
            sendLimits();
            const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > MaxBodyBytes)
                refuse();
        });
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { takeAvailable(); });
    }

    // Tells the network thread the size; each transfer of the exchange (a redirect starts a
    // new one) learns it only from a setting made after it started.
    void sendLimits() { m_reply->setReadBufferSize(ReadBufferBytes); }

    bool oversized() const { return m_oversized; }

    // What is left once the reply has finished.
    void takeRest() { takeAvailable(); }
    QByteArray takeBody()
    {
        // Joined once at the end: growing one array piece by piece would copy it
        // each time it is reallocated and leave the old copies in the heap.
        QByteArray body;
        body.reserve(m_size);
        for (const QByteArray &piece : std::as_const(m_pieces))
            body += piece;
        m_pieces.clear();
        return body;
    }

private:
    void takeAvailable()
    {
        while (!m_oversized && m_reply->bytesAvailable() > 0) {
            // One byte past the cap is enough to know.
            const qint64 room = MaxBodyBytes + 1 - m_size;
            m_pieces.append(m_reply->read(qMin(m_reply->bytesAvailable(), room)));
            m_size += m_pieces.constLast().size();
            if (m_size > MaxBodyBytes)
                refuse();
        }
    }

    void refuse()
    {
        m_oversized = true;
        m_pieces.clear();
        m_size = 0;
        if (m_reply->isRunning())
            m_reply->abort();
    }

    QNetworkReply *m_reply;
    QByteArrayList m_pieces;
    qint64 m_size = 0;
    bool m_oversized = false;
};

} // namespace

Result get(const QString &url, int timeoutMs)
{
    Result result;
    // QNetworkAccessManager also reads file:, data: and qrc: addresses; only the web is fetched.
    const QUrl address(url, QUrl::TolerantMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || address.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return result;

    BusyScope busy;
    BusyNotice notice(FetchNoticeScope::currentHost());
    QElapsedTimer clock;
    clock.start();
    QNetworkRequest request(address);
    request.setMaximumRedirectsAllowed(10);
    std::optional<BodyReader> reader;
    const auto stallForTesting = [] {
        if (g_stallAfterStartMs > 0)
            QThread::msleep(g_stallAfterStartMs);
    };
    TransferStartHold hold([&reader, stallForTesting] {
        stallForTesting();
        if (reader)
            reader->sendLimits();
    });
    QNetworkReply *reply = manager()->get(request);
    stallForTesting();
    reader.emplace(reply);

    // One deadline for the whole exchange, so a trickling server cannot hold the window.
    bool timedOut = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(qMax(0, timeoutMs));
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    reader->takeRest();
    if (!timedOut && !reader->oversized() && reply->error() == QNetworkReply::NoError &&
        status >= 200 && status < 300) {
        result.ok = true;
        result.body = reader->takeBody();
        result.contentType = reply->rawHeader("Content-Type");
    }
    const bool refused = reader->oversized();
    reader.reset();
    delete reply;
#ifdef __GLIBC__
    // What the network thread and this reader freed of a refused answer goes back now,
    // not whenever the heap next shrinks.
    if (refused)
        malloc_trim(0);
#endif
    g_elapsed += clock.nsecsElapsed();
    return result;
}

void setStallAfterStartForTesting(int ms)
{
    g_stallAfterStartMs = ms;
}

bool isBusy()
{
    return g_busy > 0;
}

qint64 elapsedNanoseconds()
{
    return g_elapsed;
}

} // namespace BlockingFetch
