#pragma once

#include <QtGlobal>

class PaneDocuments;
class QWebEngineProfile;

// The engine policy of the panes, owned by the program: one off-the-record
// profile with the lockdown settings, the request filter and the handler of the
// program's own scheme, installed once. The default profile is left alone.
namespace PaneEngine {

// The engine's memory cache of the panes' pictures. Left to itself it takes 2 %
// of the machine's memory, up to 50 MiB, and fills it with pictures of grids
// long gone; this much still holds the pictures of the last few grids.
constexpr int HttpCacheBytes = 2 * 1024 * 1024;

// Creates the profile, its scheme handler and a first page with its renderer,
// so the panes start on a ready engine; does nothing once done.
void warm();

QWebEngineProfile *profile();
PaneDocuments *documents();

} // namespace PaneEngine
