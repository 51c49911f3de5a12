#pragma once

struct Form1Context;

void CB_page_Click(Form1Context &ctx);
void Cmd_UpPage_Click(Form1Context &ctx);
void Cmd_DownPage_Click(Form1Context &ctx);
