#pragma once

#include <QList>
#include <QString>

// The client's own work per search against the sandbox at hostPort: reading the
// answer and composing the grid, the labels and the page list (ShowSearchResults
// into a recording pane), less the time its fetches took. Microseconds per search.
QList<double> measureClientWork(const QString &hostPort, int rounds);
