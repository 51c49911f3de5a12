#include "search/ResultGrid.h"

#include "requests/Configuration.h"
#include "requests/NumberText.h"

namespace {

// Kept exactly as the grid has always been styled; its length is checked by the tests.
constexpr char StyleBlockText[] =
    "<style type='text/css'>body { margin: 0; padding: 0;  font-size:"
    " 12px; font-family:Verdana,Arial,sans-serif; text-align: center;"
    " color: #000; }a{color:#0044dd; text-decoration:none;}a:hover{color:#FF5500;"
    " text-decoration:underline;}img { border:0;}em { font-style:normal;}.listbox"
    " { width:760px; margin:5px auto; clear:both;}.listbox dl { width:760px;"
    " margin:0 auto; clear:both;}.listbox dl dt { width:190px; float:left;"
    " height:300px;}.listbox dl dt span { width:164px; height:164px;"
    " border:1px #e4e4e4 solid; display:block; overflow:hidden;}.listbox"
    " dl dt span img { margin:2px;}.listbox dl dt p { line-height:16px;"
    " margin-top:5px; margin-bottom:5px; width:124px;}.listbox dl dt"
    " p a { color:#3366cc;}#tkname { height:36px; overflow:hidden; line-height:18px;"
    " width:160px;}#tkprice em { font-size:14px; font-weight:bold; color:#CC0000;"
    " padding-right:4px;}#tksale em { font-weight:bold; color:#7A951D;"
    " padding-right:4px;}</style><div class='listbox'><dl>";

} // namespace

QString ResultGrid::styleBlock()
{
    return QString::fromLatin1(StyleBlockText);
}

QString ResultGrid::bodyTag()
{
    return QStringLiteral("<body background='") +
           Configuration::current().makerUrl(QStringLiteral("images/4.jpg")) + QStringLiteral("'>");
}

QString ResultGrid::itemLink(const QString &itemId)
{
    return QStringLiteral("http://[catid=") + itemId + QStringLiteral("]");
}

QString ResultGrid::priceText(const QString &price)
{
    return NumberText::decimalText(NumberText::numericValue(price) / 100);
}

QString ResultGrid::itemPieces(const Record &record)
{
    const QString link = itemLink(record.itemId);
    QString text;
    text += QStringLiteral("<dt><span><a href='") + link +
            QStringLiteral("' ><IMG  width=160  src='") + record.picture +
            QStringLiteral("' ></a></span>");
    text += QStringLiteral("<p id='tkprice'>淘宝价：<em>") + priceText(record.price) +
            QStringLiteral("</em>元</p>");
    text += QStringLiteral("<p id='tkname'><a href='") + link + QStringLiteral("' >") +
            record.title + QStringLiteral("</a></p>");
    text += QStringLiteral("<p id='tkshop'>卖家：<a href='http://[nick_id=") + record.sellerMember +
            QStringLiteral("]'>") + record.sellerName + QStringLiteral("</a></p>");
    text += QStringLiteral("<p id='tksale'>已售：<em>") + record.sold +
            QStringLiteral("</em>件</p></dt>");
    return text;
}

QString ResultGrid::closingTags()
{
    return QStringLiteral("</dl></div>");
}
