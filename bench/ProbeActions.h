#pragma once

#include <QSet>
#include <QString>

#include <functional>

class ProbeObserver;

// Drives the running program the way a user does (link clicks in the panes,
// Enter in the keyword box, the sort and page lists) and times each action
// from the input to the last pane's load finished, or to the launcher called.
class ProbeActions
{
public:
    explicit ProbeActions(ProbeObserver &observer) : m_observer(observer) {}

    // Runs count actions, reporting each; false when the program stopped answering.
    bool run(int count);
    void launcherCalled(qint64 at) { m_launchedAt = at; }

private:
    struct Action
    {
        QString kind;
        std::function<bool()> input; // false: not possible in the present state
        bool launches = false;
    };

    bool measure(const Action &action);
    bool clickLink(int pane, const QString &selector, int index = 0);
    bool waitUntil(const std::function<bool()> &condition, qint64 boundMicros);
    QSet<QString> picturesOf(const QList<int> &panes) const;

    ProbeObserver &m_observer;
    QSet<QString> m_seenPictures;
    qint64 m_launchedAt = 0;
    int m_done = 0;
};
