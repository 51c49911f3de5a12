#include "search/Paging.h"

#include "context/Form1Context.h"
#include "requests/NumberText.h"
#include "search/ResultPage.h"

#include <QComboBox>

namespace {

constexpr int PageSize = 20;

// Setting the entry runs the list's own handler, which searches that page
// before this returns. An entry the list does not hold changes nothing.
void selectPage(Form1Context &ctx, double page)
{
    QComboBox *list = ctx.ui.CB_page;
    const int index = list->findText(NumberText::decimalText(page));
    if (index >= 0)
        list->setCurrentIndex(index);
    ctx.state.PageText = list->currentText();
}

} // namespace

void CB_page_Click(Form1Context &ctx)
{
    if (!ctx.state.UiReady)
        return;
    const QString text = ctx.ui.CB_page->currentText();
    if (text.isEmpty())
        return;
    ctx.state.RowOffset = NumberText::decimalText((NumberText::numericValue(text) - 1) * PageSize);
    ctx.state.PageText = text;
    ShowSearchResults(ctx, QString());
}

void Cmd_UpPage_Click(Form1Context &ctx)
{
    const double page = NumberText::numericValue(ctx.ui.CB_page->currentText());
    if (page > 1)
        selectPage(ctx, page - 1);
}

void Cmd_DownPage_Click(Form1Context &ctx)
{
    const double page = NumberText::numericValue(ctx.ui.CB_page->currentText());
    if (page < ctx.ui.CB_page->count())
        selectPage(ctx, page + 1);
}
