#include "SandboxServer.h"

#include "AffiliateService.h"
#include "Catalogue.h"
#include "FaultPlan.h"
#include "HtmlPages.h"
#include "ItemCatsGateway.h"
#include "ItemSearch.h"
#include "MenuFragment.h"
#include "PictureStore.h"
#include "QueryString.h"
#include "RequestLog.h"

#include <QDateTime>
#include <QStringEncoder>

#include <httplib.h>

#include <chrono>
#include <sys/socket.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
// Each request is handled start to end on one pool thread.
thread_local Clock::time_point t_requestStart;

constexpr char XmlType[] = "text/xml; charset=utf-8";
constexpr char HtmlType[] = "text/html; charset=utf-8";
constexpr int WorkerThreads = 16;

QByteArray encoded(const QString &text, const QString &encoding, bool *lossy)
{
    QStringEncoder encoder(encoding.toLatin1().constData());
    QByteArray bytes = encoder.encode(text);
    *lossy = encoder.hasError();
    return bytes;
}

void setBody(httplib::Response &res, const QByteArray &body, const char *type)
{
    res.set_content(body.constData(), size_t(body.size()), type);
}

void setNotFound(httplib::Response &res, const QString &what)
{
    res.status = 404;
    setBody(res, HtmlPages::notFound(what).toUtf8(), HtmlType);
}

QString target(const httplib::Request &req)
{
    return QString::fromStdString(req.target.empty() ? req.path : req.target);
}

} // namespace

SandboxServer::SandboxServer(const SandboxOptions &options) : m_options(options) {}

SandboxServer::~SandboxServer() = default;

bool SandboxServer::prepare(QString *error)
{
    m_log = std::make_unique<RequestLog>();
    if (!m_log->open(m_options.logFile, error))
        return false;

    Catalogue::Settings settings;
    settings.categoryFile = m_options.categoryFile;
    settings.seed = m_options.seed;
    settings.itemCount = m_options.itemCount;
    settings.sellerCount = m_options.sellerCount;
    m_catalogue = std::make_unique<Catalogue>();
    if (!m_catalogue->build(settings, error))
        return false;
    m_search = std::make_unique<ItemSearch>(*m_catalogue);
    m_gateway = std::make_unique<ItemCatsGateway>(m_catalogue->tree(), m_options.appKey,
                                                  m_options.appSecret);
    m_affiliate = std::make_unique<AffiliateService>(*m_catalogue, *m_search, m_options.memberId,
                                                     m_options.accessTokens);
    m_pictures = std::make_unique<PictureStore>(*m_catalogue);
    m_faults = std::make_unique<FaultPlan>(m_options.faults);

    bool lossy = false;
    const QString menuEncoding = m_options.faults.menuEncoding;
    m_menu = encoded(MenuFragment::build(m_catalogue->tree()), menuEncoding, &lossy);
    if (lossy)
        qWarning("sandbox: the menu has characters that %s cannot hold", qPrintable(menuEncoding));
    m_menuContentType = "text/html; charset=" + menuEncoding.toLatin1();
    const QString probeEncoding = m_options.faults.probeEncoding;
    m_portal = encoded(HtmlPages::portal(probeEncoding), probeEncoding, &lossy);
    m_portalContentType = "text/html; charset=" + probeEncoding.toLatin1();

    m_http = std::make_unique<httplib::Server>();
    m_http->new_task_queue = [] { return new httplib::ThreadPool(WorkerThreads); };
    m_http->set_keep_alive_max_count(1000);
    // Stopping waits for every worker, and a worker holding an idle kept-alive
    // connection notices the stop only when that connection times out (5 s by
    // default): a client that keeps its connections, like the panes' engine, would
    // hold every stop for that long.
    m_http->set_keep_alive_timeout(1);
    // Headers and body go out in separate writes; without this, delayed ACKs
    // cost every kept-alive answer about 40 ms.
    m_http->set_tcp_nodelay(true);
    // Replaces the library's defaults, which include SO_REUSEPORT: with it a
    // second sandbox could bind a busy port and silently share its traffic.
    m_http->set_socket_options([this](socket_t socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        m_listenSocket = int(socket);
    });
    installRoutes();
    return true;
}

int SandboxServer::bind(QString *error)
{
    const std::string host = m_options.bind.toStdString();
    if (m_options.port == 0) {
        m_port = m_http->bind_to_any_port(host);
    } else {
        m_port = m_http->bind_to_port(host, m_options.port) ? m_options.port : -1;
    }
    // The library listens with a backlog of 5; clients connecting at once beyond
    // that wait a whole SYN retry (1 s). Listening again only raises the backlog.
    if (m_port >= 0 && m_listenSocket >= 0)
        ::listen(m_listenSocket, SOMAXCONN);
    if (m_port < 0)
        *error = QStringLiteral("cannot listen on %1:%2").arg(m_options.bind).arg(m_options.port);
    return m_port;
}

bool SandboxServer::run()
{
    return m_http->listen_after_bind();
}

void SandboxServer::stop()
{
    if (m_http)
        m_http->stop();
}

QString SandboxServer::baseUrlFor(const std::string &host) const
{
    if (!host.empty())
        return QStringLiteral("http://") + QString::fromStdString(host);
    QString address = m_options.bind;
    if (address.contains(QLatin1Char(':')))
        address = QLatin1Char('[') + address + QLatin1Char(']');
    return QStringLiteral("http://%1:%2").arg(address).arg(m_port);
}

