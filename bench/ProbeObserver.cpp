#include "ProbeObserver.h"

#include "BenchReport.h"

#include "app/Form1.h"
#include "app/Form2.h"
#include "panes/WebEnginePane.h"
#include "platform/PagePane.h"
#include "requests/Configuration.h"

#include <QChildEvent>
#include <QFile>
#include <QWebEngineView>

ProbeObserver::ProbeObserver(const QString &dir, QObject *parent)
    : QObject(parent), m_dir(dir), m_created(BenchReport::epochMicros())
{
    m_poll.setInterval(5);
    connect(&m_poll, &QTimer::timeout, this, &ProbeObserver::checkStartup);
    m_poll.start();
}

WebEnginePane *ProbeObserver::pane(int number) const
{
    if (!m_form1 || number < 1 || number > 4)
        return nullptr;
    const Form1Controls &ui = m_form1->context().ui;
    PagePane *panes[] = {ui.WebBrowser1, ui.WebBrowser2, ui.WebBrowser3, ui.WebBrowser4};
    return qobject_cast<WebEnginePane *>(panes[number - 1]);
}

bool ProbeObserver::anyLoading() const
{
    for (const PageLoads &loads : m_loads)
        if (loads.loading)
            return true;
    return false;
}

void ProbeObserver::mark()
{
    m_finishedSinceMark.clear();
    m_lastFinishSinceMark = 0;
    m_handlerAt = 0;
}

QList<int> ProbeObserver::panesFinishedSinceMark() const
{
    QList<int> panes = m_finishedSinceMark.values();
    std::sort(panes.begin(), panes.end());
    return panes;
}

void ProbeObserver::noteHandler(qint64 at)
{
    if (!m_handlerAt)
        m_handlerAt = at;
}

bool ProbeObserver::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Paint: {
        auto *widget = qobject_cast<QWidget *>(watched);
        QWidget *window = widget ? widget->window() : nullptr;
        if (!m_form2Shown && qobject_cast<Form2 *>(window)) {
            m_form2Shown = BenchReport::epochMicros();
            BenchReport::event("loading-window-shown", m_form2Shown);
        } else if (!m_form1Shown && qobject_cast<Form1 *>(window) && window->isVisible()) {
            m_form1Shown = BenchReport::epochMicros();
            m_form1 = static_cast<Form1 *>(window);
            BenchReport::event("main-window-shown", m_form1Shown);
            attachPanes();
        }
        break;
    }
    case QEvent::ChildAdded:
        // The views exist before their first document is written; their pages are
        // set by the time the event loop runs again (during the first fetch).
        if (auto *view = qobject_cast<QWebEngineView *>(watched)) {
            QPointer<QWebEngineView> guard(view);
            QMetaObject::invokeMethod(
                this,
                [this, guard] {
                    if (guard)
                        attach(guard);
                },
                Qt::QueuedConnection);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void ProbeObserver::attach(QWebEngineView *view)
{
    QWebEnginePage *page = view->page();
    if (!page || m_loads.contains(page))
        return;
    m_loads.insert(page, PageLoads());
    connect(page, &QWebEnginePage::loadStarted, this, [this, page] {
        m_loads[page].loading = true;
        m_lastActivity = BenchReport::epochMicros();
    });
    connect(page, &QWebEnginePage::loadFinished, this, [this, page] {
        const qint64 now = BenchReport::epochMicros();
        PageLoads &loads = m_loads[page];
        loads.loading = false;
        ++loads.finishes;
        loads.lastFinish = now;
        m_lastActivity = now;
        for (int n = 1; n <= 4; ++n)
            if (pane(n) && pane(n)->view()->page() == page) {
                m_finishedSinceMark.insert(n);
                m_lastFinishSinceMark = now;
            }
    });
    connect(page, &QObject::destroyed, this, [this, page] { m_loads.remove(page); });
}

void ProbeObserver::attachPanes()
{
    for (int n = 1; n <= 4; ++n) {
        WebEnginePane *p = pane(n);
        if (p)
            attach(p->view());
        // Handlers run before this connection: its call marks their end.
        if (p)
            connect(p, &PagePane::BeforeNavigate2, this,
                    [this] { noteHandler(BenchReport::epochMicros()); });
    }
}

void ProbeObserver::checkStartup()
{
    if (m_startupDone)
        return;
    const qint64 now = BenchReport::epochMicros();
    if (!m_form1Shown) {
        const qint64 since = m_form2Shown ? m_form2Shown : m_created;
        if (now - since > StepBoundMicros) {
            BenchReport::event("stuck", now,
                               m_form2Shown ? QStringLiteral("main window not shown in 10 s")
                                            : QStringLiteral("loading window not shown in 10 s"));
            finishStartup(false);
        }
        return;
    }
    bool settled = now - m_lastActivity >= 200'000;
    for (int n = 1; n <= 4 && settled; ++n) {
        WebEnginePane *p = pane(n);
        const auto it = p ? m_loads.constFind(p->view()->page()) : m_loads.constEnd();
        settled = it != m_loads.constEnd() && !it->loading && it->finishes > 0;
    }
    if (settled) {
        finishStartup(true);
    } else if (now - m_form1Shown > StepBoundMicros) {
        for (int n = 1; n <= 4; ++n) {
            WebEnginePane *p = pane(n);
            const auto it = p ? m_loads.constFind(p->view()->page()) : m_loads.constEnd();
            if (it == m_loads.constEnd() || it->loading || it->finishes == 0)
                BenchReport::event("stuck", now,
                                   QStringLiteral("pane %1 did not finish loading in 10 s").arg(n));
        }
        finishStartup(false);
    }
}

void ProbeObserver::finishStartup(bool settled)
{
    m_startupDone = true;
    m_poll.stop();
    if (settled) {
        qint64 last = 0;
        QStringList perPane;
        for (int n = 1; n <= 4; ++n) {
            const qint64 at = m_loads.value(pane(n)->view()->page()).lastFinish;
            last = std::max(last, at);
            perPane << QString::number(at);
        }
        BenchReport::event("panes-loaded", last, perPane.join(QLatin1Char(' ')));
        writeStartupFiles();
    }
    emit startupSettled();
}

void ProbeObserver::writeStartupFiles() const
{
    for (int n = 1; n <= 4; ++n) {
        QFile file(BenchReport::startupDocument(m_dir, n));
        if (file.open(QIODevice::WriteOnly))
            file.write(pane(n)->content().toUtf8());
    }
    QFile geometry(BenchReport::geometryFile(m_dir));
    if (!geometry.open(QIODevice::WriteOnly))
        return;
    // window W H / base URL / per pane: frame x y w h, view x y w h (in the frame)
    geometry.write(QStringLiteral("%1 %2\n").arg(m_form1->width()).arg(m_form1->height()).toUtf8());
    geometry.write(Configuration::current().makerUrl(QString()).toUtf8() + '\n');
    for (int n = 1; n <= 4; ++n) {
        QWidget *box = pane(n)->box();
        QWidget *frame = box->parentWidget();
        const QRect f(frame->mapTo(m_form1, QPoint(0, 0)), frame->size());
        const QRect v(pane(n)->view()->mapTo(frame, QPoint(0, 0)), pane(n)->view()->size());
        geometry.write(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                           .arg(f.x())
                           .arg(f.y())
                           .arg(f.width())
                           .arg(f.height())
                           .arg(v.x())
                           .arg(v.y())
                           .arg(v.width())
                           .arg(v.height())
                           .toUtf8());
    }
}
