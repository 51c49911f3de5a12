#pragma once

struct Form1Context;

// The window's own routines that run over its context.
void SetupSearchControls(Form1Context &ctx);
void Timer1_Timer(Form1Context &ctx);
void Timer2_Timer(Form1Context &ctx);
