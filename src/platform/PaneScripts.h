#pragma once

#include <QString>

// Script sources the pane runs in its application world (never in the page's own).
namespace PaneScripts {

// Name under which the pane's link bridge is published on the web channel.
constexpr const char *BridgeName = "kestrovaPane";

// qwebchannel.js, the click capture and the default body margins; injected at
// document creation.
QString documentCreation();

// Text of the comment the pane puts before each document it writes; the
// capture script reports it back when that document has loaded.
QString documentMark(quint64 serial);
// The capture script where it is missing, then the mark of the document if it has
// loaded (empty otherwise), as the value of the script.
QString loadedMark();

// Sets the body's "scroll" attribute and hides or restores the scroll bars.
QString bodyScroll(const QString &value);

// Replaces the whole document with html (for documents too large for setHtml).
QString replaceDocument(const QString &html);

} // namespace PaneScripts
