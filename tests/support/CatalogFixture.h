#pragma once

#include "ContextFixture.h"
#include "ScriptedServer.h"

#include "requests/Configuration.h"

#include <QString>

// What a catalogue routine runs against: a loaded window context whose gateway and
// affiliate hosts are one scripted loopback server. The search host answers an
// empty result of 45 items, since selecting a category also searches it.
struct CatalogFixture
{
    enum Maker {
        MakerNamedOnly, // the maker's host only names images ("maker.example")
        MakerServed,    // the maker's and the file host are the server too
    };

    explicit CatalogFixture(Maker maker = MakerNamedOnly);

    static const QString GatewayPath; // "/router/rest"
    static const QString SearchPath;  // "/rpc/searchAuctionByRpc.do"

    ScriptedServer server;
    Configuration config; // installed process-wide, with its token pool, before the context
    ContextFixture context;
};
