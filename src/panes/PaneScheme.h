#pragma once

class QUrl;

// The URL scheme of the program's own under which the panes' documents are served.
namespace PaneScheme {

constexpr char Name[] = "kestrova-pane";

// Must run before the application object exists.
void registerScheme();

// The main-frame addresses a pane may show: its own documents and the blank page.
bool isPaneDocument(const QUrl &url);

} // namespace PaneScheme
