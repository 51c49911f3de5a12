#include "ItemSearch.h"

#include "Catalogue.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>

namespace {

// Small ranges are cheaper to sort; large ones are cheaper to filter out of
// the presorted order, since a page needs only the first few hundred.
constexpr int SortRangeLimit = 4096;

} // namespace

ItemSearch::ItemSearch(const Catalogue &catalogue) : m_catalogue(catalogue)
{
    const QList<Catalogue::Item> &items = catalogue.items();
    const int count = int(items.size());
    m_lowerTitles.reserve(count);
    for (int i = 0; i < count; ++i) {
        m_lowerTitles.append(items[i].title.toLower());
        QList<char16_t> seen;
        for (QChar c : std::as_const(m_lowerTitles.last())) {
            if (c.isSpace() || seen.contains(c.unicode()))
                continue;
            seen.append(c.unicode());
            m_postings[c.unicode()].push_back(i);
        }
    }

    using Less = std::function<bool(const Catalogue::Item &, const Catalogue::Item &)>;
    const std::array<Less, 5> keys = {
        [](const auto &a, const auto &b) { return a.id < b.id; },
        [](const auto &a, const auto &b) {
            return a.price != b.price ? a.price > b.price : a.id < b.id;
        },
        [](const auto &a, const auto &b) {
            return a.price != b.price ? a.price < b.price : a.id < b.id;
        },
        [](const auto &a, const auto &b) {
            return a.sales != b.sales ? a.sales > b.sales : a.id < b.id;
        },
        [](const auto &a, const auto &b) {
            return a.sales != b.sales ? a.sales < b.sales : a.id < b.id;
        },
    };
    for (size_t k = 0; k < keys.size(); ++k) {
        std::vector<int> &ordered = m_ordered[k];
        ordered.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            ordered[size_t(i)] = i;
        std::sort(ordered.begin(), ordered.end(),
                  [&](int a, int b) { return keys[k](items[a], items[b]); });
        m_rank[k].resize(size_t(count));
        for (int position = 0; position < count; ++position)
            m_rank[k][size_t(ordered[size_t(position)])] = position;
    }
}

ItemSearch::Order ItemSearch::orderFromCode(const QString &code)
{
    switch (code.trimmed().toInt()) {
    case 7:
        return Order::PriceHighToLow;
    case 8:
        return Order::PriceLowToHigh;
    case 9:
        return Order::SalesHighToLow;
    case 10:
        return Order::SalesLowToHigh;
    default:
        return Order::ItemId;
    }
}

QStringList ItemSearch::splitKeyword(const QString &keyword)
{
    static const QRegularExpression blanks(QStringLiteral("[\\s\\x{3000}]+"));
    return keyword.split(blanks, Qt::SkipEmptyParts);
}

QString ItemSearch::highlight(const QString &title, const QStringList &words)
{
    const QString lower = title.toLower();
    QList<bool> marked(title.size(), false);
    for (const QString &word : words) {
        const QString needle = word.toLower();
        if (needle.isEmpty())
            continue;
        for (qsizetype at = lower.indexOf(needle); at >= 0; at = lower.indexOf(needle, at + 1)) {
            for (qsizetype i = at; i < at + needle.size(); ++i)
                marked[i] = true;
        }
    }
    QString out;
    out.reserve(title.size() + 32);
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (marked[i] && (i == 0 || !marked[i - 1]))
            // Inline, so a page that styles the spans of its item boxes as picture frames
            // still shows the title as one line of text.
            out += QString::fromLatin1(HighlightOpen);
        out += title[i];
        if (marked[i] && (i + 1 == title.size() || !marked[i + 1]))
            out += QStringLiteral("</span>");
    }
    return out;
}

bool ItemSearch::categoryRange(const QString &categoryId, int *begin, int *end) const
{
    const QString id = categoryId.trimmed();
    if (id.isEmpty() || id == QLatin1String("0")) {
        *begin = 0;
        *end = int(m_catalogue.items().size());
        return true;
    }
    bool ok = false;
    const qint64 cid = id.toLongLong(&ok);
    const int node = ok ? m_catalogue.tree().indexOf(cid) : -1;
    if (node < 0)
        return false;
    *begin = m_catalogue.tree().node(node).itemBegin;
    *end = m_catalogue.tree().node(node).itemEnd;
    return true;
}

bool ItemSearch::keywordCandidates(const QStringList &lowerWords, int begin, int end,
                                   std::vector<int> *candidates) const
{
    // Start from the rarest character of all words, then compare whole titles.
    const std::vector<int> *rarest = nullptr;
    for (const QString &word : lowerWords) {
        for (QChar c : word) {
            const auto found = m_postings.find(c.unicode());
            if (found == m_postings.end())
                return false;
            if (!rarest || found->second.size() < rarest->size())
                rarest = &found->second;
        }
    }
    if (!rarest)
        return false;
    auto first = std::lower_bound(rarest->begin(), rarest->end(), begin);
    auto last = std::lower_bound(first, rarest->end(), end);
    for (auto it = first; it != last; ++it) {
        const QString &title = m_lowerTitles[*it];
        const bool all = std::all_of(lowerWords.begin(), lowerWords.end(),
                                     [&](const QString &w) { return title.contains(w); });
        if (all)
            candidates->push_back(*it);
    }
    return true;
}

ItemSearch::Outcome ItemSearch::search(const Query &query) const
{
    Outcome outcome;
    int begin = 0;
    int end = 0;
    if (!categoryRange(query.categoryId, &begin, &end) || begin >= end)
        return outcome;

    QStringList lowerWords;
    for (const QString &word : query.words) {
        if (!word.isEmpty())
            lowerWords.append(word.toLower());
    }
    if (lowerWords.isEmpty()) {
        pageFromRange(begin, end, query, &outcome);
        return outcome;
    }
    std::vector<int> candidates;
    if (keywordCandidates(lowerWords, begin, end, &candidates))
        pageFromCandidates(candidates, query, &outcome);
    return outcome;
}

void ItemSearch::pageFromRange(int begin, int end, const Query &query, Outcome *outcome) const
{
    outcome->total = end - begin;
    const int offset = qMax(0, query.offset);
    const int count = qMax(0, query.count);
    if (offset >= outcome->total || count == 0)
        return;
    if (end - begin <= SortRangeLimit) {
        std::vector<int> candidates(size_t(end - begin));
        for (int i = begin; i < end; ++i)
            candidates[size_t(i - begin)] = i;
        pageFromCandidates(candidates, query, outcome);
        return;
    }
    int skipped = 0;
    for (int item : m_ordered[size_t(query.order)]) {
        if (item < begin || item >= end)
            continue;
        if (skipped++ < offset)
            continue;
        outcome->items.append(item);
        if (outcome->items.size() == count)
            break;
    }
}

void ItemSearch::pageFromCandidates(std::vector<int> &candidates, const Query &query,
                                    Outcome *outcome) const
{
    outcome->total = int(candidates.size());
    const int offset = qMax(0, query.offset);
    const int count = qMax(0, query.count);
    if (offset >= outcome->total || count == 0)
        return;
    const std::vector<int> &rank = m_rank[size_t(query.order)];
    const size_t need = size_t(qMin<qint64>(outcome->total, qint64(offset) + count));
    std::partial_sort(candidates.begin(), candidates.begin() + need, candidates.end(),
                      [&](int a, int b) { return rank[size_t(a)] < rank[size_t(b)]; });
    for (size_t i = size_t(offset); i < need; ++i)
        outcome->items.append(candidates[i]);
}
