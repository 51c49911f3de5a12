#pragma once

#include <QString>

// The HTML of the result grid: the style block with the grid's opening tags,
// the five pieces of one item, and the closing tags. Values go in as read,
// without escaping: the grid's markup is the marketplace's own.
namespace ResultGrid {

// The item fields that the grid shows, as read from one search record.
struct Record
{
    QString title;        // TITLE
    QString picture;      // RESOURCEPATH
    QString price;        // PRICE, in hundredths of a yuan
    QString itemId;       // ORIOBJID
    QString sold;         // TOTALACTION
    QString sellerName;   // CONTACT
    QString sellerMember; // MEMBERID
};

// The style block and the grid's opening tags, 952 characters.
QString styleBlock();
// "<body background='...images/4.jpg'>" on the maker's web host.
QString bodyTag();
// The pseudo-link of an item: "http://[catid=" id "]".
QString itemLink(const QString &itemId);
// PRICE ÷ 100 as decimal text: 1999 gives 19.99, 2000 gives 20, 5 gives 0.05.
QString priceText(const QString &price);
// The five pieces of one item, joined.
QString itemPieces(const Record &record);
QString closingTags();

} // namespace ResultGrid
