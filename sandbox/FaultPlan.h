#pragma once

#include "AffiliateService.h"
#include "SandboxOptions.h"

#include <atomic>

// Decides, request by request, which of the configured faults strike.
class FaultPlan
{
public:
    explicit FaultPlan(const FaultOptions &options) : m_options(options) {}

    const FaultOptions &options() const { return m_options; }
    // Counts every request; true when this one is to fail with an error status.
    bool nextRequestFails();
    // Counts search requests; the fault this search answer carries.
    AffiliateService::SearchFault nextSearchFault();

private:
    static bool strikes(quint64 count, int every) { return every > 0 && count % every == 0; }

    FaultOptions m_options;
    std::atomic<quint64> m_requests{0};
    std::atomic<quint64> m_searches{0};
};
