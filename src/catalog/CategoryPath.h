#pragma once

#include <QString>

struct Form1Context;

// Updates the category path from a link and redraws the path pane.
void ShowCategoryPath(Form1Context &ctx, const QString &link);
