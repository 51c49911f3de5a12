#pragma once

#include "CategoryTree.h"

#include <QHash>
#include <QList>
#include <QString>

// The marketplace's goods: the category tree and generated items and sellers,
// deterministic from a seed. Items are stored in the depth-first order of
// their leaf categories, so every category's subtree is one index range.
// Read-only once built, so any number of server threads may share it.
class Catalogue
{
public:
    struct Settings
    {
        QString categoryFile; // empty: the tree compiled into the program
        quint64 seed = 2009;
        int itemCount = 60000;
        int sellerCount = 3000;
    };
    struct Seller
    {
        QString memberId; // as shown; some have capitals
        QString name;     // Chinese display name
    };
    struct Item
    {
        quint64 id = 0;
        int category = 0; // leaf node index
        int seller = 0;
        int price = 0; // hundredths of a yuan
        int sales = 0;
        QString title;
    };

    bool build(const Settings &settings, QString *error);

    const CategoryTree &tree() const { return m_tree; }
    const QList<Item> &items() const { return m_items; }
    const QList<Seller> &sellers() const { return m_sellers; }
    // Identifiers arrive lower-cased from the client's links: both look-ups ignore case.
    int findItem(const QString &id) const;
    int findSeller(const QString &memberId) const;
    // Items of one seller, in catalogue order (at most limit).
    QList<int> itemsOfSeller(int seller, int limit) const;

private:
    void generateSellers(const Settings &settings);
    void generateItems(const Settings &settings);

    CategoryTree m_tree;
    QList<Item> m_items;
    QList<Seller> m_sellers;
    QHash<quint64, int> m_itemById;
    QHash<QString, int> m_sellerByLowerId;
    QList<QList<int>> m_sellersByTopLevel; // seller indexes serving each top-level node
    QHash<int, int> m_topLevelOrdinal;     // node index -> position among top levels
};
