#include "Catalogue.h"

#include "ItemVocabulary.h"
#include "SeededRandom.h"

#include <QSet>

static void initSandboxResources()
{
    Q_INIT_RESOURCE(sandboxdata);
}

namespace {

// The women's clothing tree is where the program opens and pages; give it the
// bulk of the goods, and dresses most of all, so long result lists exist there.
constexpr qint64 WomensClothingCid = 16;
constexpr qint64 DressesCid = 50010850;

double leafWeight(const CategoryTree &tree, int leaf, ItemVocabulary::Kind kind)
{
    if (tree.node(leaf).cid == DressesCid)
        return 90.0;
    if (tree.node(tree.topLevelOf(leaf)).cid == WomensClothingCid)
        return 30.0;
    return kind == ItemVocabulary::Kind::Fashion ? 6.0 : 1.0;
}

} // namespace

bool Catalogue::build(const Settings &settings, QString *error)
{
    QString file = settings.categoryFile;
    if (file.isEmpty()) {
        initSandboxResources();
        file = QStringLiteral(":/sandbox/itemcats.tsv");
    }
    if (!m_tree.load(file, error))
        return false;
    if (settings.itemCount < 0 || settings.sellerCount < 1) {
        *error = QStringLiteral("the item count must be >= 0 and the seller count >= 1");
        return false;
    }
    generateSellers(settings);
    generateItems(settings);
    return true;
}

void Catalogue::generateSellers(const Settings &settings)
{
    SeededRandom random(settings.seed ^ 0x5E11E25ULL);
    const QList<int> &tops = m_tree.topLevel();
    m_sellersByTopLevel = QList<QList<int>>(tops.size());
    for (int i = 0; i < tops.size(); ++i)
        m_topLevelOrdinal.insert(tops[i], i);

    // Every seller serves one top-level category, dealt round-robin so each has some.
    m_sellers.reserve(settings.sellerCount);
    for (int s = 0; s < settings.sellerCount; ++s) {
        const int top = s % int(tops.size());
        const auto kind = ItemVocabulary::kindOfTopLevel(m_tree.node(tops[top]).name);
        Seller seller;
        seller.name = ItemVocabulary::makeSellerName(random, kind);
        seller.memberId = ItemVocabulary::makeMemberId(random);
        while (m_sellerByLowerId.contains(seller.memberId.toLower()))
            seller.memberId += QString::number(random.below(10));
        m_sellerByLowerId.insert(seller.memberId.toLower(), s);
        m_sellersByTopLevel[top].append(s);
        m_sellers.append(seller);
    }
}

void Catalogue::generateItems(const Settings &settings)
{
    SeededRandom random(settings.seed);
    const QList<int> leaves = m_tree.leavesInDepthFirstOrder();

    QList<double> weights;
    double totalWeight = 0;
    for (int leaf : leaves) {
        const int top = m_tree.topLevelOf(leaf);
        const auto kind = ItemVocabulary::kindOfTopLevel(m_tree.node(top).name);
        weights.append(leafWeight(m_tree, leaf, kind));
        totalWeight += weights.last();
    }

    // Largest-remainder rounding keeps the total exactly itemCount.
    QList<int> counts(leaves.size());
    double carried = 0;
    int assigned = 0;
    for (int i = 0; i < leaves.size(); ++i) {
        carried += settings.itemCount * weights[i] / totalWeight;
        const int upTo = int(carried + 0.5);
        counts[i] = upTo - assigned;
        assigned = upTo;
    }

    m_items.reserve(settings.itemCount);
    QList<bool> rangeStarted(m_tree.nodes().size(), false);
    for (int i = 0; i < leaves.size(); ++i) {
        const int leaf = leaves[i];
        const int top = m_tree.topLevelOf(leaf);
        const auto kind = ItemVocabulary::kindOfTopLevel(m_tree.node(top).name);
        const QList<int> &sellers = m_sellersByTopLevel[m_topLevelOrdinal.value(top)];
        const int begin = int(m_items.size());
        for (int k = 0; k < counts[i]; ++k) {
            Item item;
            const quint64 position = quint64(m_items.size());
            // An odd multiplier is a bijection modulo 2^31: unique ids that do not look serial.
            item.id = 1000000000ULL + ((position * 2654435761ULL + settings.seed) & 0x7FFFFFFFULL);
            item.category = leaf;
            item.title = ItemVocabulary::makeTitle(random, kind, m_tree.node(leaf).name);
            const QString marked = ItemVocabulary::markedWord(int(position));
            if (!marked.isEmpty())
                item.title += QLatin1Char(' ') + marked;
            item.price = ItemVocabulary::makePrice(random, kind);
            item.sales = ItemVocabulary::makeSales(random);
            item.seller = sellers.isEmpty() ? random.below(int(m_sellers.size()))
                                            : sellers[random.below(int(sellers.size()))];
            m_itemById.insert(item.id, int(m_items.size()));
            m_items.append(item);
        }
        // Leaves come in depth-first order: a node's range starts with its first
        // leaf and grows with each later one.
        for (int n = leaf; n >= 0; n = m_tree.node(n).parent) {
            CategoryTree::Node &node = m_tree.node(n);
            if (!rangeStarted[n]) {
                rangeStarted[n] = true;
                node.itemBegin = begin;
            }
            node.itemEnd = int(m_items.size());
        }
    }
}

int Catalogue::findItem(const QString &id) const
{
    bool ok = false;
    const quint64 value = id.trimmed().toULongLong(&ok);
    return ok ? m_itemById.value(value, -1) : -1;
}

int Catalogue::findSeller(const QString &memberId) const
{
    return m_sellerByLowerId.value(memberId.toLower(), -1);
}

QList<int> Catalogue::itemsOfSeller(int seller, int limit) const
{
    QList<int> found;
    for (int i = 0; i < m_items.size() && found.size() < limit; ++i) {
        if (m_items[i].seller == seller)
            found.append(i);
    }
    return found;
}
