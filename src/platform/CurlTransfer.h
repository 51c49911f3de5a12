#pragma once

#include <QByteArray>

#include <atomic>

typedef void CURL;

// One HTTP GET on libcurl's easy interface, run to its end on the calling thread.
// The handle is kept between transfers, so connections and resolved names are reused.
class CurlTransfer
{
public:
    struct Outcome
    {
        bool ok = false; // a 2xx answer, whole, within the deadline and the cap
        QByteArray body; // decoded from any content coding
        QByteArray contentType;
    };

    CurlTransfer();
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer &) = delete;
    CurlTransfer &operator=(const CurlTransfer &) = delete;

    // url: the bytes that go on the wire. The whole exchange, redirects included, ends
    // by timeoutMs; a body past maxBodyBytes is refused; `abort` ends it early.
    Outcome run(const QByteArray &url, int timeoutMs, qint64 maxBodyBytes,
                const std::atomic_bool &abort);

private:
    CURL *m_curl = nullptr;
};
