#pragma once

#include <QString>

// Script sources the pane runs in its application world (never in the page's own).
namespace PaneScripts {

// Name under which the pane's link bridge is published on the web channel.
constexpr const char *BridgeName = "kestrovaPane";

// qwebchannel.js, the click capture and the default body margins; injected at
// document creation.
QString documentCreation();

// Text of the comment the pane puts in each skeleton it loads; the capture
// script reports it back when that skeleton has loaded.
QString documentMark(quint64 serial);
// Reported once the text of that write is in and its pictures have settled.
QString writtenDocumentMark(quint64 serial);
// The written mark of the text in the document, empty until its pictures have settled.
QString writtenMark();
// The capture script where it is missing, then the mark of the document if it has
// loaded (empty otherwise), as the value of the script.
QString loadedMark();

// Sets the body's "scroll" attribute and hides or restores the scroll bars.
QString bodyScroll(const QString &value);

// Replaces the whole document with html; mark is reported once its pictures have settled.
QString replaceDocument(const QString &html, const QString &mark);

} // namespace PaneScripts
