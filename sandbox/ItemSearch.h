#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <unordered_map>
#include <vector>

class Catalogue;

// How a matched word is marked in a title.
inline constexpr const char *HighlightOpen =
    "<span class=H style='display:inline;border:0;color:#c00'>";

// Keyword and category search over the catalogue, with the four sort orders of
// the affiliate service. A posting list per title character narrows a keyword
// search to a few candidates before the titles are compared.
class ItemSearch
{
public:
    enum class Order { ItemId, PriceHighToLow, PriceLowToHigh, SalesHighToLow, SalesLowToHigh };
    struct Query
    {
        QStringList words;  // every word must occur in the title (case-insensitive)
        QString categoryId; // the category and its whole subtree; empty or "0" for all
        int offset = 0;
        int count = 20;
        Order order = Order::ItemId;
    };
    struct Outcome
    {
        int total = 0;
        QList<int> items; // catalogue indexes of the requested page
    };

    explicit ItemSearch(const Catalogue &catalogue);

    Outcome search(const Query &query) const;

    // "sr" codes: 7 price high to low, 8 low to high, 9 sales high to low, 10 low to high.
    static Order orderFromCode(const QString &code);
    // The keyword split on blanks (ASCII and ideographic).
    static QStringList splitKeyword(const QString &keyword);
    // The title with every matched stretch wrapped in HighlightOpen ... </span>.
    static QString highlight(const QString &title, const QStringList &words);

private:
    bool categoryRange(const QString &categoryId, int *begin, int *end) const;
    bool keywordCandidates(const QStringList &lowerWords, int begin, int end,
                           std::vector<int> *candidates) const;
    void pageFromRange(int begin, int end, const Query &query, Outcome *outcome) const;
    void pageFromCandidates(std::vector<int> &candidates, const Query &query,
                            Outcome *outcome) const;

    const Catalogue &m_catalogue;
    QList<QString> m_lowerTitles;
    std::unordered_map<char16_t, std::vector<int>> m_postings;
    std::array<std::vector<int>, 5> m_rank;    // per order: item -> position in that order
    std::array<std::vector<int>, 5> m_ordered; // per order: position -> item
};
