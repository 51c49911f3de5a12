#include "app/FetchIndicator.h"

#include "app/BusyNotice.h"
#include "platform/PagePane.h"

#include <QCursor>
#include <QGuiApplication>

FetchIndicator::FetchIndicator() = default;

FetchIndicator::~FetchIndicator()
{
    while (!m_notices.empty())
        fetchEnded();
}

void FetchIndicator::fetchStarted(PagePane *pane)
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    m_notices.push_back(std::make_unique<BusyNotice>(pane ? pane->noticeHost() : nullptr));
}

void FetchIndicator::fetchEnded()
{
    if (m_notices.empty())
        return;
    m_notices.pop_back();
    QGuiApplication::restoreOverrideCursor();
}
