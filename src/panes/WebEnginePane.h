#pragma once

#include "platform/PagePane.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>

class QWebChannel;
class QWebEngineView;
class PaneLinkBridge;
class PanePage;

// A page pane on Qt WebEngine, placed inside a frame widget that clips it.
// The page's own scripts are off; a script in the application world captures
// link clicks and hands the raw href to BeforeNavigate2 (flags 64).
class WebEnginePane : public PagePane
{
    Q_OBJECT
public:
    // Border width of the pane's box, in pixels; the layout's offsets hide it.
    static constexpr int BorderPixels = 2;

    // Without a parent the pane belongs to the frame.
    explicit WebEnginePane(QWidget *frame, QObject *parent = nullptr);
    ~WebEnginePane() override;

    void Navigate(const QString &url) override;
    void open() override;
    void write(const QString &html) override;
    void Refresh() override;
    void setBodyScroll(const QString &value) override;

    void setWidth(double twips) override;
    void setHeight(double twips) override;
    void setTop(double twips) override;
    void setLeft(double twips) override;
    QWidget *noticeHost() const override;

    QFrame *box() const { return m_box; }
    QWebEngineView *view() const { return m_view; }
    // The text last written since the last open().
    QString content() const { return m_content; }

    // True from a write or Navigate() until that document has loaded; the end
    // of a load that a newer one replaced changes nothing.
    bool isLoading() const { return m_loading; }

    // Inspection for tests and diagnostics; each waits in a local event loop. A
    // renderer laying out megabytes on a busy machine answers late, not never.
    bool waitForDocument(int timeoutMs = 30000);
    QString toPlainText(int timeoutMs = 30000);
    QVariant evaluate(const QString &script, int timeoutMs = 30000);

private:
    void show(const QString &html);
    void startWrite(const QString &html);
    void startNavigation();
    void onDocumentLoaded(const QString &mark);
    void pollWritten();
    void finishWrite();
    void onLoadFinished(bool ok);
    void finishLoad(bool ok);
    void ensureCaptureScript();

    // A renderer that dies: the pane shows its document again by itself.
    void onRendererGone(QWebEnginePage::RenderProcessTerminationStatus status);
    void restoreDocument();
    void finishRestore();
    void raiseLinkClick(const QString &url);
    void place();

    QPointer<QFrame> m_box;
    QWebEngineView *m_view = nullptr;
    PanePage *m_page = nullptr;
    QWebChannel *m_channel = nullptr;
    PaneLinkBridge *m_bridge = nullptr;

    QString m_content;
    QString m_bodyScroll;     // set on the current document
    QUrl m_navigated;         // what Navigate() loaded, while no document was written since
    quint64 m_serial = 0;     // the newest load the pane started
    bool m_replacing = false; // a written document's text is being put in, or its pictures load
    // How often the pane looks whether the pictures of a written document have
    // settled, in case the report over the channel goes missing.
    static constexpr int WrittenPollMs = 250;
    QTimer m_writtenPoll;
    bool m_loading = false;
    bool m_navigationStarted = false; // the engine reported a start since Navigate()
    bool m_restoring = false; // the newest load shows the document again after its renderer died
    static constexpr int MaxRestoresInWindow = 3;
    static constexpr qint64 RestoreWindowMs = 10000;
    int m_restoresInWindow = 0;
    QElapsedTimer m_lastRestore;
    double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
};
