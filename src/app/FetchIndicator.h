#pragma once

#include "platform/FetchObserver.h"

#include <memory>
#include <vector>

class BusyNotice;

// What the user sees of a waiting fetch: the wait cursor at once and, after half a
// second, the busy notice over the pane the fetch is for.
class FetchIndicator : public FetchObserver
{
public:
    FetchIndicator();
    ~FetchIndicator() override;

    void fetchStarted(PagePane *pane) override;
    void fetchEnded() override;

private:
    std::vector<std::unique_ptr<BusyNotice>> m_notices; // one per waiting fetch
};
