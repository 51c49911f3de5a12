#include "BlockingFetch.h"

#include "BusyNotice.h"
#include "FetchNotice.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace BlockingFetch {

namespace {

int g_busy = 0;
qint64 g_elapsed = 0;

QNetworkAccessManager *manager()
{
    // One manager for the process, so connections and the resolver cache are shared.
    static QPointer<QNetworkAccessManager> instance;
    if (!instance) {
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
    QNetworkReply *reply = manager()->get(request);

    bool timedOut = false;
    bool oversized = false;
    auto checkSize = [&](qint64 received, qint64 total) {
        if (!oversized && (received > MaxBodyBytes || total > MaxBodyBytes)) {
            oversized = true;
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid())
            checkSize(0, length.toLongLong());
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, checkSize);

    // One deadline for the whole exchange, so a trickling server cannot hold the window.
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
    if (!timedOut && !oversized && reply->error() == QNetworkReply::NoError && status >= 200 &&
        status < 300) {
        result.body = reply->readAll();
        if (result.body.size() > MaxBodyBytes) {
            result.body.clear();
        } else {
            result.ok = true;
            result.contentType = reply->rawHeader("Content-Type");
        }
    }
    delete reply;
    g_elapsed += clock.nsecsElapsed();
    return result;
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
