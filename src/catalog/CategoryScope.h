#pragma once

struct Form1Context;

// Sets the scope box to "当前类目": a selection always searches the category it selected.
void SelectCurrentCategoryScope(Form1Context &ctx);
