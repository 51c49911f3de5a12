#include "AccessTokenPool.h"

namespace {
QStringList &pool()
{
    static QStringList tokens;
    return tokens;
}
} // namespace

void AccessTokenPool::fill(const QStringList &tokens)
{
    pool() = tokens;
}

int AccessTokenPool::count()
{
    return int(pool().size());
}

const QString &AccessTokenPool::at(int index)
{
    return pool().at(index);
}
