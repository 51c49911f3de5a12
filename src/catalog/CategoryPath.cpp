#include "catalog/CategoryPath.h"

#include "catalog/CatalogDocuments.h"
#include "catalog/CategoryScope.h"
#include "catalog/PageReset.h"
#include "context/Form1Context.h"
#include "platform/PagePane.h"
#include "requests/CreateURL.h"

namespace {

// Pads with empty entries or drops the tail. The parent-id list starts out
// empty while the other two hold one entry, so it has to be brought along.
void resizeList(QStringList &list, qsizetype length)
{
    while (list.size() < length)
        list.append(QString());
    while (list.size() > length)
        list.removeLast();
}

QString composePath(const MainState &state)
{
    QString html =
        CatalogDocuments::bodyTag(QStringLiteral("images/2.jpg")) + CatalogDocuments::pathStyle();
    for (qsizetype i = 0; i < state.CatIds.size(); ++i) {
        html += CatalogDocuments::categoryAnchor(state.CatParentIds.value(i), state.CatIds.at(i),
                                                 state.CatNames.value(i)) +
                QStringLiteral(">>");
    }
    return html;
}

} // namespace

void ShowCategoryPath(Form1Context &ctx, const QString &link)
{
    MainState &state = ctx.state;
    if (!state.IsOnline)
        return;
    SelectCurrentCategoryScope(ctx);

    const QString cid = CreateURL::GetTagValue(link, QStringLiteral("cid"));
    const QString name = CreateURL::GetTagValue(link, QStringLiteral("name"));
    const QString parentCid = CreateURL::GetTagValue(link, QStringLiteral("p_cid"));

    if (parentCid.isEmpty()) {
        state.CatIds = QStringList{cid};
        state.CatNames = QStringList{name};
        state.CatParentIds = QStringList{QString()};
    } else {
        // A parent that is not on the path leaves the path as it is.
        const qsizetype i = state.CatIds.indexOf(parentCid);
        if (i >= 0) {
            resizeList(state.CatIds, i + 2);
            resizeList(state.CatNames, i + 2);
            resizeList(state.CatParentIds, i + 2);
            state.CatIds[i + 1] = cid;
            state.CatNames[i + 1] = name;
            state.CatParentIds[i + 1] = parentCid;
        }
    }

    PagePane *pane = ctx.ui.WebBrowser2;
    const QString html = composePath(state);
    pane->open();
    pane->write(html);
    pane->Refresh();

    ResetToFirstPage(ctx);
}
