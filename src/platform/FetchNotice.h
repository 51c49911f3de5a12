#pragma once

class QWidget;
class PagePane;

// Names the pane whose content the fetches of a routine are for. While one of
// those fetches has waited more than half a second, a small notice with the
// seconds waited shows over that pane; it goes the moment the fetch ends.
// Scopes nest: an inner routine's pane wins until its scope ends.
class FetchNoticeScope
{
public:
    explicit FetchNoticeScope(PagePane *pane);
    ~FetchNoticeScope();
    FetchNoticeScope(const FetchNoticeScope &) = delete;
    FetchNoticeScope &operator=(const FetchNoticeScope &) = delete;

    // The widget the notice goes over, or nullptr when no pane is named.
    static QWidget *currentHost();

private:
    QWidget *m_previous = nullptr;
};
