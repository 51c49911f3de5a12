#include "search/ResultPage.h"

#include "context/ApplicationTitle.h"
#include "context/Form1Context.h"
#include "platform/BlockingFetch.h"
#include "platform/PagePane.h"
#include "platform/XmlReader.h"
#include "requests/CreateURL.h"
#include "requests/NumberText.h"
#include "search/GridDocument.h"
#include "search/SearchCriteria.h"
#include "search/TextTrim.h"

#include <QComboBox>
#include <QLabel>

#include <cmath>

namespace {

constexpr int PageSize = 20;
constexpr int MaxPages = 100;
// Answers that carry no total are asked again up to this many times in all.
constexpr int LastTotalAttempt = 3;
// A busy service answers with "TIMEOUT"; it is asked again, but not forever.
constexpr int MaxTimeoutRetries = 3;

// The service's busy answer: the root's first child element reads "TIMEOUT".
bool isTimeoutAnswer(const XmlReader &reader)
{
    const QDomElement first = reader.root().firstChildElement();
    return !first.isNull() && XmlReader::text(first) == QLatin1String("TIMEOUT");
}

QString scopeCaption(const MainState &state, const QString &scope)
{
    if (scope == u"当前类目") {
        const QString name = state.CatNames.isEmpty() ? QString() : state.CatNames.last();
        return QStringLiteral("在【当前类目：") + name + QStringLiteral("】下");
    }
    if (scope == u"所有类目")
        return QStringLiteral("在【所有类目】下");
    const qsizetype bracket = scope.indexOf(QLatin1Char('['));
    const QString name = bracket < 0 ? scope : scope.left(bracket);
    return QStringLiteral("在【") + TrimBlanks(name) + QStringLiteral("】下");
}

// Clears the list and adds "1" to "count". The first entry added to an empty
// list becomes current by itself; a rebuilt list starts with none.
void fillPageList(QComboBox *list, double count)
{
    list->clear();
    for (int page = 1; page <= count && page <= MaxPages; ++page)
        list->addItem(QString::number(page));
    list->setCurrentIndex(-1);
}

void rebuildPageList(QComboBox *list, double pages)
{
    if (pages >= MaxPages && list->count() < MaxPages)
        fillPageList(list, MaxPages);
    if (pages < list->count())
        fillPageList(list, pages);
    if (pages > list->count() && pages < MaxPages)
        fillPageList(list, pages);
}

} // namespace

void ShowSearchResults(Form1Context &ctx, const QString &link)
{
    Q_UNUSED(link);
    MainState &state = ctx.state;
    Form1Controls &ui = ctx.ui;
    if (!state.IsOnline)
        return;

    const QString problem = ReadSearchCriteria(ctx);
    if (!problem.isEmpty()) {
        if (ctx.services.messageBox)
            ctx.services.messageBox(QString::fromLatin1(ApplicationTitle), problem);
        return;
    }

    const BlockingFetch::PaneScope forPane(ctx.services.fetch, ui.WebBrowser4);

    // A fresh URL, and so a fresh token, for every attempt; one counter over all of them.
    XmlReader reader(ctx.services.fetch);
    QString total;
    int attempts = 0;
    auto fetch = [&] {
        for (;;) {
            reader.setURL(CreateURL::BuildSearchUrl(state.RowOffset, state.CurCatId, state.Keyword,
                                                    state.SortCode));
            total = XmlReader::childText(reader.root(), QStringLiteral("PTOTAL"));
            ++attempts;
            if (attempts > LastTotalAttempt || !total.isEmpty())
                break;
        }
    };
    fetch();
    for (int retry = 0; retry < MaxTimeoutRetries && isTimeoutAnswer(reader); ++retry)
        fetch();

    const QString grid = GridDocument(reader.root());
    PagePane *pane = ui.WebBrowser4;
    pane->open();
    pane->write(grid);
    pane->Refresh();

    const double totalValue = NumberText::numericValue(total);
    ui.LB_Total1->setText(scopeCaption(state, ui.CB_Sub->currentText()));
    ui.LB_Total2->setText(QStringLiteral("找到符合条件的商品【共") +
                          NumberText::decimalText(totalValue) + QStringLiteral("个】"));

    const double pages = std::ceil(totalValue / PageSize);
    state.UiReady = false;
    rebuildPageList(ui.CB_page, pages);
    const int current = ui.CB_page->findText(state.PageText);
    if (current >= 0)
        ui.CB_page->setCurrentIndex(current);
    state.UiReady = true;
}
