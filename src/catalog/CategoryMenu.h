#pragma once

#include <QString>

struct Form1Context;

// Fills the menu pane once per run and selects a first category.
void LoadCategoryMenu(Form1Context &ctx);
// The menu pane's before-navigate notification.
void WebBrowser1_BeforeNavigate2(Form1Context &ctx, const QString &link, int flags, bool &cancel);
