#pragma once

struct Form1Context;

// Back to the first page after a new category selection: the page list shows
// "1" (its other entries stay), PageText "1", RowOffset "0".
void ResetToFirstPage(Form1Context &ctx);
