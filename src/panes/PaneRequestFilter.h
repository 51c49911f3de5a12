#pragma once

#include <QString>
#include <QWebEngineUrlRequestInterceptor>

// What a pane's document may load: its pictures (item pictures and background
// images, from wherever the answers name them) and, from the maker's host, the
// style sheets and fonts a downloaded menu may use. Frames, objects, scripts,
// refreshes, prefetches, pings and everything else that content could use to
// reach out are refused before they leave the program.
class PaneRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    // The maker's host is the configuration's at each request.
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    // makerHost: "host" or "host:port".
    static bool allows(QWebEngineUrlRequestInfo::ResourceType type, const QUrl &url,
                       const QString &makerHost);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
};
