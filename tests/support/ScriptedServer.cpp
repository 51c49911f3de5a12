#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <set>
#include <thread>

struct ScriptedServer::Impl
{
    int listener = -1;
    quint16 port = 0;
    std::thread acceptor;

    mutable std::mutex mutex;
    std::condition_variable stopped;
    bool stopping = false;
    std::set<int> open; // connection sockets, shut down when the server stops
    struct Worker
    {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    std::list<Worker> workers; // one a connection; finished ones are joined as others arrive
    QMap<QString, Handler> routes;
    QList<Request> requests;
    std::atomic<qint64> sent{0};

    void acceptLoop();
    void serve(int socket, std::atomic<bool> &done);
    bool readHead(int socket, QByteArray &head);
    bool sendAll(int socket, const char *data, qint64 size);
    bool sendAll(int socket, const QByteArray &bytes)
    {
        return sendAll(socket, bytes.constData(), bytes.size());
    }
    // Sleeps up to ms; false when the server stops meanwhile.
    bool pause(int ms);
    void flood(int socket, const Response &answer);
    void trickle(int socket, const Response &answer);
    void silent(int socket);
};

namespace {

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

QByteArray statusAndHeaders(const ScriptedServer::Response &answer, qint64 length)
{
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) + "\r\n";
    if (!answer.contentType.isEmpty())
        head += "Content-Type: " + answer.contentType + "\r\n";
    switch (answer.framing) {
    case ScriptedServer::Response::Length:
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
        break;
    case ScriptedServer::Response::Chunked:
        head += "Transfer-Encoding: chunked\r\n";
        break;
    case ScriptedServer::Response::CloseDelimited:
        break;
    }
    for (auto it = answer.headers.cbegin(); it != answer.headers.cend(); ++it)
        head += it.key() + ": " + it.value() + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

ScriptedServer::Request parseTarget(const QByteArray &target)
{
    ScriptedServer::Request r;
    r.target = target;
    const int question = target.indexOf('?');
    r.path = QString::fromUtf8(
        QByteArray::fromPercentEncoding(target.left(question < 0 ? target.size() : question)));
    if (question < 0)
        return r;
    // "+" is a blank, as form-encoded queries mean it; the first value of a repeated name wins.
    for (QByteArray pair : target.mid(question + 1).split('&')) {
        if (pair.isEmpty())
            continue;
        pair.replace('+', ' ');
        const int equals = pair.indexOf('=');
        const QString name = QString::fromUtf8(
            QByteArray::fromPercentEncoding(pair.left(equals < 0 ? pair.size() : equals)));
        const QString value =
            equals < 0 ? QString()
                       : QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(equals + 1)));
        if (!r.query.contains(name))
            r.query.insert(name, value);
    }
    return r;
}

QByteArray chunk(const QByteArray &data)
{
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
}

} // namespace

bool ScriptedServer::Impl::pause(int ms)
{
    std::unique_lock lock(mutex);
    return !stopped.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
}

