#pragma once

// Shared by the request-builder suites: a configuration and token pool with known values,
// and the generator's sequence from its start state.

#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "requests/RandomGenerator.h"

#include <QStringList>

#include <vector>

namespace CreateUrlFixture {

inline const QString AffiliateHost = QStringLiteral("affiliate.example:8081");
inline const QString GatewayHost = QStringLiteral("gateway.example:8082");
inline const QString MemberId = QStringLiteral("31415926");
inline const QString AppKey = QStringLiteral("27182818");
inline const QString AppSecret = QStringLiteral("0f1e2d3c4b5a69788796a5b4c3d2e1f0");

// 54 distinct tokens of the pool's forms, five of them stored percent-encoded.
inline QStringList testTokens()
{
    QStringList tokens;
    for (int i = 0; i < 54; ++i) {
        tokens.append(
            QStringLiteral("T%1/k%2=").arg(i, 2, 10, QLatin1Char('0')).arg(char('a' + i % 26)));
    }
    tokens[5] = QStringLiteral("kP3%2Bxq7=");
    tokens[17] = QStringLiteral("Zr%2Fm41Q=");
    tokens[28] = QStringLiteral("a9Yd%2Bwe=");
    tokens[40] = QStringLiteral("Hs2kQ0v%3D");
    tokens[53] = QStringLiteral("Tm%2Fq%2B%3D");
    return tokens;
}

inline void install()
{
    Configuration config = Configuration::compiledIn();
    config.affiliateHost = AffiliateHost;
    config.gatewayHost = GatewayHost;
    config.memberId = MemberId;
    config.appKey = AppKey;
    config.appSecret = AppSecret;
    config.accessTokens = testTokens();
    Configuration::install(config);
    AccessTokenPool::fill(config.accessTokens);
    RandomGenerator::restart();
}

// The generator's values from the start state; its 24-bit state repeats no value within
// this many draws, so a value tells how far the generator has gone. Leaves it restarted.
inline std::vector<float> referenceSequence(int count)
{
    RandomGenerator::restart();
    std::vector<float> values(count);
    for (float &v : values)
        v = RandomGenerator::next();
    RandomGenerator::restart();
    return values;
}

} // namespace CreateUrlFixture
