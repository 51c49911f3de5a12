#include "catalog/ChildCategories.h"

#include "catalog/CatalogDocuments.h"
#include "catalog/CategoryScope.h"
#include "catalog/PageReset.h"
#include "context/Form1Context.h"
#include "platform/BlockingFetch.h"
#include "platform/PagePane.h"
#include "platform/XmlReader.h"
#include "requests/CreateURL.h"

void ShowChildCategories(Form1Context &ctx, const QString &link)
{
    if (!ctx.state.IsOnline)
        return;
    const BlockingFetch::PaneScope forPane(ctx.services.fetch, ctx.ui.WebBrowser3);
    SelectCurrentCategoryScope(ctx);

    const QString cid = CreateURL::GetTagValue(link, QStringLiteral("cid"));
    QString html = CatalogDocuments::childStyle();
    int written = 0;
    if (!cid.isEmpty()) {
        // A failed or unreadable answer is an empty document: no records.
        XmlReader reader(ctx.services.fetch);
        reader.setURL(CreateURL::BuildItemCatsUrl(cid));
        const QList<QDomElement> records = XmlReader::children(reader.root());
        for (const QDomElement &record : records) {
            const QString childCid = XmlReader::childText(record, QStringLiteral("cid"));
            const QString name = XmlReader::childText(record, QStringLiteral("name"));
            const QString parentCid = XmlReader::childText(record, QStringLiteral("parent_cid"));
            if (childCid.isEmpty())
                continue;
            html += CatalogDocuments::categoryAnchor(parentCid, childCid, name) +
                    QStringLiteral("&nbsp&nbsp&nbsp&nbsp");
            ++written;
        }
    }

    PagePane *pane = ctx.ui.WebBrowser3;
    pane->open();
    if (written == 0)
        html += CatalogDocuments::noChildrenBlock();
    pane->write(CatalogDocuments::bodyTag(QStringLiteral("images/3.jpg")) + html);
    pane->Refresh();

    ResetToFirstPage(ctx);
}
