#include "catalog/CategoryMenu.h"

#include "catalog/CatalogDocuments.h"
#include "catalog/CategoryPath.h"
#include "catalog/ChildCategories.h"
#include "context/Form1Context.h"
#include "platform/BlockingFetch.h"
#include "platform/PagePane.h"
#include "platform/WebFetcher.h"
#include "platform/XmlReader.h"
#include "requests/Configuration.h"
#include "requests/CreateURL.h"
#include "search/ResultPage.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

const QString AcceptMark = QStringLiteral("女装");

void selectCategoryAtStart(Form1Context &ctx, const QString &link)
{
    ShowCategoryPath(ctx, link);
    ShowChildCategories(ctx, link);
    ShowSearchResults(ctx, link);
}

// Builds the menu from the open platform's top level; each name holding the
// accept mark is selected as it is met.
QString composeMenuFromPlatform(Form1Context &ctx)
{
    XmlReader reader(ctx.services.fetch);
    reader.setURL(CreateURL::BuildItemCatsUrl(QStringLiteral("0")));
    QString html = CatalogDocuments::menuStyle();
    const QString blanks(30, QLatin1Char(' '));
    const QList<QDomElement> records = XmlReader::children(reader.root());
    for (const QDomElement &record : records) {
        const QString cid = XmlReader::childText(record, QStringLiteral("cid"));
        const QString name = XmlReader::childText(record, QStringLiteral("name"));
        html += CatalogDocuments::menuLine(cid, name);
        ctx.ui.CB_Sub->addItem(name + blanks + QStringLiteral("[") + cid + QStringLiteral("]"));
        if (name.contains(AcceptMark))
            selectCategoryAtStart(ctx, CatalogDocuments::menuSelectionLink(cid, name));
    }
    return html;
}

} // namespace

void LoadCategoryMenu(Form1Context &ctx)
{
    if (!ctx.state.IsOnline)
        return;
    const BlockingFetch::PaneScope forPane(ctx.services.fetch, ctx.ui.WebBrowser1);
    WebFetcher *fetcher = ctx.services.Inet1;
    fetcher->setRequestTimeout(5);

    const Configuration &config = Configuration::current();
    QString menu = fetcher->OpenURL(QStringLiteral("http://") + config.makerHost +
                                    QStringLiteral("/Excel/Menu.rar"));
    bool accepted = menu.contains(AcceptMark);
    if (!accepted) {
        menu = fetcher->OpenURL(QStringLiteral("http://") + config.fileHost +
                                QStringLiteral("/ContentPane.aspx?down=ok&filepath=") +
                                config.fileFolder + QStringLiteral("%2f") +
                                QStringLiteral("Menu.rar"));
        accepted = menu.contains(AcceptMark);
    }

    QString html;
    if (accepted) {
        selectCategoryAtStart(ctx, CatalogDocuments::menuFileSelectionLink(menu));
        html = menu;
    } else {
        html = composeMenuFromPlatform(ctx);
    }

    PagePane *pane = ctx.ui.WebBrowser1;
    pane->open();
    pane->write(CatalogDocuments::bodyTag(QStringLiteral("images/1.jpg")) + html);
}

void WebBrowser1_BeforeNavigate2(Form1Context &ctx, const QString &link, int flags, bool &cancel)
{
    cancel = ctx.state.CancelNav;
    if (flags != PagePane::HyperlinkFlag)
        return;
    // A menu click searches by category alone.
    ctx.ui.TB_Search->setText(QString());
    ShowChildCategories(ctx, link);
    ShowCategoryPath(ctx, link);
    ShowSearchResults(ctx, link);
}
