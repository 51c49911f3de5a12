#include "app/Form1.h"

#include "handlers/Form1Routines.h"
#include "handlers/Form1Wiring.h"
#include "platform/BrowserLauncher.h"
#include "platform/NetworkState.h"
#include "platform/PagePane.h"
#include "platform/WindowFit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QMoveEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <cstdlib>

Form1::Form1(const Form1Options &options, QWidget *parent) : QWidget(parent), m_fetch(options.fetch)
{
    createControls();

    m_fetch.setObserver(&m_fetchIndicator);
    m_ctx.services.fetch = &m_fetch;
    m_ctx.services.Inet1 = &m_inet1;
    if (options.browser) {
        m_ctx.services.browser = options.browser;
    } else {
        m_ownBrowser = std::make_unique<DesktopBrowserLauncher>();
        m_ctx.services.browser = m_ownBrowser.get();
    }
    if (options.network) {
        m_ctx.services.network = options.network;
    } else {
        m_ownNetwork = std::make_unique<PlatformNetworkState>();
        m_ctx.services.network = m_ownNetwork.get();
    }
    if (options.messageBox) {
        m_ctx.services.messageBox = options.messageBox;
    } else {
        m_ctx.services.messageBox = [this](const QString &title, const QString &text) {
            QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, this);
            box.exec();
        };
    }

    WireForm1Handlers(m_ctx);

    // A control that takes the focus scrolls into view where the canvas scrolls.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && m_canvas->isAncestorOf(now))
            m_scroll->ensureWidgetVisible(now, 8, 8);
    });

    // Ticks that arrive while a fetch blocks start no second handler.
    m_timer2.setInterval(100);
    connect(&m_timer2, &QTimer::timeout, this, [this] {
        if (!m_fetch.isBusy())
            Timer2_Timer(m_ctx);
    });
    m_timer1.setInterval(5000);
    connect(&m_timer1, &QTimer::timeout, this, [this] {
        if (!m_fetch.isBusy())
            Timer1_Timer(m_ctx);
    });
}

Form1::~Form1() = default;

QWidget *Form1::frame(int number) const
{
    return number >= 1 && number <= 5 ? m_frames[number] : nullptr;
}

void Form1::Show()
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    if (const QScreen *screen = this->screen())
        fitTo(screen->availableGeometry().size());
    show();
}

void Form1::fitTo(QSize available)
{
    m_available = available;
    const QSize content = m_canvas->size();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    // Until the window manager has framed the window, a title bar's worth is kept free.
    const QSize decorations = m_decorations.isValid() ? m_decorations : QSize(8, 32);
    const WindowFit::Fit fit = available.isValid()
                                   ? WindowFit::fit(content, available, decorations, bar)
                                   : WindowFit::Fit{content, false};
    // Qt's Wayland windows offer maximize whatever their size limits, and a window of fixed
    // size answers the compositor's maximized size with its own, which ends the connection
    // and the program. So it may grow there; the controls keep their place.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (!fit.scrolls) {
        if (wayland) {
            setMinimumSize(content);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            resize(content);
        } else {
            setFixedSize(content);
        }
        return;
    }
    setMinimumSize(fit.window.boundedTo(QSize(240, 180)));
    if (wayland)
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    else
        setMaximumSize(content + QSize(bar, bar));
    resize(fit.window);
}

void Form1::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // Once the frame's real size is known, fit again with it instead of the guess.
    const QSize decorations = frameGeometry().size() - geometry().size();
    if (isVisible() && m_available.isValid() && !m_decorations.isValid() &&
        !decorations.isEmpty()) {
        m_decorations = decorations;
        fitTo(m_available);
    }
}

void Form1::Form_Load()
{
    Form1Controls &ui = m_ctx.ui;
    MainState &state = m_ctx.state;

    ui.WebBrowser1->Navigate(QStringLiteral("about: blank"));
    ui.WebBrowser1->open();
    ui.WebBrowser1->write(QStringLiteral("获取数据失败，请检查网络连接！"));
    ui.WebBrowser2->Navigate(QStringLiteral("about: blank"));
    ui.WebBrowser3->Navigate(QStringLiteral("about: blank"));
    ui.WebBrowser4->Navigate(QStringLiteral("about: blank"));

    state.CancelNav = true;
    state.OnlineCount = 0;
    LayoutPanes();
    state.IsOnline = false;
    state.CatIds.resize(1);
    state.CatNames.resize(1);
    SetupSearchControls(m_ctx);
    state.CatIds[0].clear();
    state.CatNames[0].clear();

    m_timer2.start();
    m_timer1.setInterval(5000);
    m_timer1.start();
    Timer1_Timer(m_ctx);

    state.UiReady = true;
}

void Form1::LayoutPanes()
{
    // Each pane is larger than its frame and starts above and left of it; the
    // frame clips the pane's border and, for the path and child panes, its top.
    struct Placement
    {
        PagePane *pane;
        double frameWidth, frameHeight;
        double extraWidth, extraHeight, top, left;
    };
    const Placement placements[] = {
        {m_ctx.ui.WebBrowser1, 2655, 9945, 50, 50, -25, -25},
        {m_ctx.ui.WebBrowser2, 11595, 435, 600, 200, -300, -25},
        {m_ctx.ui.WebBrowser3, 11595, 1125, 200, 300, -250, -25},
        {m_ctx.ui.WebBrowser4, 11835, 7365, 200, 50, -25, -25},
    };
    for (const Placement &p : placements) {
        p.pane->setWidth(p.frameWidth + p.extraWidth);
        p.pane->setHeight(p.frameHeight + p.extraHeight);
    }
    for (const Placement &p : placements) {
        p.pane->setTop(p.top);
        p.pane->setLeft(p.left);
    }
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
{
    // Nothing is saved. A waiting fetch has a handler under it on this thread's stack
    // that would go on with an empty answer, and more fetches: stop the transfer and
    // leave without unwinding.
    const bool waiting = m_fetch.isBusy();
    m_fetch.abort();
    if (waiting)
        std::_Exit(0);
    QCoreApplication::exit(0);
}
