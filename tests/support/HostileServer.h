#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>

// A loopback HTTP server that misbehaves on purpose, on raw sockets so that it
// can do what a well-behaved server library will not: hold a connection without
// a word, trickle, flood without end, or reset the connection.
class HostileServer
{
public:
    struct Answer
    {
        enum Kind { Plain, Silent, Trickle, Flood, Reset };
        enum Framing { Length, Chunked, CloseDelimited };

        Kind kind = Plain;
        int status = 200;
        QByteArray contentType = "text/xml; charset=utf-8";
        QByteArray body; // Plain and Trickle; a Flood starts with it
        QMap<QByteArray, QByteArray> headers;
        Framing framing = Length;       // Plain and Flood
        qint64 promisedLength = -1;     // a Plain Content-Length other than the body's
        qint64 floodBytes = 0;          // a Flood's whole body, filled up with letters
        int trickleMs = 1000;           // one byte of a Trickle every this many ms
        qint64 floodBytesPerSecond = 0; // a Flood's pace; 0 sends as fast as the socket takes it
    };
    using Handler = std::function<Answer(const QByteArray &target)>;

    HostileServer();
    ~HostileServer();

    quint16 port() const;
    QString hostPort() const;               // "127.0.0.1:<port>"
    QString url(const QString &path) const; // "http://127.0.0.1:<port>" + path

    // By exact path (the target before "?"); unknown paths answer 404.
    void route(const QByteArray &path, Handler handler);
    void routeFixed(const QByteArray &path, const Answer &answer);

    QList<QByteArray> targets() const; // every request target, in arrival order
    int requestCount(const QByteArray &path = QByteArray()) const;
    qint64 bodyBytesSent() const; // body bytes written to the sockets, all requests
    void clear();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
