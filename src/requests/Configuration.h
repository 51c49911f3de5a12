#pragma once

#include <QString>
#include <QStringList>

// Where the program talks to and with which credentials. The executable uses the
// compiled-in values; tests install their own to point at loopback servers.
struct Configuration
{
    QString makerHost;     // host[:port] of the menu fragment and background images
    QString fileHost;      // host[:port] of the menu's second copy
    QString fileFolder;    // account folder on the file host
    QString gatewayHost;   // open-platform REST gateway
    QString affiliateHost; // affiliate RPC service
    QString probeUrl;      // connectivity probe page
    QString memberId;
    QString appKey;
    QString appSecret;
    QStringList accessTokens; // the 54 tokens in pool order

    static Configuration compiledIn();

    // The process-wide configuration that the request builders read.
    static const Configuration &current();
    static void install(const Configuration &config);

    // "http://" + maker host + "/" + path, e.g. imageUrl("images/1.jpg").
    QString makerUrl(const QString &path) const;
};
