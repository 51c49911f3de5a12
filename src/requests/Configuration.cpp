#include "Configuration.h"

#include "kestrova_config.h"

Configuration Configuration::compiledIn()
{
    Configuration c;
    c.makerHost = QStringLiteral(KESTROVA_MAKER_HOST);
    c.fileHost = QStringLiteral(KESTROVA_FILE_HOST);
    c.fileFolder = QStringLiteral(KESTROVA_FILE_FOLDER);
    c.gatewayHost = QStringLiteral(KESTROVA_GATEWAY_HOST);
    c.affiliateHost = QStringLiteral(KESTROVA_AFFILIATE_HOST);
    c.probeUrl = QStringLiteral(KESTROVA_PROBE_URL);
    c.memberId = QStringLiteral(KESTROVA_MEMBER_ID);
    c.appKey = QStringLiteral(KESTROVA_APP_KEY);
    c.appSecret = QStringLiteral(KESTROVA_APP_SECRET);
    for (const char *token : KestrovaDefaults::AccessTokens)
        c.accessTokens.append(QString::fromLatin1(token));
    return c;
}

static Configuration &currentConfiguration()
{
    static Configuration config = Configuration::compiledIn();
    return config;
}

const Configuration &Configuration::current()
{
    return currentConfiguration();
}

void Configuration::install(const Configuration &config)
{
    currentConfiguration() = config;
}

QString Configuration::makerUrl(const QString &path) const
{
    return QStringLiteral("http://") + makerHost + QLatin1Char('/') + path;
}
