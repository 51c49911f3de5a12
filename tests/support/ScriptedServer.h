#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>

// A real HTTP server on 127.0.0.1 and an ephemeral port, answering from
// handlers the test installs. It runs on its own thread, so a blocking fetch
// on the test's thread reaches it.
class ScriptedServer
{
public:
    struct Request
    {
        QString path;                 // decoded path, e.g. "/rpc/searchAuctionByRpc.do"
        QByteArray target;            // request target exactly as received
        QMap<QString, QString> query; // parameters, percent-decoded as UTF-8
    };
    struct Response
    {
        int status = 200;
        QByteArray contentType = "text/xml; charset=utf-8";
        QByteArray body;
        int delayMs = 0;                      // wait before answering
        bool neverAnswer = false;             // hold the connection until the server stops
        bool chunked = false;                 // send the body in chunks, without a Content-Length
        QMap<QByteArray, QByteArray> headers; // further response headers (e.g. Location)

        // A 200 answer with an XML body.
        static Response xml(const QByteArray &xmlBody)
        {
            Response r;
            r.body = xmlBody;
            return r;
        }
    };
    using Handler = std::function<Response(const Request &)>;

    ScriptedServer();
    ~ScriptedServer();

    quint16 port() const;
    QString hostPort() const;               // "127.0.0.1:<port>"
    QString url(const QString &path) const; // "http://127.0.0.1:<port>" + path

    // Handlers are looked up by exact path; unknown paths answer 404.
    void route(const QString &path, Handler handler);
    // Convenience: always the same answer.
    void routeFixed(const QString &path, const Response &response);

    QList<Request> requests() const;
    int requestCount(const QString &path = QString()) const;
    void clearRequests();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
