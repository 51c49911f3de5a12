#include "catalog/CategoryScope.h"

#include "context/Form1Context.h"

#include <QComboBox>

void SelectCurrentCategoryScope(Form1Context &ctx)
{
    // A drop-down list: setting its text means selecting the entry with that text.
    const int index = ctx.ui.CB_Sub->findText(QStringLiteral("当前类目"));
    if (index >= 0)
        ctx.ui.CB_Sub->setCurrentIndex(index);
}
