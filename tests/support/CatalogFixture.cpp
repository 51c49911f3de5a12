#include "CatalogFixture.h"

#include "requests/AccessTokenPool.h"

const QString CatalogFixture::GatewayPath = QStringLiteral("/router/rest");
const QString CatalogFixture::SearchPath = QStringLiteral("/rpc/searchAuctionByRpc.do");

namespace {

Configuration installFor(const ScriptedServer &server, CatalogFixture::Maker maker)
{
    Configuration config = Configuration::compiledIn();
    if (maker == CatalogFixture::MakerServed) {
        config.makerHost = config.fileHost = server.hostPort();
        config.fileFolder = QStringLiteral("kestrova");
    } else {
        config.makerHost = QStringLiteral("maker.example");
    }
    config.gatewayHost = config.affiliateHost = server.hostPort();
    Configuration::install(config);
    AccessTokenPool::fill(config.accessTokens);
    return config;
}

} // namespace

CatalogFixture::CatalogFixture(Maker maker) : config(installFor(server, maker))
{
    server.routeFixed(SearchPath, ScriptedServer::Response::xml(
                                      "<?xml version=\"1.0\"?><AUCTIONS><PTOTAL>45</PTOTAL>"
                                      "<PRESULTS/></AUCTIONS>"));
    context.makeLoaded();
}
