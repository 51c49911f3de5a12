#pragma once

#include <QHash>
#include <QList>
#include <QString>

// The marketplace's category tree as read from the category file. A category
// whose children are not in the file counts as a leaf, whatever the file's own
// is_parent column says: the gateway must never promise children it cannot list.
class CategoryTree
{
public:
    struct Node
    {
        qint64 cid = 0;
        qint64 parentCid = 0;
        QString name;
        int parent = -1;     // index of the parent node, -1 for a top-level category
        int sortOrder = 0;   // 1-based position among its siblings
        int depth = 0;       // 0 for top level
        QList<int> children; // node indexes, in file order
        int itemBegin = 0;   // the subtree's items occupy [itemBegin, itemEnd) of the catalogue
        int itemEnd = 0;
        bool isLeaf() const { return children.isEmpty(); }
    };

    // Reads "cid<TAB>parent_cid<TAB>name<TAB>is_parent" lines after a header line.
    bool load(const QString &path, QString *error);

    const QList<Node> &nodes() const { return m_nodes; }
    Node &node(int index) { return m_nodes[index]; }
    const Node &node(int index) const { return m_nodes[index]; }
    const QList<int> &topLevel() const { return m_topLevel; }
    // Children of a cid (0 = top level); empty for unknown ids and leaves.
    QList<int> childrenOf(qint64 cid) const;
    // Node index of a cid, or -1.
    int indexOf(qint64 cid) const { return m_byCid.value(cid, -1); }
    // Leaves in depth-first order; laying items out in this order makes every
    // subtree one contiguous range.
    QList<int> leavesInDepthFirstOrder() const;
    // The top-level ancestor of a node (itself when top level).
    int topLevelOf(int index) const;

private:
    QList<Node> m_nodes;
    QList<int> m_topLevel;
    QHash<qint64, int> m_byCid;
};
