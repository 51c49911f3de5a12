#pragma once

#include <QString>

// The fixed pieces of the documents that category browsing writes into its panes.
// Ids and names go into the links as they are: the links are read back by field.
namespace CatalogDocuments {

// "<body background='<maker host>/images/<image>'>"
QString bodyTag(const QString &image);

QString menuStyle();
QString pathStyle();
QString childStyle();
QString noChildrenBlock();

// "<nobr><a href='http://[cid=..][name=..]'>name</a></nobr></br>"
QString menuLine(const QString &cid, const QString &name);
// "http://[cid=..][name=..]"
QString menuSelectionLink(const QString &cid, const QString &name);
// The link of the category a downloaded menu file opens at start: the 50 characters
// from the first "href=" at or after character 100 (counting from 1); empty without one.
QString menuFileSelectionLink(const QString &menu);
// "<a href='http://[p_cid=..][cid=..][name=..]'>name</a>"
QString categoryAnchor(const QString &parentCid, const QString &cid, const QString &name);

} // namespace CatalogDocuments
