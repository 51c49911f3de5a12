#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include "app/Form1.h"

class QWebEnginePage;
class QWebEngineView;
class WebEnginePane;

// Watches the program from inside its own process without changing what it
// does: the first paint of each window, and every load of the four panes'
// pages. It reports start-up on stdout and leaves the final documents and the
// panes' placement in the bench's folder for the floor.
class ProbeObserver : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 StepBoundMicros = 10'000'000;
    // Quiet time after the last load event before a step counts as settled.
    static constexpr qint64 SettleMicros = 150'000;

    explicit ProbeObserver(const QString &dir, QObject *parent = nullptr);

    Form1 *form1() const { return m_form1; }
    WebEnginePane *pane(int number) const;
    QString dir() const { return m_dir; }

    bool anyLoading() const;
    qint64 lastActivity() const { return m_lastActivity; }

    // Starts counting the loads that finish from now on.
    void mark();
    QList<int> panesFinishedSinceMark() const;
    qint64 lastFinishSinceMark() const { return m_lastFinishSinceMark; }
    qint64 handlerAt() const { return m_handlerAt; }
    void noteHandler(qint64 at);

signals:
    void startupSettled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct PageLoads
    {
        bool loading = false;
        int finishes = 0;
        qint64 lastFinish = 0;
    };

    void attach(QWebEngineView *view);
    void attachPanes();
    void checkStartup();
    void finishStartup(bool settled);
    void writeStartupFiles() const;

    QString m_dir;
    QPointer<Form1> m_form1;
    QHash<QWebEnginePage *, PageLoads> m_loads;
    QSet<int> m_finishedSinceMark;
    qint64 m_created = 0;
    qint64 m_form2Shown = 0;
    qint64 m_form1Shown = 0;
    qint64 m_lastActivity = 0;
    qint64 m_lastFinishSinceMark = 0;
    qint64 m_handlerAt = 0;
    bool m_startupDone = false;
    QTimer m_poll;
};
