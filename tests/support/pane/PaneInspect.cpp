#include "PaneInspect.h"

#include "support/WaitUntil.h"

#include "panes/WebEnginePane.h"

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <memory>
#include <optional>

namespace PaneInspect {

bool waitForDocument(WebEnginePane *pane, int timeoutMs)
{
    return waitUntil([pane] { return !pane->isLoading(); }, timeoutMs);
}

QString toPlainText(WebEnginePane *pane, int timeoutMs)
{
    // Shared: an answer after the time-out finds it still alive.
    auto text = std::make_shared<std::optional<QString>>();
    pane->view()->page()->toPlainText([text](const QString &result) { *text = result; });
    waitUntil([text] { return text->has_value(); }, timeoutMs);
    return text->value_or(QString());
}

QVariant evaluate(WebEnginePane *pane, const QString &script, int timeoutMs)
{
    auto value = std::make_shared<std::optional<QVariant>>();
    pane->view()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                        [value](const QVariant &result) { *value = result; });
    waitUntil([value] { return value->has_value(); }, timeoutMs);
    return value->value_or(QVariant());
}

} // namespace PaneInspect
