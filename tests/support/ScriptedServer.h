#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>

// An HTTP server on 127.0.0.1 and an ephemeral port, answering from handlers the
// test installs. It runs on its own threads, so a blocking fetch on the test's
// thread reaches it. It is built on raw sockets so that it can also do what a
// well-behaved server library will not: hold a connection without a word,
// trickle, flood without end, promise a length it never sends, or reset.
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
        enum Kind { Plain, Silent, Trickle, Flood, Reset };
        enum Framing { Length, Chunked, CloseDelimited };

        Kind kind = Plain;
        int status = 200;
        QByteArray contentType = "text/xml; charset=utf-8";
        QByteArray body; // Plain and Trickle; a Flood starts with it
        QMap<QByteArray, QByteArray> headers;
        Framing framing = Length;       // Plain and Flood
        int delayMs = 0;                // wait before answering
        qint64 promisedLength = -1;     // a Plain Content-Length other than the body's
        qint64 floodBytes = 0;          // a Flood's whole body, filled up with letters
        int trickleMs = 1000;           // one byte of a Trickle every this many ms
        qint64 floodBytesPerSecond = 0; // a Flood's pace; 0 sends as fast as the socket takes it

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

    // Handlers are looked up by exact decoded path; unknown paths answer 404.
    void route(const QString &path, Handler handler);
    // Convenience: always the same answer.
    void routeFixed(const QString &path, const Response &response);

    QList<Request> requests() const; // in arrival order
    int requestCount(const QString &path = QString()) const;
    qint64 bodyBytesSent() const; // body bytes written to the sockets, all requests
    void clearRequests();         // also resets bodyBytesSent()

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
