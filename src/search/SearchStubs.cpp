// Placeholders until item search lands.
#include "search/ItemClickThrough.h"
#include "search/Paging.h"
#include "search/ResultPage.h"
#include "search/SearchCriteria.h"

#include "app/Form1Context.h"

QString ReadSearchCriteria(Form1Context &) { return {}; }
QString GetBracketValue(const QString &) { return {}; }
void Cmd_Search_Click(Form1Context &) {}
void TB_Search_KeyDown(Form1Context &, qint16, int) {}
void CB_Sort_Click(Form1Context &) {}
void ShowSearchResults(Form1Context &, const QString &) {}
void CB_page_Click(Form1Context &) {}
void Cmd_UpPage_Click(Form1Context &) {}
void Cmd_DownPage_Click(Form1Context &) {}
void WebBrowser4_BeforeNavigate2(Form1Context &ctx, const QString &, int, bool &cancel)
{
    cancel = ctx.state.CancelNav;
}
