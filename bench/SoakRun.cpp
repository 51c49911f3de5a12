#include "SoakRun.h"

#include "support/TestDoubles.h"

#include "app/Form1.h"
#include "panes/WebEnginePane.h"
#include "platform/BlockingFetch.h"

#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <cstdio>

namespace {

const char *const Keywords[] = {"韩版", "新款", "时尚", "修身", "休闲",
                                "纯棉", "加厚", "真皮", "女"};

// A handler's fetches run under the sandbox's time-outs; one action may retry a few.
constexpr int ActionBoundMs = 120000;

} // namespace

SoakRun::SoakRun(Form1 &form, RecordingBrowserLauncher &launcher, quint32 seed,
                 const QString &logPath)
    : m_form(form), m_launcher(launcher), m_random(seed), m_log(logPath)
{
    m_clock.start();
    if (!m_log.open(QIODevice::ReadOnly))
        std::fprintf(stderr, "soak: cannot read the sandbox log %s\n", qPrintable(logPath));
    for (int n = 1; n <= 4; ++n) {
        WebEnginePane *p = pane(n);
        // Connected after the window's own handlers, so this runs when they have returned.
        QObject::connect(p, &PagePane::BeforeNavigate2, p,
                         [this] { m_notifiedAt = m_clock.elapsed(); });
        QObject::connect(p->view()->page(), &QWebEnginePage::renderProcessTerminated, p,
                         [this] { ++m_rendererDeaths; });
    }
}

WebEnginePane *SoakRun::pane(int number) const
{
    const Form1Controls &ui = const_cast<Form1 &>(m_form).context().ui;
    PagePane *panes[] = {ui.WebBrowser1, ui.WebBrowser2, ui.WebBrowser3, ui.WebBrowser4};
    return static_cast<WebEnginePane *>(panes[number - 1]);
}

bool SoakRun::idle() const
{
    if (const_cast<Form1 &>(m_form).context().services.fetch->isBusy())
        return false;
    for (int n = 1; n <= 4; ++n)
        if (pane(n)->isLoading())
            return false;
    return true;
}

bool SoakRun::settle(const std::function<bool()> &handled, int boundMs)
{
    QElapsedTimer waited;
    waited.start();
    const auto ready = [&] { return handled() && idle(); };
    while (!ready() && waited.elapsed() < boundMs) {
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return ready();
}

bool SoakRun::waitForStart(int boundMs)
{
    newLogLines();
    return settle([this] { return pane(1)->content().contains(QLatin1String("href")); }, boundMs);
}

bool SoakRun::clickLink(int number, const QString &selector)
{
    WebEnginePane *target = pane(number);
    const int links = int(target->content().count(QLatin1String("href=")));
    if (links == 0)
        return false;
    // Through the capture script, as a mouse click goes.
    target->view()->page()->runJavaScript(
        QStringLiteral("(function(){var a=document.querySelectorAll(\"%1\");"
                       "if(!a.length)return false;a[%2%a.length].click();return true;})()")
            .arg(selector)
            .arg(m_random.bounded(links)),
        QWebEngineScript::ApplicationWorld);
    return true;
}

QStringList SoakRun::newLogLines()
{
    QStringList lines;
    while (m_log.isOpen()) {
        const QByteArray line = m_log.readLine();
        if (line.isEmpty())
            break;
        lines.append(QString::fromUtf8(line).trimmed());
    }
    return lines;
}

SoakRun::Action SoakRun::next()
{
    Form1Controls &ui = m_form.context().ui;
    Action action;
    bool asynchronous = false; // a click: the handler runs when the click arrives
    const int launched = m_launcher.attempts;

    // Weighted draw; an action that is not possible in the present state falls
    // back to a menu click, and that to a keyword search.
    const int draw = int(m_random.bounded(100));
    const auto tryClick = [&](const char *kind, int number, const char *selector) {
        if (!clickLink(number, QString::fromLatin1(selector)))
            return false;
        action.kind = QString::fromLatin1(kind);
        asynchronous = true;
        return true;
    };
    m_notifiedAt = -1;
    const qint64 start = m_clock.elapsed();
    bool started = false;
    if (draw < 15)
        started = tryClick("child click", 3, "a");
    else if (draw < 25)
        started = tryClick("path click", 2, "a");
    else if (draw < 33)
        started = tryClick("item click", 4, "p[id='tkname'] a");
    else if (draw < 40)
        started = tryClick("seller click", 4, "p[id='tkshop'] a");
    else if (draw < 50) {
        ui.CB_Sort->setCurrentIndex((ui.CB_Sort->currentIndex() + 1 + int(m_random.bounded(3))) %
                                    ui.CB_Sort->count());
        action.kind = QStringLiteral("sort change");
        started = true;
    } else if (draw < 62) {
        QPushButton *button = m_random.bounded(3) ? ui.Cmd_DownPage : ui.Cmd_UpPage;
        if (button->isEnabled()) {
            button->click();
            action.kind = QStringLiteral("page button");
            started = true;
        } else if (ui.CB_page->count() > 1) {
            ui.CB_page->setCurrentIndex(int(m_random.bounded(ui.CB_page->count())));
            action.kind = QStringLiteral("page list");
            started = true;
        }
    } else if (draw < 75) {
        ui.CB_Sub->setCurrentIndex(int(m_random.bounded(2)));
        ui.TB_Search->setText(
            QString::fromUtf8(Keywords[m_random.bounded(int(std::size(Keywords)))]));
        QTest::keyClick(ui.TB_Search, Qt::Key_Return);
        action.kind = QStringLiteral("keyword search");
        started = true;
    }
    if (!started)
        started = tryClick("menu click", 1, "a");
    if (!started) {
        ui.TB_Search->setText(QString::fromUtf8(Keywords[0]));
        ui.Cmd_Search->click();
        action.kind = QStringLiteral("keyword search");
    }

    action.settled = settle(
        [&] {
            if (!asynchronous)
                return true;
            return m_notifiedAt >= 0 || m_launcher.attempts != launched;
        },
        ActionBoundMs);
    action.ms = m_clock.elapsed() - start;
    action.requests = newLogLines();
    std::printf("@soak action %d %s\t%lld\t%lld\t%s\n", m_done, qPrintable(action.kind),
                static_cast<long long>(action.ms), static_cast<long long>(action.requests.size()),
                action.settled ? "settled" : "unsettled");
    for (const QString &line : action.requests)
        std::printf("@soak request %d %s\n", m_done, qPrintable(line));
    std::fflush(stdout);
    ++m_done;
    return action;
}
