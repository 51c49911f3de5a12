#include "catalog/CategorySelection.h"

#include "catalog/CategoryPath.h"
#include "catalog/ChildCategories.h"
#include "context/Form1Context.h"
#include "search/ResultPage.h"

void SelectClickedCategory(Form1Context &ctx, const QString &link)
{
    ShowChildCategories(ctx, link);
    ShowCategoryPath(ctx, link);
    ShowSearchResults(ctx, link);
}

void WebBrowser2_BeforeNavigate2(Form1Context &ctx, const QString &link, int flags, bool &cancel)
{
    cancel = ctx.state.CancelNav;
    if (flags == 0)
        return;
    SelectClickedCategory(ctx, link);
}

void WebBrowser3_BeforeNavigate2(Form1Context &ctx, const QString &link, int flags, bool &cancel)
{
    cancel = ctx.state.CancelNav;
    if (flags == 0)
        return;
    SelectClickedCategory(ctx, link);
}
