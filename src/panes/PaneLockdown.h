#pragma once

#include <QString>

class QWebEnginePage;

// Keeps what the network writes into a pane inside it: no plugins, no windows,
// no pings or prefetches, no reach into local files, and a request filter that
// lets only the document's pictures (and the maker's style sheets) load.
namespace PaneLockdown {

// makerHost: the host (and port) the documents' relative addresses resolve on.
void apply(QWebEnginePage *page, const QString &makerHost);

} // namespace PaneLockdown
