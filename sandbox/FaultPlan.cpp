#include "FaultPlan.h"

bool FaultPlan::nextRequestFails()
{
    return strikes(++m_requests, m_options.errorEvery);
}

AffiliateService::SearchFault FaultPlan::nextSearchFault()
{
    const quint64 count = ++m_searches;
    if (strikes(count, m_options.timeoutEvery))
        return AffiliateService::SearchFault::Timeout;
    if (strikes(count, m_options.noTotalEvery))
        return AffiliateService::SearchFault::NoTotal;
    return AffiliateService::SearchFault::None;
}
