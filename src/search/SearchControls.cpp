#include "search/SearchControls.h"

#include "context/Form1Context.h"
#include "search/ResultPage.h"
#include "search/TextTrim.h"

#include <QLineEdit>

void Cmd_Search_Click(Form1Context &ctx)
{
    ShowSearchResults(ctx, QString());
}

void TB_Search_KeyDown(Form1Context &ctx, qint16 keyCode, int shift)
{
    Q_UNUSED(shift);
    if (keyCode == 13 && !TrimBlanks(ctx.ui.TB_Search->text()).isEmpty())
        Cmd_Search_Click(ctx);
}

void CB_Sort_Click(Form1Context &ctx)
{
    if (ctx.state.UiReady)
        ShowSearchResults(ctx, QString());
}
