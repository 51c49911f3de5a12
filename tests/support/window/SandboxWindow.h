#pragma once

#include "support/SandboxProcess.h"
#include "support/TestDoubles.h"

#include "app/Form1.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class WebEnginePane;

// The real main window on the real sandbox marketplace, loaded and shown as at
// start: the probe, the menu and the first selection have run. The sandbox logs
// every request it serves; links leave through a recording launcher.
class SandboxWindow
{
public:
    struct LogLine
    {
        QByteArray method, target;
        int status = 0;
    };

    // False when the sandbox does not start or the window does not come up online.
    bool start();
    void stop();

    Form1 &form() { return *m_form; }
    Form1Context &context() { return m_form->context(); }
    WebEnginePane *pane(int number) const;
    // The markup pane number's page holds now; empty if it does not hand it over.
    QString paneHtml(int number) const;
    // Clicks the first element matching selector inside the pane, as a user would.
    bool click(int number, const QString &selector) const;

    // The sandbox's log, one line per request served.
    QList<LogLine> log() const;
    // The target of the last search request in the log, as received.
    QByteArray lastSearchTarget() const;

    SandboxProcess sandbox;
    FakeNetworkState network;
    RecordingBrowserLauncher browser;
    QStringList messages; // texts shown in message boxes

private:
    QTemporaryDir m_dir;
    QString m_logPath;
    std::unique_ptr<Form1> m_form;
};
