#include "FetchNotice.h"

#include "PagePane.h"

namespace {

QWidget *g_host = nullptr;

} // namespace

FetchNoticeScope::FetchNoticeScope(PagePane *pane) : m_previous(g_host)
{
    g_host = pane ? pane->noticeHost() : nullptr;
}

FetchNoticeScope::~FetchNoticeScope()
{
    g_host = m_previous;
}

QWidget *FetchNoticeScope::currentHost()
{
    return g_host;
}
