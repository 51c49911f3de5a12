#include "MenuFragment.h"

#include "CategoryTree.h"

namespace MenuFragment {
namespace {

QString link(const CategoryTree::Node &node)
{
    return QStringLiteral("<a href='http://[cid=%1][name=%2]'>%2</a>").arg(node.cid).arg(node.name);
}

} // namespace

QString build(const CategoryTree &tree)
{
    QString heading = QStringLiteral("<div style='font-size:14px;font-weight:bold;color:#C30;"
                                     "margin:4px 0'>淘宝商品类目</div>");
    const QString hot = QStringLiteral("<nobr>热门：");
    // Pad with a comment so the start link's "href=" lands on the wanted position.
    const int wanted = StartLinkPosition - 1 - int(QStringLiteral("<nobr>热门：<a ").size());
    if (heading.size() < wanted) {
        const int padding = wanted - int(heading.size()) - 7; // "<!--" + "-->"
        heading += QStringLiteral("<!--") + QString(qMax(0, padding), QLatin1Char(' ')) +
                   QStringLiteral("-->");
    }
    QString text = heading + hot;
    const int start = tree.indexOf(StartCategoryCid);
    if (start >= 0)
        text += link(tree.node(start));
    text += QStringLiteral("</nobr></br>\n");
    for (int index : tree.topLevel())
        text +=
            QStringLiteral("<nobr>") + link(tree.node(index)) + QStringLiteral("</nobr></br>\n");
    return text;
}

} // namespace MenuFragment
