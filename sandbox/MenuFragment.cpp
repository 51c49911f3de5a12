#include "MenuFragment.h"

#include "CategoryTree.h"

namespace MenuFragment {
namespace {

// The menu pane is 177 pixels wide with a vertical scroll bar: small type, narrow
// margins, and long names wrapping under themselves instead of running out of the pane.
const QString Style = QStringLiteral(
    "<style type='text/css'> body{margin:6px 3px 6px 5px; font-family:sans-serif} "
    "a{color:#0044dd; text-decoration:none; font-size:12px} "
    "a:hover{color:#FF5500; text-decoration:underline;} "
    ".mt{font-size:14px; font-weight:bold; color:#C30; padding-bottom:3px; "
    "border-bottom:2px solid #E8B070} .mh{margin:4px 0 3px; font-size:12px; color:#C30} "
    ".mc{padding:2px 0 2px 9px; text-indent:-9px; line-height:15px; word-wrap:break-word; "
    "border-top:1px dotted #D8C8A8} </style>");

QString link(const CategoryTree::Node &node)
{
    // Names go in as they are, like the program's own links.
    return QStringLiteral("<a href='http://[cid=") + QString::number(node.cid) +
           QStringLiteral("][name=") + node.name + QStringLiteral("]'>") + node.name +
           QStringLiteral("</a>");
}

} // namespace

QString build(const CategoryTree &tree)
{
    QString text = Style + QStringLiteral("<div class=mt>淘宝商品类目</div>");
    const QString hot = QStringLiteral("<div class=mh>热门：");
    // The program takes the first link from this position on as the start category.
    const int wanted = StartLinkPosition - 1 - int((hot + QStringLiteral("<a ")).size());
    if (text.size() < wanted) {
        const int padding = wanted - int(text.size()) - 7; // "<!--" + "-->"
        text += QStringLiteral("<!--") + QString(qMax(0, padding), QLatin1Char(' ')) +
                QStringLiteral("-->");
    }
    text += hot;
    const int start = tree.indexOf(StartCategoryCid);
    if (start >= 0)
        text += link(tree.node(start));
    text += QStringLiteral("</div>\n");
    for (int index : tree.topLevel())
        text +=
            QStringLiteral("<div class=mc>") + link(tree.node(index)) + QStringLiteral("</div>\n");
    return text;
}

} // namespace MenuFragment
