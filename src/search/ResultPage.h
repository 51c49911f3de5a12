#pragma once

#include <QString>

struct Form1Context;

// Runs one item search with the current criteria and redraws the grid, the
// count labels and the page list. The link argument is not read.
void ShowSearchResults(Form1Context &ctx, const QString &link);
