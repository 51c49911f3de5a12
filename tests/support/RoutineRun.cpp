#include "RoutineRun.h"

#include "ContextFixture.h"
#include "ProcessMemory.h"

#include "catalog/CatalogDocuments.h"
#include "catalog/CategoryMenu.h"
#include "catalog/ChildCategories.h"
#include "handlers/Form1Routines.h"
#include "platform/BlockingFetch.h"
#include "search/ItemClickThrough.h"
#include "search/ResultGrid.h"
#include "search/ResultPage.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>

namespace RoutineRun {

const char *name(Routine routine)
{
    switch (routine) {
    case Routine::Probe:
        return "probe";
    case Routine::Menu:
        return "menu";
    case Routine::Children:
        return "children";
    case Routine::Search:
        return "search";
    case Routine::ClickThrough:
        return "click-through";
    }
    return "";
}

// Requests a routine makes when every answer fails: the probe once; the menu's two
// copies and the platform's list; one child list; four searches; six link codes.
int failedRequests(Routine routine)
{
    switch (routine) {
    case Routine::Probe:
        return 1;
    case Routine::Menu:
        return 3;
    case Routine::Children:
        return 1;
    case Routine::Search:
        return 4;
    case Routine::ClickThrough:
        return 6;
    }
    return 0;
}

Figures run(ContextFixture &f, Routine routine)
{
    Form1Context &ctx = f.ctx;
    const bool peakReset = ProcessMemory::resetPeak();
    const qint64 before = ProcessMemory::residentKiB();
    QElapsedTimer clock;
    clock.start();
    switch (routine) {
    case Routine::Probe:
        ctx.state.IsOnline = false;
        Timer1_Timer(ctx);
        break;
    case Routine::Menu:
        LoadCategoryMenu(ctx);
        break;
    case Routine::Children:
        ShowChildCategories(ctx, QStringLiteral("http://[cid=16][name=女装]"));
        break;
    case Routine::Search:
        ShowSearchResults(ctx, QString());
        break;
    case Routine::ClickThrough: {
        bool cancel = false;
        WebBrowser4_BeforeNavigate2(ctx, QStringLiteral("http://[catid=123]"),
                                    PagePane::HyperlinkFlag, cancel);
        break;
    }
    }
    Figures figures;
    figures.elapsedMs = clock.elapsed();
    const qint64 now = ProcessMemory::residentKiB();
    figures.growthKiB = (peakReset ? ProcessMemory::peakResidentKiB() : now) - before;
    figures.heldKiB = now - before;
    return figures;
}

QString failedOutcomeMismatch(ContextFixture &f, Routine routine)
{
    QStringList wrong;
    auto expect = [&wrong](bool held, const char *what) {
        if (!held)
            wrong << QString::fromLatin1(what);
    };
    auto same = [&wrong](const QVariant &actual, const QVariant &expected, const char *what) {
        if (actual != expected)
            wrong << QStringLiteral("%1 is \"%2\", expected \"%3\"")
                         .arg(QLatin1String(what), actual.toString(), expected.toString());
    };
    switch (routine) {
    case Routine::Probe:
        expect(!f.ctx.state.IsOnline, "still online");
        same(f.ctx.state.OnlineCount, 0, "OnlineCount");
        same(f.pane1.writeCount, 0, "menu pane writes");
        break;
    case Routine::Menu:
        // An empty menu: the body tag and the style block; no scope entry, no selection.
        same(f.pane1.text,
             CatalogDocuments::bodyTag(QStringLiteral("images/1.jpg")) +
                 CatalogDocuments::menuStyle(),
             "menu pane");
        same(f.CB_Sub->count(), 2, "scope entries");
        same(f.pane2.writeCount + f.pane3.writeCount + f.pane4.writeCount, 0,
             "writes to the other panes");
        break;
    case Routine::Children:
        same(f.pane3.text,
             CatalogDocuments::bodyTag(QStringLiteral("images/3.jpg")) +
                 CatalogDocuments::childStyle() + CatalogDocuments::noChildrenBlock(),
             "child pane");
        break;
    case Routine::Search:
        same(f.pane4.text,
             ResultGrid::bodyTag() + ResultGrid::styleBlock() + ResultGrid::closingTags(),
             "grid pane");
        same(f.LB_Total1->text(), QStringLiteral("在【所有类目】下"), "LB_Total1");
        same(f.LB_Total2->text(), QStringLiteral("找到符合条件的商品【共0个】"), "LB_Total2");
        same(f.CB_page->count(), 0, "page entries");
        break;
    case Routine::ClickThrough:
        same(f.browser.attempts, 0, "browser attempts");
        same(f.pane4.writeCount, 0, "grid pane writes");
        break;
    }
    expect(f.browser.opened.isEmpty(), "a browser was opened");
    expect(f.messages.isEmpty(), "a message box was shown");
    expect(!f.fetch.isBusy(), "the fetch service is still busy");
    return wrong.join(QStringLiteral("; "));
}

} // namespace RoutineRun
