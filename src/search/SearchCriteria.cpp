#include "search/SearchCriteria.h"

#include "context/Form1Context.h"
#include "search/TextTrim.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

const QString CurrentCategoryEntry = QStringLiteral("当前类目");
const QString AllCategoriesEntry = QStringLiteral("所有类目");

} // namespace

QString ReadSearchCriteria(Form1Context &ctx)
{
    MainState &state = ctx.state;
    const Form1Controls &ui = ctx.ui;
    state.UiReady = false;

    const QString scope = ui.CB_Sub->currentText();
    state.CurCatId = GetBracketValue(scope);
    if (scope == AllCategoriesEntry)
        state.CurCatId.clear();
    if (scope == CurrentCategoryEntry)
        state.CurCatId = state.CatIds.isEmpty() ? QString() : state.CatIds.last();

    state.Keyword = TrimBlanks(ui.TB_Search->text());
    state.SortCode = GetBracketValue(ui.CB_Sort->currentText());

    QString result;
    if (state.Keyword.isEmpty() && state.CurCatId.isEmpty())
        result += QStringLiteral("搜索关键词和类目不能都为空！\r\n");

    state.UiReady = true;
    return result;
}

QString GetBracketValue(const QString &text)
{
    const qsizetype open = text.indexOf(QLatin1Char('['));
    if (open < 0)
        return {};
    const qsizetype close = text.indexOf(QLatin1Char(']'), open);
    if (close < 0)
        return {};
    return text.mid(open + 1, close - open - 1);
}
