#pragma once

#include <QString>

struct Form1Context;

// A click in the path or the child list: children, then path, then the search.
// The typed keyword stays, so it is searched within the clicked category.
void SelectClickedCategory(Form1Context &ctx, const QString &link);
// The path pane's before-navigate notification.
void WebBrowser2_BeforeNavigate2(Form1Context &ctx, const QString &link, int flags, bool &cancel);
// The child pane's before-navigate notification.
void WebBrowser3_BeforeNavigate2(Form1Context &ctx, const QString &link, int flags, bool &cancel);
