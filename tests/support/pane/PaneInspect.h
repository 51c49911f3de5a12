#pragma once

#include <QString>
#include <QVariant>

class WebEnginePane;

// Looks into a real pane for tests and benchmarks; each waits in a local event
// loop. A renderer laying out megabytes on a busy machine answers late, not never.
namespace PaneInspect {

// Until the pane's newest document has loaded.
bool waitForDocument(WebEnginePane *pane, int timeoutMs = 30000);
QString toPlainText(WebEnginePane *pane, int timeoutMs = 30000);
// The value of script, run in the pane's application world.
QVariant evaluate(WebEnginePane *pane, const QString &script, int timeoutMs = 30000);

} // namespace PaneInspect
