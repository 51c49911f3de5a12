#pragma once

#include "platform/PagePane.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>

class QWebChannel;
class QWebEngineLoadingInfo;
class QWebEngineView;
class PaneDocuments;
class PaneLinkBridge;
class PanePage;

// A page pane on Qt WebEngine, placed inside a frame widget that clips it.
// Each write is served under the program's own scheme and loaded as a document
// of its own. The page's scripts are off; a script in the application world
// captures link clicks and hands the raw href to BeforeNavigate2 (flags 64).
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

    // The address the current document loads from.
    QUrl documentUrl() const { return m_url; }
    // True from a write, Navigate() or reload until the engine has loaded that
    // document with everything in it.
    bool isLoading() const { return m_state != State::Shown; }

private:
    enum class State {
        Shown,     // the current document has loaded
        Loading,   // a write or Navigate() loads; DocumentComplete when it has
        Reloading, // the current document loads again, unreported
    };

    void load(const QUrl &url, State state);
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void applyBodyScroll();
    // A renderer that dies: the pane shows its document again by itself.
    void onRendererGone(QWebEnginePage::RenderProcessTerminationStatus status);
    void restoreDocument();
    void ensureCapture();
    void raiseLinkClick(const QString &url);
    void place();

    QPointer<QFrame> m_box;
    QWebEngineView *m_view = nullptr;
    PanePage *m_page = nullptr;
    QWebChannel *m_channel = nullptr;
    PaneLinkBridge *m_bridge = nullptr;
    QPointer<PaneDocuments> m_documents;
    int m_id = 0; // the pane's number in its addresses

    QString m_content;
    QString m_bodyScroll; // set on the current document
    QUrl m_url;           // the current document's address
    State m_state = State::Shown;
    bool m_restored = false; // the newest load follows a renderer's death
    // Loads of the same document after the engine dropped them for another.
    static constexpr int MaxReloads = 3;
    int m_reloads = 0;
    static constexpr int MaxRestoresInWindow = 3;
    static constexpr qint64 RestoreWindowMs = 10000;
    int m_restoresInWindow = 0;
    QElapsedTimer m_lastRestore;
    double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
};
