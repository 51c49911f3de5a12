#include "CategoryTree.h"

#include <QFile>
#include <QTextStream>

bool CategoryTree::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    m_nodes.clear();
    m_topLevel.clear();
    m_byCid.clear();

    const QList<QByteArray> lines = file.readAll().split('\n');
    QList<qint64> parentCids;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split('\t');
        bool cidOk = false;
        bool parentOk = false;
        Node node;
        if (fields.size() >= 3) {
            node.cid = fields[0].toLongLong(&cidOk);
            node.parentCid = fields[1].toLongLong(&parentOk);
            node.name = QString::fromUtf8(fields[2]);
        }
        if (!cidOk || !parentOk || node.cid <= 0 || m_byCid.contains(node.cid)) {
            *error = QStringLiteral("%1:%2: malformed or duplicate row").arg(path).arg(i + 1);
            return false;
        }
        m_byCid.insert(node.cid, int(m_nodes.size()));
        m_nodes.append(node);
    }

    for (int i = 0; i < m_nodes.size(); ++i) {
        Node &node = m_nodes[i];
        if (node.parentCid == 0) {
            node.sortOrder = int(m_topLevel.size()) + 1;
            m_topLevel.append(i);
            continue;
        }
        const int parent = m_byCid.value(node.parentCid, -1);
        if (parent < 0) {
            *error = QStringLiteral("%1: category %2 has an unknown parent %3")
                         .arg(path)
                         .arg(node.cid)
                         .arg(node.parentCid);
            return false;
        }
        node.parent = parent;
        m_nodes[parent].children.append(i);
        node.sortOrder = int(m_nodes[parent].children.size());
    }
    // Depths, top-down; the file lists parents before children but do not rely on it.
    for (int i = 0; i < m_nodes.size(); ++i) {
        int depth = 0;
        for (int p = m_nodes[i].parent; p >= 0 && depth <= m_nodes.size(); p = m_nodes[p].parent)
            ++depth;
        if (depth > m_nodes.size()) {
            *error = QStringLiteral("%1: the tree has a cycle").arg(path);
            return false;
        }
        m_nodes[i].depth = depth;
    }
    if (m_topLevel.isEmpty()) {
        *error = QStringLiteral("%1: no top-level categories").arg(path);
        return false;
    }
    return true;
}

QList<int> CategoryTree::childrenOf(qint64 cid) const
{
    if (cid == 0)
        return m_topLevel;
    const int index = indexOf(cid);
    return index < 0 ? QList<int>() : m_nodes[index].children;
}

QList<int> CategoryTree::leavesInDepthFirstOrder() const
{
    QList<int> leaves;
    QList<int> stack;
    for (qsizetype i = m_topLevel.size() - 1; i >= 0; --i)
        stack.append(m_topLevel[i]);
    while (!stack.isEmpty()) {
        const int index = stack.takeLast();
        const Node &node = m_nodes[index];
        if (node.isLeaf()) {
            leaves.append(index);
            continue;
        }
        for (qsizetype i = node.children.size() - 1; i >= 0; --i)
            stack.append(node.children[i]);
    }
    return leaves;
}

int CategoryTree::topLevelOf(int index) const
{
    while (m_nodes[index].parent >= 0)
        index = m_nodes[index].parent;
    return index;
}
