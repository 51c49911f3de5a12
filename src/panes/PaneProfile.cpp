#include "PaneProfile.h"

#include <QWebEngineProfile>

namespace PaneProfile {

QWebEngineProfile *prepared()
{
    QWebEngineProfile *profile = QWebEngineProfile::defaultProfile();
    // 0 is the engine's own choice; a size set before (the soak's --cache-mib) stays.
    if (profile->httpCacheMaximumSize() == 0)
        profile->setHttpCacheMaximumSize(HttpCacheBytes);
    return profile;
}

} // namespace PaneProfile
