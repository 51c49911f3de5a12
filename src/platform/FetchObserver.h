#pragma once

class PagePane;

// Told when a blocking fetch starts waiting and when it has ended, on the window's
// thread; the application shows the wait cursor and the busy notice from these.
class FetchObserver
{
public:
    virtual ~FetchObserver() = default;
    // pane: the pane the fetch is for, or nullptr when none was named.
    virtual void fetchStarted(PagePane *pane) = 0;
    virtual void fetchEnded() = 0;
};
