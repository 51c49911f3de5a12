#include "CurlTransfer.h"

#include <curl/curl.h>

#include <cstring>

namespace {

// Redirects a transfer may follow, as many as the network layer allowed before.
constexpr long MaxRedirects = 10;

struct Sink
{
    qint64 maxBytes = 0;
    const std::atomic_bool *abort = nullptr;
    QByteArray body;
    bool refused = false;

    void refuse()
    {
        refused = true;
        body = QByteArray();
    }
};

bool startsWithNoCase(const char *data, size_t size, const char *prefix)
{
    const size_t length = std::strlen(prefix);
    return size >= length && strncasecmp(data, prefix, length) == 0;
}

// Each header line of each answer in the chain. A length over the cap is refused before
// any of the body is read.
size_t onHeader(char *data, size_t, size_t size, void *user)
{
    auto *sink = static_cast<Sink *>(user);
    static const char lengthName[] = "content-length:";
    if (!startsWithNoCase(data, size, lengthName))
        return size;
    const QByteArray value =
        QByteArray(data + sizeof lengthName - 1, qsizetype(size - sizeof lengthName + 1)).trimmed();
    bool number = false;
    const qint64 length = value.toLongLong(&number);
    if (number && length > sink->maxBytes) {
        sink->refuse();
        return 0;
    }
    if (number && sink->body.isEmpty())
        sink->body.reserve(length);
    return size;
}

// The body after any content decoding, so an inflating answer counts at its full size.
// The first piece past the cap ends the transfer.
size_t onBody(char *data, size_t, size_t size, void *user)
{
    auto *sink = static_cast<Sink *>(user);
    if (sink->body.size() + qint64(size) > sink->maxBytes) {
        sink->refuse();
        return 0;
    }
    sink->body.append(data, qsizetype(size));
    return size;
}

int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Sink *>(user)->abort->load() ? 1 : 0;
}

} // namespace

CurlTransfer::CurlTransfer() : m_curl(curl_easy_init()) {}

CurlTransfer::~CurlTransfer()
{
    curl_easy_cleanup(m_curl);
}

CurlTransfer::Outcome CurlTransfer::run(const QByteArray &url, int timeoutMs, qint64 maxBodyBytes,
                                        const std::atomic_bool &abort)
{
    Outcome outcome;
    if (!m_curl)
        return outcome;
    Sink sink;
    sink.maxBytes = maxBodyBytes;
    sink.abort = &abort;

    CURL *c = m_curl;
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    // Never from https to http, as before.
    const bool secure = url.startsWith("https:");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, MaxRedirects);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(qMax(1, timeoutMs)));
    // Off the window's thread: no alarm() for name look-ups, no signal handlers touched.
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // Every coding libcurl can decode; the decoded size is what the cap counts.
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Mozilla/5.0");
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &sink);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &sink);

    const CURLcode code = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (code != CURLE_OK || sink.refused || status < 200 || status >= 300)
        return outcome;
    const char *type = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        outcome.contentType = type;
    outcome.ok = true;
    outcome.body = std::move(sink.body);
    return outcome;
}
