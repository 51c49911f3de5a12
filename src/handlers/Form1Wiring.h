#pragma once

struct Form1Context;

// Connects the controls' and panes' notifications to the window's handlers.
// Form1 and the routine tests wire the same way.
void WireForm1Handlers(Form1Context &ctx);
