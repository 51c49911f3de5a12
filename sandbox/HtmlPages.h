#pragma once

#include <QString>

class Catalogue;

// The plain pages of the sandbox: the portal home page for the connectivity
// probe, and the item and shop pages that link codes lead to.
namespace HtmlPages {

// charset: the name written into the page's meta tag.
QString portal(const QString &charset);
QString item(const Catalogue &catalogue, int item);
QString shop(const Catalogue &catalogue, int seller);
QString notFound(const QString &what);

} // namespace HtmlPages
