#include "NetworkState.h"

#include <QNetworkInformation>

PlatformNetworkState::PlatformNetworkState()
{
    m_haveBackend =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
}

bool PlatformNetworkState::InternetGetConnectedState()
{
    // Without a backend nothing is known; the probe page decides then.
    if (!m_haveBackend || !QNetworkInformation::instance())
        return true;
    return QNetworkInformation::instance()->reachability() !=
           QNetworkInformation::Reachability::Disconnected;
}