void SandboxServer::installRoutes()
{
    using httplib::Request;
    using httplib::Response;
    httplib::Server &http = *m_http;

    // Every answer names its sender, so a launcher can tell this server from
    // another program holding the port.
    http.set_default_headers({{"X-Kestrova-Sandbox", "1"}});

    http.set_pre_routing_handler([this](const Request &, Response &res) {
        t_requestStart = Clock::now();
        if (m_faults->options().delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_faults->options().delayMs));
        if (!m_faults->nextRequestFails())
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 500;
        setBody(res, "<html><body><h1>500 Internal Server Error</h1></body></html>", HtmlType);
        return httplib::Server::HandlerResponse::Handled;
    });
    // Logged just before the answer is written, so a client that waits for each
    // answer finds the lines in its own order.
    http.set_post_routing_handler([this](const Request &req, Response &res) {
        double ms = 0;
        if (t_requestStart != Clock::time_point())
            ms = std::chrono::duration<double, std::milli>(Clock::now() - t_requestStart).count();
        t_requestStart = Clock::time_point();
        m_log->write(QByteArray::fromStdString(req.method),
                     QByteArray::fromStdString(req.target.empty() ? req.path : req.target),
                     res.status, ms);
    });
    http.set_error_handler([](const Request &req, Response &res) {
        if (res.status == 404 && res.body.empty())
            setNotFound(res, QString::fromStdString(req.path));
    });

    http.Get("/", [this](const Request &, Response &res) {
        setBody(res, m_portal, m_portalContentType.constData());
    });
    http.Get("/Excel/Menu.rar", [this](const Request &req, Response &res) {
        if (m_faults->options().noPrimaryMenu)
            return setNotFound(res, QString::fromStdString(req.path));
        setBody(res, m_menu, m_menuContentType.constData());
    });
    http.Get("/ContentPane.aspx", [this](const Request &req, Response &res) {
        const QueryString query = QueryString::fromTarget(req.target);
        const QString wanted = m_options.fileFolder + QStringLiteral("/Menu.rar");
        if (query.value(QStringLiteral("down")) != QLatin1String("ok") ||
            query.value(QStringLiteral("filepath")) != wanted)
            return setNotFound(res, target(req));
        setBody(res, m_menu, m_menuContentType.constData());
    });
    http.Get(R"(/images/(\d+)\.jpg)", [this](const Request &req, Response &res) {
        const QByteArray picture = m_pictures->background(std::stoi(req.matches[1].str()));
        if (picture.isEmpty())
            return setNotFound(res, QString::fromStdString(req.path));
        setBody(res, picture, "image/jpeg");
    });
    http.Get(R"(/pic/([0-9A-Za-z]+)\.jpg)", [this](const Request &req, Response &res) {
        const QByteArray picture =
            m_pictures->itemPicture(QString::fromStdString(req.matches[1].str()));
        if (picture.isEmpty())
            return setNotFound(res, QString::fromStdString(req.path));
        res.set_header("Cache-Control", "max-age=86400");
        setBody(res, picture, "image/jpeg");
    });
    http.Get(R"(/item/([0-9A-Za-z]+)\.html)", [this](const Request &req, Response &res) {
        const int item = m_catalogue->findItem(QString::fromStdString(req.matches[1].str()));
        if (item < 0)
            return setNotFound(res, QString::fromStdString(req.path));
        setBody(res, HtmlPages::item(*m_catalogue, item).toUtf8(), HtmlType);
    });
    http.Get(R"(/shop/(.+)\.html)", [this](const Request &req, Response &res) {
        const int seller = m_catalogue->findSeller(QString::fromStdString(req.matches[1].str()));
        if (seller < 0)
            return setNotFound(res, QString::fromStdString(req.path));
        setBody(res, HtmlPages::shop(*m_catalogue, seller).toUtf8(), HtmlType);
    });
    http.Get("/router/rest", [this](const Request &req, Response &res) {
        const QueryString query = QueryString::fromTarget(req.target);
        setBody(res, m_gateway->answer(query, QDateTime::currentDateTime()), XmlType);
    });
    http.Get("/rpc/searchAuctionByRpc.do", [this](const Request &req, Response &res) {
        const QueryString query = QueryString::fromTarget(req.target);
        const QString refused = m_affiliate->refusalReason(query);
        if (!refused.isEmpty()) {
            res.status = 403;
            return setBody(res, AffiliateService::refusal(refused), XmlType);
        }
        const auto fault = m_faults->nextSearchFault();
        setBody(res,
                m_affiliate->searchAnswer(query, baseUrlFor(req.get_header_value("Host")), fault),
                XmlType);
    });
    http.Get("/rpc/genCodeByRpc.do", [this](const Request &req, Response &res) {
        const QueryString query = QueryString::fromTarget(req.target);
        const QString refused = m_affiliate->refusalReason(query);
        if (!refused.isEmpty()) {
            res.status = 403;
            return setBody(res, AffiliateService::refusal(refused), XmlType);
        }
        setBody(res, m_affiliate->linkCodeAnswer(query, baseUrlFor(req.get_header_value("Host"))),
                XmlType);
    });
}
