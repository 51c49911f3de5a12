#pragma once

#include "app/FetchIndicator.h"
#include "context/Form1Context.h"
#include "platform/BlockingFetch.h"
#include "platform/WebFetcher.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QScrollArea;
class BrowserLauncher;
class NetworkState;

// What a caller may substitute; anything left empty is the platform's own.
struct Form1Options
{
    BrowserLauncher *browser = nullptr;
    NetworkState *network = nullptr;
    std::function<void(const QString &title, const QString &text)> messageBox;
    FetchOptions fetch;
};

// The program's only working window: four HTML panes, the search controls,
// two timers and the shared state.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(const Form1Options &options = {}, QWidget *parent = nullptr);
    ~Form1() override;

    // Loads the window (Form_Load, including the first connectivity check),
    // then shows it.
    void Show();

    Form1Context &context() { return m_ctx; }
    QTimer &timer1() { return m_timer1; }
    QTimer &timer2() { return m_timer2; }
    QWidget *frame(int number) const;

    // Ends the program at once, also while a fetch waits; nothing is saved.
    void Form_Unload();

    // Sizes the window for a screen whose available area is that large (invalid: the
    // layout's own size): the laid-out size where it fits, else the area, scrolling.
    void fitTo(QSize available);
    QScrollArea *scrollArea() const { return m_scroll; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void createControls();
    void Form_Load();
    void LayoutPanes();

    Form1Context m_ctx;
    FetchIndicator m_fetchIndicator;
    BlockingFetch m_fetch;
    WebFetcher m_inet1{&m_fetch};
    std::unique_ptr<BrowserLauncher> m_ownBrowser;
    std::unique_ptr<NetworkState> m_ownNetwork;
    QTimer m_timer1;
    QTimer m_timer2;
    QWidget *m_frames[6] = {};
    QWidget *m_canvas = nullptr;
    QScrollArea *m_scroll = nullptr;
    QSize m_available;
    QSize m_decorations;
    bool m_loaded = false;
};
