#include "app/ProcessSettings.h"

#include <QPixmapCache>

namespace {

// What the style may keep of pictures of the controls (Qt's default is 10 MiB).
constexpr int StylePictureCacheKiB = 1024;

} // namespace

void ProcessSettings::apply()
{
    // Under a style sheet the base style is handed a new palette at every paint and caches
    // a picture of the control for each one, never to be used again: measured here, a
    // long session filled the whole 10 MiB cache. A small cache costs only a redraw.
    QPixmapCache::setCacheLimit(StylePictureCacheKiB);
}
