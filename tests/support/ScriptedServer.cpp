#include "ScriptedServer.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct ScriptedServer::Impl
{
    httplib::Server server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopped; // wakes handlers that wait, when the server stops
    bool stopping = false;
    QMap<QString, Handler> routes;
    QList<Request> requests;

    void serve(const httplib::Request &req, httplib::Response &res);
    // Sleeps up to ms milliseconds; returns false when the server stops meanwhile.
    bool waitUnlessStopping(int ms);
    void waitUntilStopping();
};

namespace {

ScriptedServer::Request toRequest(const httplib::Request &req)
{
    ScriptedServer::Request r;
    r.path = QString::fromUtf8(req.path);
    r.target = QByteArray::fromStdString(req.target);
    // httplib has already percent-decoded the parameters (with "+" as a blank, as
    // form-encoded queries mean it); the first value of a repeated name wins.
    for (const auto &[name, value] : req.params) {
        const QString key = QString::fromUtf8(name);
        if (!r.query.contains(key))
            r.query.insert(key, QString::fromUtf8(value));
    }
    return r;
}

} // namespace

bool ScriptedServer::Impl::waitUnlessStopping(int ms)
{
    std::unique_lock lock(mutex);
    return !stopped.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
}

void ScriptedServer::Impl::waitUntilStopping()
{
    std::unique_lock lock(mutex);
    stopped.wait(lock, [this] { return stopping; });
}

void ScriptedServer::Impl::serve(const httplib::Request &req, httplib::Response &res)
{
    const Request request = toRequest(req);
    Handler handler;
    {
        std::lock_guard lock(mutex);
        requests.append(request);
        handler = routes.value(request.path);
    }
    if (!handler) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }

    const Response answer = handler(request);
    if (answer.neverAnswer) {
        waitUntilStopping();
        res.status = 503;
        return;
    }
    if (answer.delayMs > 0 && !waitUnlessStopping(answer.delayMs)) {
        res.status = 503;
        return;
    }

    res.status = answer.status;
    for (auto it = answer.headers.cbegin(); it != answer.headers.cend(); ++it)
        res.set_header(it.key().toStdString(), it.value().toStdString());
    const std::string contentType = answer.contentType.toStdString();
    if (answer.chunked) {
        auto body = std::make_shared<std::string>(answer.body.toStdString());
        res.set_chunked_content_provider(
            contentType, [body](size_t offset, httplib::DataSink &sink) {
                constexpr size_t chunk = 256 * 1024;
                if (offset < body->size()) {
                    const size_t n = std::min(chunk, body->size() - offset);
                    return sink.write(body->data() + offset, n);
                }
                sink.done();
                return true;
            });
    } else {
        res.body = answer.body.toStdString();
        if (!contentType.empty())
            res.set_header("Content-Type", contentType);
    }
}

ScriptedServer::ScriptedServer() : d(std::make_unique<Impl>())
{
    // One request per connection: a kept-alive idle connection would hold up stopping.
    d->server.set_keep_alive_max_count(1);
    d->server.set_read_timeout(2, 0);
    // A request that is never answered holds its worker until the server stops, so a
    // test may time out many times on one server before it answers again.
    d->server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    d->server.Get(".*", [this](const httplib::Request &req, httplib::Response &res) {
        // Bodies go out as given, with their own Content-Length: httplib would otherwise
        // compress text for a client that accepts it (brotli takes seconds per MiB).
        const_cast<httplib::Request &>(req).headers.erase("Accept-Encoding");
        d->serve(req, res);
    });
    // bind_to_any_port also listens, so connections queue up before the thread runs.
    d->port = d->server.bind_to_any_port("127.0.0.1");
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // stop() does nothing until the accept loop runs; wait for it.
    while (d->port > 0 && !d->server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ScriptedServer::~ScriptedServer()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->stopped.notify_all();
    d->server.stop();
    if (d->thread.joinable())
        d->thread.join();
}

quint16 ScriptedServer::port() const
{
    return quint16(d->port);
}

QString ScriptedServer::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
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

void ScriptedServer::clearRequests()
{
    std::lock_guard lock(d->mutex);
    d->requests.clear();
}
