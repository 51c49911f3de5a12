// Placeholders until category browsing lands.
#include "catalog/CategoryMenu.h"
#include "catalog/CategoryPath.h"
#include "catalog/ChildCategories.h"

#include "app/Form1Context.h"

void LoadCategoryMenu(Form1Context &) {}
void WebBrowser1_BeforeNavigate2(Form1Context &ctx, const QString &, int, bool &cancel)
{
    cancel = ctx.state.CancelNav;
}
void ShowCategoryPath(Form1Context &, const QString &) {}
void WebBrowser2_BeforeNavigate2(Form1Context &ctx, const QString &, int, bool &cancel)
{
    cancel = ctx.state.CancelNav;
}
void ShowChildCategories(Form1Context &, const QString &) {}
void WebBrowser3_BeforeNavigate2(Form1Context &ctx, const QString &, int, bool &cancel)
{
    cancel = ctx.state.CancelNav;
}
