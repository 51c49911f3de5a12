#include "handlers/Form1Routines.h"

#include "catalog/CategoryMenu.h"
#include "context/Form1Context.h"
#include "platform/NetworkState.h"
#include "platform/WebFetcher.h"
#include "requests/Configuration.h"
#include "requests/NumberText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
const char *const SortEntries[] = {
    "价格从高到低               [7]",
    "价格从低到高               [8]",
    "成交量成高到低             [9]",
    "成交量从低到高             [10]",
};
} // namespace

void SetupSearchControls(Form1Context &ctx)
{
    Form1Controls &ui = ctx.ui;
    ui.CB_Sub->addItem(QStringLiteral("当前类目"));
    ui.CB_Sub->addItem(QStringLiteral("所有类目"));
    ui.CB_Sub->setCurrentIndex(ui.CB_Sub->findText(QStringLiteral("当前类目")));
    ui.TB_Search->setText(QString());
    ui.CB_page->addItem(QStringLiteral("1"));
    // The page list starts without a current entry.
    ui.CB_page->setCurrentIndex(-1);
    for (const char *entry : SortEntries)
        ui.CB_Sort->addItem(QString::fromUtf8(entry));
    ui.CB_Sort->setCurrentIndex(ui.CB_Sort->findText(QString::fromUtf8(SortEntries[2])));
}

void Timer1_Timer(Form1Context &ctx)
{
    MainState &state = ctx.state;
    const bool wasOnline = state.IsOnline;
    state.IsOnline = ctx.services.network->InternetGetConnectedState();
    if (wasOnline || !state.IsOnline)
        return;

    // The platform says connected: confirm it with a real page.
    ctx.services.Inet1->setRequestTimeout(10);
    const QString body = ctx.services.Inet1->OpenURL(Configuration::current().probeUrl);
    if (!body.contains(QStringLiteral("百度"))) {
        state.IsOnline = false;
        return;
    }
    state.IsOnline = true;
    ++state.OnlineCount;
    if (state.OnlineCount == 1)
        LoadCategoryMenu(ctx);
}

void Timer2_Timer(Form1Context &ctx)
{
    const double v = NumberText::numericValue(ctx.ui.CB_page->currentText());
    const int n = ctx.ui.CB_page->count();
    ctx.ui.Cmd_UpPage->setEnabled(v > 1);
    ctx.ui.Cmd_DownPage->setEnabled(!(v >= n));
}
