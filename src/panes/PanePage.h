#pragma once

#include <QWebEnginePage>

#include <functional>

// The page behind a pane. It lets through only the loads the pane starts
// itself; a link navigation that got past the click capture is reported and
// refused, and everything else the content tries is refused.
class PanePage : public QWebEnginePage
{
    Q_OBJECT
public:
    // In the panes' profile (PaneEngine).
    explicit PanePage(QObject *parent = nullptr);

    // Called for a link navigation the content attempts; gets the target as text.
    std::function<void(const QString &url)> onLinkNavigation;

    // Loads url as the pane's own document.
    void loadOwn(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    QUrl m_ownLoad;
};
