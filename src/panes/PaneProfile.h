#pragma once

#include <QtGlobal>

class QWebEngineProfile;

// The profile the panes load in: the engine's default one, off the record, so
// nothing is kept on disk.
namespace PaneProfile {

// The engine's memory cache of the panes' pictures. Left to itself it takes 2 %
// of the machine's memory, up to 50 MiB, and fills it with pictures of grids
// long gone. Each picture costs the engine several times its size in
// bookkeeping beyond what the cap counts, so the cap is small: this much
// still holds the pictures of the last few grids.
constexpr int HttpCacheBytes = 2 * 1024 * 1024;

// The default profile, with the panes' cache size unless one was set before;
// call before the first page loads.
QWebEngineProfile *prepared();

} // namespace PaneProfile
