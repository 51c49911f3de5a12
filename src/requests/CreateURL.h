#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// URLs of the remote requests and the reader of pseudo-link fields. The builders only
// compose text: the caller fetches the result unchanged.
namespace CreateURL {

// One parameter of the signed request; rows are swapped whole.
struct ParamRow
{
    QString value;
    QString name;
};
using ParamTable = QList<ParamRow>;

// The value of the first "[key=value]" field of a pseudo-link, read from the lower-cased
// link with the key matched whole and without regard to case; empty when not found.
QString GetTagValue(const QString &link, const QString &key);

// Index of the access token for a generator value r in [0, 1) and a pool of n tokens:
// floor(r * n) in double precision, as a 16-bit signed integer.
int TokenIndex(float r, int n);

// The keyword as the search request carries it: "&", "#", "+" and "%" percent-encoded,
// everything else (blanks and non-ASCII included) as typed.
QString KeywordOnWire(const QString &keyword);

// One page of item-search results. Only the keyword's four characters above are
// percent-encoded; one generator draw.
QString BuildSearchUrl(const QString &rowOffset, const QString &catId, const QString &keyword,
                       const QString &sortCode);

// The affiliate link of an item (mode "13") or a seller (mode "43"). One generator draw.
QString BuildLinkCodeUrl(const QString &aid, const QString &mode);

// The signed open-platform request for the child categories of parentCid, stamped with
// the local clock, read once.
QString BuildItemCatsUrl(const QString &parentCid);
// The same, stamped with the given time.
QString BuildItemCatsUrl(const QString &parentCid, const QDateTime &now);

// The seven rows of the signed request, in their unsorted order.
ParamTable ItemCatsParams(const QString &parentCid, const QString &timestamp);

// Sorts rows low..high (inclusive) ascending by name, comparing UTF-16 units. A random
// pivot per call on three or more rows; returns how many such calls there were, which is
// the number of generator values drawn.
int SortParams(ParamTable &table, int low, int high);

} // namespace CreateURL
