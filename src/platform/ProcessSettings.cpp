#include "ProcessSettings.h"

#include "platform/AssistiveTechnology.h"

#include <QLoggingCategory>
#include <QPixmapCache>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// What the style may keep of pictures of the controls (Qt's default is 10 MiB).
constexpr int StylePictureCacheKiB = 1024;
// Blocks from this size up are mapped on their own and given back when freed.
constexpr int MappedBlockBytes = 128 * 1024;

} // namespace

void ProcessSettings::applyBeforeApplication()
{
    // The program keeps no files: without these, one run left Qt's and Mesa's compiled
    // shaders under ~/.cache (qtshadercache-…, mesa_shader_cache).
    qputenv("QT_DISABLE_SHADER_DISK_CACHE", "1");
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    // The engine reports its set-up in some twenty lines at every start; Qt's logging
    // rules bring them back (QT_LOGGING_RULES="qt.webenginecontext.info=true").
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

void ProcessSettings::apply()
{
    // Under a style sheet the base style is handed a new palette at every paint and caches
    // a picture of the control for each one, never to be used again: measured here, a
    // long session filled the whole 10 MiB cache. A small cache costs only a redraw.
    QPixmapCache::setCacheLimit(StylePictureCacheKiB);
#ifdef __GLIBC__
    // glibc raises its mapping threshold to the largest mapped block freed so far. After
    // one answer refused at the cap, the next large bodies came from the fetch thread's
    // heap and stayed there: measured here, a routine held +32 MiB after chunked 100 MB
    // floods, and at most +0.3 MiB with the threshold fixed at glibc's starting value.
    mallopt(M_MMAP_THRESHOLD, MappedBlockBytes);
#endif
    // The engine shows the panes' content to assistive technology only when asked to, and
    // building that tree costs every document; so only where something listens. It reads
    // the variable when it starts, which is after this.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY") &&
        AssistiveTechnology::isActive())
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
}
