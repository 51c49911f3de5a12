#include "ContextFixture.h"

#include "handlers/Form1Routines.h"
#include "handlers/Form1Wiring.h"

ContextFixture::ContextFixture(const FetchOptions &fetchOptions)
    : TB_Search(new QLineEdit(&window)), CB_Sub(new QComboBox(&window)),
      CB_page(new QComboBox(&window)), CB_Sort(new QComboBox(&window)),
      Cmd_Search(new QPushButton(&window)), Cmd_UpPage(new QPushButton(&window)),
      Cmd_DownPage(new QPushButton(&window)), LB_Total1(new QLabel(&window)),
      LB_Total2(new QLabel(&window)), fetch(fetchOptions)
{
    ctx.ui.TB_Search = TB_Search;
    ctx.ui.CB_Sub = CB_Sub;
    ctx.ui.CB_page = CB_page;
    ctx.ui.CB_Sort = CB_Sort;
    ctx.ui.Cmd_Search = Cmd_Search;
    ctx.ui.Cmd_UpPage = Cmd_UpPage;
    ctx.ui.Cmd_DownPage = Cmd_DownPage;
    ctx.ui.LB_Total1 = LB_Total1;
    ctx.ui.LB_Total2 = LB_Total2;
    ctx.ui.WebBrowser1 = &pane1;
    ctx.ui.WebBrowser2 = &pane2;
    ctx.ui.WebBrowser3 = &pane3;
    ctx.ui.WebBrowser4 = &pane4;
    ctx.services.fetch = &fetch;
    ctx.services.Inet1 = &fetcher;
    ctx.services.network = &network;
    ctx.services.browser = &browser;
    ctx.services.messageBox = [this](const QString &title, const QString &text) {
        messageTitles.append(title);
        messages.append(text);
    };
    TB_Search->setText(QStringLiteral("Text1"));
    LB_Total1->setText(QStringLiteral("在当前类目下 找到"));
    LB_Total2->setText(QStringLiteral("3000个商品"));
    SetupSearchControls(ctx);
    WireForm1Handlers(ctx);
}

void ContextFixture::makeLoaded()
{
    ctx.state.CancelNav = true;
    ctx.state.IsOnline = true;
    ctx.state.CatIds = QStringList{QString()};
    ctx.state.CatNames = QStringList{QString()};
    ctx.state.UiReady = true;
}
