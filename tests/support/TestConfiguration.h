#pragma once

#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"

#include <QStringList>

namespace TestConfiguration {

// The compiled-in configuration with every host pointed at one loopback server,
// installed process-wide together with its token pool.
inline Configuration installOneHost(const QString &hostPort, const QString &probeUrl)
{
    Configuration config = Configuration::compiledIn();
    config.makerHost = config.fileHost = config.gatewayHost = config.affiliateHost = hostPort;
    config.probeUrl = probeUrl;
    Configuration::install(config);
    AccessTokenPool::fill(config.accessTokens);
    return config;
}

// "1" to "count", as a page list holds them.
inline QStringList pageTexts(int count)
{
    QStringList texts;
    for (int i = 1; i <= count; ++i)
        texts.append(QString::number(i));
    return texts;
}

} // namespace TestConfiguration
