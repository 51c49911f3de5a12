#include "HtmlPages.h"

#include "Catalogue.h"

#include <QUrl>

namespace HtmlPages {
namespace {

QString page(const QString &title, const QString &body, const QString &charset = "UTF-8")
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset='%1'><title>%2</title>"
                          "<style>body{font-family:sans-serif;margin:24px;color:#333}"
                          "em{color:#C00;font-style:normal;font-weight:bold}</style>"
                          "</head><body>\n%3\n</body></html>\n")
        .arg(charset, title.toHtmlEscaped(), body);
}

QString price(int hundredths)
{
    return QStringLiteral("%1.%2").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QChar('0'));
}

QString shopAddress(const Catalogue::Seller &seller)
{
    return QStringLiteral("/shop/") +
           QString::fromLatin1(QUrl::toPercentEncoding(seller.memberId)) + QStringLiteral(".html");
}

} // namespace

QString portal(const QString &charset)
{
    return page(
        QStringLiteral("百度一下，你就知道"),
        QStringLiteral("<h1>百度</h1><p>沙盒门户首页：网络连接正常。</p>"
                       "<form><input name='wd' size='40'> <button>百度一下</button></form>"),
        charset);
}

QString item(const Catalogue &catalogue, int index)
{
    const Catalogue::Item &item = catalogue.items()[index];
    const Catalogue::Seller &seller = catalogue.sellers()[item.seller];
    const QString category = catalogue.tree().node(item.category).name;
    const QString body = QStringLiteral("<p>%1</p><h1>%2</h1><img src='/pic/%3.jpg' width='160'>"
                                        "<p>淘宝价：<em>%4</em>元 &nbsp; 已售：%5件</p>"
                                        "<p>卖家：<a href='%6'>%7</a></p><p>宝贝编号：%3</p>")
                             .arg(category.toHtmlEscaped(), item.title.toHtmlEscaped())
                             .arg(item.id)
                             .arg(price(item.price))
                             .arg(item.sales)
                             .arg(shopAddress(seller), seller.name.toHtmlEscaped());
    return page(item.title, body);
}

QString shop(const Catalogue &catalogue, int seller)
{
    const Catalogue::Seller &s = catalogue.sellers()[seller];
    QString list;
    for (int index : catalogue.itemsOfSeller(seller, 40)) {
        const Catalogue::Item &item = catalogue.items()[index];
        list += QStringLiteral("<li><a href='/item/%1.html'>%2</a> <em>%3</em>元</li>")
                    .arg(item.id)
                    .arg(item.title.toHtmlEscaped(), price(item.price));
    }
    const QString body = QStringLiteral("<h1>%1</h1><p>掌柜：%2</p><ul>%3</ul>")
                             .arg(s.name.toHtmlEscaped(), s.memberId.toHtmlEscaped(), list);
    return page(s.name, body);
}

QString notFound(const QString &what)
{
    return page(QStringLiteral("404 Not Found"),
                QStringLiteral("<h1>404 Not Found</h1><p>%1</p>").arg(what.toHtmlEscaped()));
}

} // namespace HtmlPages
