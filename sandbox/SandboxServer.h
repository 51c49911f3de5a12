#pragma once

#include "SandboxOptions.h"

#include <QString>

#include <memory>

namespace httplib {
class Server;
}
class AffiliateService;
class Catalogue;
class FaultPlan;
class ItemCatsGateway;
class ItemSearch;
class PictureStore;
class RequestLog;

// Every remote party of the program on one HTTP port: portal, menu copies,
// pictures, item and shop pages, the category gateway and the affiliate RPCs.
class SandboxServer
{
public:
    explicit SandboxServer(const SandboxOptions &options);
    ~SandboxServer();

    // Builds the catalogue and its indexes and opens the log.
    bool prepare(QString *error);
    // Binds the listening socket; returns the port, or -1.
    int bind(QString *error);
    // Serves until stop(); call after bind().
    bool run();
    // Safe from any thread.
    void stop();

    const Catalogue &catalogue() const { return *m_catalogue; }

private:
    void installRoutes();
    QString baseUrlFor(const std::string &host) const;

    SandboxOptions m_options;
    int m_port = -1;
    int m_listenSocket = -1;
    std::unique_ptr<Catalogue> m_catalogue;
    std::unique_ptr<ItemSearch> m_search;
    std::unique_ptr<ItemCatsGateway> m_gateway;
    std::unique_ptr<AffiliateService> m_affiliate;
    std::unique_ptr<PictureStore> m_pictures;
    std::unique_ptr<FaultPlan> m_faults;
    std::unique_ptr<RequestLog> m_log;
    std::unique_ptr<httplib::Server> m_http;
    QByteArray m_menu;
    QByteArray m_menuContentType;
    QByteArray m_portal;
    QByteArray m_portalContentType;
};
