#pragma once

#include "platform/BrowserLauncher.h"
#include "platform/NetworkState.h"

#include <QStringList>

// A network-state query the test switches on and off.
class FakeNetworkState : public NetworkState
{
public:
    bool connected = true;
    int queries = 0;
    bool InternetGetConnectedState() override
    {
        ++queries;
        return connected;
    }
};

// Records the addresses that got past the launcher's own checks.
class RecordingBrowserLauncher : public BrowserLauncher
{
public:
    QStringList opened;
    int attempts = 0; // calls of open(), allowed or not

protected:
    bool launch(const QString &address) override
    {
        opened.append(address);
        return true;
    }
    void attempted(const QString &) override { ++attempts; }
};
