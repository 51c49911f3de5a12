#pragma once

#include <QString>

struct Form1Context;

// Fetches and draws the children of the link's category.
void ShowChildCategories(Form1Context &ctx, const QString &link);
