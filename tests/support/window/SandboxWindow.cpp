#include "SandboxWindow.h"

#include "support/TestConfiguration.h"
#include "support/WaitUntil.h"
#include "support/pane/PaneInspect.h"

#include "panes/WebEnginePane.h"

#include <QFile>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <optional>

bool SandboxWindow::start()
{
    if (!m_dir.isValid())
        return false;
    m_logPath = m_dir.filePath(QStringLiteral("sandbox.log"));
    if (!sandbox.start({QStringLiteral("--log"), m_logPath}))
        return false;
    TestConfiguration::installOneHost(sandbox.hostPort(), sandbox.baseUrl() + QLatin1Char('/'));

    Form1Options options;
    options.browser = &browser;
    options.network = &network;
    options.messageBox = [this](const QString &, const QString &text) { messages.append(text); };
    m_form = std::make_unique<Form1>(options);
    m_form->Show();
    return m_form->context().state.IsOnline;
}

void SandboxWindow::stop()
{
    m_form.reset();
    sandbox.stop();
}

WebEnginePane *SandboxWindow::pane(int number) const
{
    const Form1Controls &ui = m_form->context().ui;
    PagePane *panes[] = {ui.WebBrowser1, ui.WebBrowser2, ui.WebBrowser3, ui.WebBrowser4};
    return qobject_cast<WebEnginePane *>(panes[number - 1]);
}

QString SandboxWindow::paneHtml(int number) const
{
    auto html = std::make_shared<std::optional<QString>>();
    pane(number)->view()->page()->toHtml([html](const QString &text) { *html = text; });
    if (!waitUntil([html] { return html->has_value(); }, 10000))
        qWarning("pane %d did not hand over its markup within 10 s", number);
    return html->value_or(QString());
}

bool SandboxWindow::click(int number, const QString &selector) const
{
    WebEnginePane *target = pane(number);
    if (!PaneInspect::waitForDocument(target))
        return false;
    target->view()->page()->runJavaScript(
        QStringLiteral("document.querySelector(\"%1\").click();").arg(selector),
        QWebEngineScript::ApplicationWorld);
    return true;
}

// "METHOD TARGET STATUS MS"; the target may hold blanks.
QList<SandboxWindow::LogLine> SandboxWindow::log() const
{
    QList<LogLine> lines;
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        QList<QByteArray> parts = raw.trimmed().split(' ');
        if (parts.size() < 4)
            continue;
        LogLine line;
        line.method = parts.takeFirst();
        parts.removeLast();
        line.status = parts.takeLast().toInt();
        line.target = parts.join(' ');
        lines.append(line);
    }
    return lines;
}

QByteArray SandboxWindow::lastSearchTarget() const
{
    QByteArray target;
    for (const LogLine &line : log()) {
        if (line.method == "GET" && line.target.startsWith("/rpc/searchAuctionByRpc.do?"))
            target = line.target;
    }
    return target;
}
