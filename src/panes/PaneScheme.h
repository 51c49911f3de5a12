#pragma once

class QUrl;

// The URL scheme of the program's own under which the panes' documents are served.
namespace PaneScheme {

constexpr char Name[] = "kestrova-pane";
// Every pane document's host; the path names the pane, then its write.
constexpr char Host[] = "panes";

// Must run before the application object exists.
void registerScheme();

// The main-frame addresses a pane may show: its own documents and the blank page.
bool isPaneDocument(const QUrl &url);

} // namespace PaneScheme
