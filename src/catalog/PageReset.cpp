#include "catalog/PageReset.h"

#include "context/Form1Context.h"
#include "requests/NumberText.h"

#include <QComboBox>

void ResetToFirstPage(Form1Context &ctx)
{
    MainState &state = ctx.state;
    QComboBox *pages = ctx.ui.CB_page;
    // The page list's click handler also runs for this change; it must not search.
    state.UiReady = false;
    const QString first = QStringLiteral("1");
    if (pages->count() == 0)
        pages->addItem(first);
    const int index = pages->findText(first);
    if (index >= 0)
        pages->setCurrentIndex(index);
    state.PageText = first;
    state.RowOffset =
        NumberText::decimalText((NumberText::numericValue(pages->currentText()) - 1) * 20);
    state.UiReady = true;
}
