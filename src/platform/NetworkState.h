#pragma once

// The platform's network-state query.
class NetworkState
{
public:
    virtual ~NetworkState() = default;
    // True when the system reports a connection.
    virtual bool InternetGetConnectedState() = 0;
};

// QNetworkInformation's reachability; "connected" when no backend loads.
class PlatformNetworkState : public NetworkState
{
public:
    PlatformNetworkState();
    bool InternetGetConnectedState() override;

private:
    bool m_haveBackend = false;
};
