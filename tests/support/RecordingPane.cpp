#include "RecordingPane.h"

void RecordingPane::Navigate(const QString &url)
{
    navigations.append(url);
    bool cancel = false;
    emit BeforeNavigate2(url, 0, &cancel);
    if (!cancel)
        text.clear();
}

void RecordingPane::open()
{
    ++openCount;
    text.clear();
}

void RecordingPane::write(const QString &html)
{
    ++writeCount;
    text += html;
}

bool RecordingPane::click(const QString &link, int flags)
{
    bool cancel = false;
    emit BeforeNavigate2(link, flags, &cancel);
    return cancel;
}
