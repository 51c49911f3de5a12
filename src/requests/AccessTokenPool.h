#pragma once

#include <QString>
#include <QStringList>

// The affiliate access tokens, filled once at start-up and only read afterwards.
// Entries are used exactly as stored; some are already percent-encoded.
namespace AccessTokenPool {

void fill(const QStringList &tokens);
int count(); // highest index + 1
const QString &at(int index);

} // namespace AccessTokenPool
