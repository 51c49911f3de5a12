#include "catalog/CatalogDocuments.h"

#include "requests/Configuration.h"

namespace CatalogDocuments {

QString bodyTag(const QString &image)
{
    return QStringLiteral("<body background='") + Configuration::current().makerUrl(image) +
           QStringLiteral("'>");
}

QString menuStyle()
{
    return QStringLiteral("<style type='text/css'> a{color:#0044dd; text-decoration:none; "
                          "font-size:14px} a:hover{color:#FF5500; text-decoration:underline;} "
                          "</style>");
}

QString pathStyle()
{
    return QStringLiteral("<style type='text/css'> a{color:#0044dd; text-decoration:none; "
                          "font-size:12px} a:hover{color:#FF5500; text-decoration:underline;} "
                          "</style>");
}

QString childStyle()
{
    // Two blanks after the opening tag, unlike the path pane's block.
    return QStringLiteral("<style type='text/css'>  a{color:#0044dd; text-decoration:none; "
                          "font-size:12px} a:hover{color:#FF5500; text-decoration:underline;} "
                          "</style>");
}

QString noChildrenBlock()
{
    return QStringLiteral("<br/> <p align='center' style='color:#C30; font-size:16px'>"
                          "该类目下无子类</p>");
}

QString menuSelectionLink(const QString &cid, const QString &name)
{
    return QStringLiteral("http://[cid=") + cid + QStringLiteral("][name=") + name +
           QStringLiteral("]");
}

QString menuLine(const QString &cid, const QString &name)
{
    return QStringLiteral("<nobr><a href='") + menuSelectionLink(cid, name) + QStringLiteral("'>") +
           name + QStringLiteral("</a></nobr></br>");
}

QString categoryAnchor(const QString &parentCid, const QString &cid, const QString &name)
{
    return QStringLiteral("<a href='http://[p_cid=") + parentCid + QStringLiteral("][cid=") + cid +
           QStringLiteral("][name=") + name + QStringLiteral("]'>") + name + QStringLiteral("</a>");
}

QString menuFileSelectionLink(const QString &menu)
{
    const qsizetype at = menu.indexOf(QStringLiteral("href="), 99);
    return at < 0 ? QString() : menu.mid(at, 50);
}

} // namespace CatalogDocuments
