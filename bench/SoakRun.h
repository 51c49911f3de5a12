#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <functional>

class Form1;
class WebEnginePane;
class RecordingBrowserLauncher;

// The soak's window side: a seeded sequence of user actions on the real main
// window, each timed from its input until no fetch runs and no pane loads.
// Each action is reported on stdout as one "@soak action" line.
class SoakRun
{
public:
    struct Action
    {
        QString kind;
        qint64 ms = 0;
        QStringList requests; // the sandbox's log lines written during the action
        bool settled = true;
    };

    SoakRun(Form1 &form, RecordingBrowserLauncher &launcher, quint32 seed, const QString &logPath);

    // Waits until the window has loaded its menu; false when it never does.
    bool waitForStart(int boundMs);
    // Runs the next action of the sequence and reports it.
    Action next();
    int done() const { return m_done; }
    int rendererDeaths() const { return m_rendererDeaths; }

private:
    bool clickLink(int pane, const QString &selector);
    bool settle(const std::function<bool()> &handled, int boundMs);
    bool idle() const;
    WebEnginePane *pane(int number) const;
    QStringList newLogLines();

    Form1 &m_form;
    RecordingBrowserLauncher &m_launcher;
    QRandomGenerator m_random;
    QFile m_log;
    QElapsedTimer m_clock;
    qint64 m_notifiedAt = -1; // when a pane's handler last returned
    int m_done = 0;
    int m_rendererDeaths = 0;
};