bool ScriptedServer::Impl::sendAll(int socket, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::send(socket, data, size_t(size), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool ScriptedServer::Impl::readHead(int socket, QByteArray &head)
{
    char buffer[4096];
    while (!head.contains("\r\n\r\n") && head.size() < 65536) {
        pollfd p{socket, POLLIN, 0};
        if (::poll(&p, 1, 100) == 0) {
            std::lock_guard lock(mutex);
            if (stopping)
                return false;
            continue;
        }
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        head.append(buffer, n);
    }
    return head.contains("\r\n\r\n");
}

void ScriptedServer::Impl::silent(int socket)
{
    // Until the client gives up or the server stops.
    char buffer[256];
    for (;;) {
        pollfd p{socket, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0 && ::recv(socket, buffer, sizeof buffer, 0) <= 0)
            return;
        std::lock_guard lock(mutex);
        if (stopping)
            return;
    }
}

void ScriptedServer::Impl::trickle(int socket, const Response &answer)
{
    if (!sendAll(socket, statusAndHeaders(answer, answer.body.size())))
        return;
    for (const char c : answer.body) {
        if (!pause(answer.trickleMs) || !sendAll(socket, &c, 1))
            return;
        ++sent;
    }
}

void ScriptedServer::Impl::flood(int socket, const Response &answer)
{
    const qint64 total = qMax(answer.floodBytes, qint64(answer.body.size()));
    if (!sendAll(socket, statusAndHeaders(answer, total)))
        return;
    QByteArray filler(64 * 1024, 'k');
    for (int i = 0; i < filler.size(); i += 61)
        filler[i] = char('a' + i % 26);
    qint64 left = total;
    QByteArray first = answer.body;
    const auto start = std::chrono::steady_clock::now();
    while (left > 0) {
        if (answer.floodBytesPerSecond > 0) {
            const auto due = start + std::chrono::microseconds((total - left) * 1000000 /
                                                               answer.floodBytesPerSecond);
            std::this_thread::sleep_until(due);
        }
        QByteArray block = first.isEmpty() ? filler.left(qMin(left, qint64(filler.size()))) : first;
        first.clear();
        const QByteArray wire = answer.framing == Response::Chunked ? chunk(block) : block;
        if (!sendAll(socket, wire))
            return;
        sent += block.size();
        left -= block.size();
        std::lock_guard lock(mutex);
        if (stopping)
            return;
    }
    if (answer.framing == Response::Chunked)
        sendAll(socket, QByteArray("0\r\n\r\n"));
}

void ScriptedServer::Impl::serve(int socket, std::atomic<bool> &done)
{
    QByteArray head;
    if (readHead(socket, head)) {
        const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
        const Request request = parseTarget(requestLine.value(1));
        Handler handler;
        {
            std::lock_guard lock(mutex);
            requests.append(request);
            handler = routes.value(request.path);
        }
        Response answer;
        if (handler) {
            answer = handler(request);
        } else {
            answer.status = 404;
            answer.contentType = "text/plain";
            answer.body = "not found";
        }
        if (answer.delayMs > 0 && !pause(answer.delayMs))
            answer.kind = Response::Reset; // the server stops meanwhile
        switch (answer.kind) {
        case Response::Plain:
            if (answer.framing == Response::Chunked) {
                if (sendAll(socket, statusAndHeaders(answer, 0)) &&
                    (answer.body.isEmpty() || sendAll(socket, chunk(answer.body))))
                    sendAll(socket, QByteArray("0\r\n\r\n"));
            } else if (sendAll(socket, statusAndHeaders(answer, answer.promisedLength >= 0
                                                                    ? answer.promisedLength
                                                                    : answer.body.size()) +
                                           answer.body)) {
                sent += answer.body.size();
            }
            break;
        case Response::Silent:
            silent(socket);
            break;
        case Response::Trickle:
            trickle(socket, answer);
            break;
        case Response::Flood:
            flood(socket, answer);
            break;
        case Response::Reset: {
            // A zero linger time turns the close into a reset.
            const linger hard{1, 0};
            ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            break;
        }
        }
    }
    {
        std::lock_guard lock(mutex);
        open.erase(socket);
    }
    ::close(socket);
    done = true;
}

void ScriptedServer::Impl::acceptLoop()
{
    for (;;) {
        pollfd p{listener, POLLIN, 0};
        const int ready = ::poll(&p, 1, 100);
        std::lock_guard lock(mutex);
        if (stopping)
            return;
        for (auto it = workers.begin(); it != workers.end();) {
            if (it->done) {
                it->thread.join();
                it = workers.erase(it);
            } else {
                ++it;
            }
        }
        if (ready <= 0)
            continue;
        const int socket = ::accept(listener, nullptr, nullptr);
        if (socket < 0)
            continue;
        open.insert(socket);
        Worker &worker = workers.emplace_back();
        worker.thread = std::thread([this, socket, &worker] { serve(socket, worker.done); });
    }
}

ScriptedServer::ScriptedServer() : d(std::make_unique<Impl>())
{
    d->listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(d->listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(d->listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::listen(d->listener, 128) == 0) {
        socklen_t size = sizeof address;
        ::getsockname(d->listener, reinterpret_cast<sockaddr *>(&address), &size);
        d->port = ntohs(address.sin_port);
    }
    d->acceptor = std::thread([this] { d->acceptLoop(); });
}

ScriptedServer::~ScriptedServer()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
        for (const int socket : d->open)
            ::shutdown(socket, SHUT_RDWR); // wakes a worker blocked in send()
    }
    d->stopped.notify_all();
    d->acceptor.join();
    for (Impl::Worker &worker : d->workers)
        worker.thread.join();
    ::close(d->listener);
}

quint16 ScriptedServer::port() const
{
    return d->port;
}

QString ScriptedServer::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(d->port);
}

QString ScriptedServer::url(const QString &path) const
{
    return QStringLiteral("http://") + hostPort() + path;
}

void ScriptedServer::route(const QString &path, Handler handler)
{
    std::lock_guard lock(d->mutex);
    d->routes.insert(path, std::move(handler));
}

void ScriptedServer::routeFixed(const QString &path, const Response &response)
{
    route(path, [response](const Request &) { return response; });
}

QList<ScriptedServer::Request> ScriptedServer::requests() const
{
    std::lock_guard lock(d->mutex);
    return d->requests;
}

int ScriptedServer::requestCount(const QString &path) const
{
    std::lock_guard lock(d->mutex);
    if (path.isNull())
        return d->requests.size();
    int n = 0;
    for (const Request &r : d->requests)
        n += r.path == path ? 1 : 0;
    return n;
}

qint64 ScriptedServer::bodyBytesSent() const
{
    return d->sent;
}

void ScriptedServer::clearRequests()
{
    std::lock_guard lock(d->mutex);
    d->requests.clear();
    d->sent = 0;
}
