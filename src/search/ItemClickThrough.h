#pragma once

#include <QString>

struct Form1Context;

// The result pane's before-navigate notification: opens the item or seller
// through an affiliate link in the system browser.
void WebBrowser4_BeforeNavigate2(Form1Context &ctx, const QString &link, int flags, bool &cancel);
