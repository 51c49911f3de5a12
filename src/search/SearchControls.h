#pragma once

#include <QtGlobal>

struct Form1Context;

// The three ways the search controls start a search.
void Cmd_Search_Click(Form1Context &ctx);
void TB_Search_KeyDown(Form1Context &ctx, qint16 keyCode, int shift);
void CB_Sort_Click(Form1Context &ctx);
