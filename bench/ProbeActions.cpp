#include "ProbeActions.h"

#include "BenchReport.h"
#include "ProbeObserver.h"

#include "app/Form1.h"
#include "panes/WebEnginePane.h"
#include "platform/BlockingFetch.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

const char *const Keywords[] = {"韩版", "新款", "时尚", "修身", "休闲", "纯棉", "加厚", "真皮"};

} // namespace

bool ProbeActions::waitUntil(const std::function<bool()> &condition, qint64 boundMicros)
{
    const qint64 start = BenchReport::epochMicros();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || BenchReport::epochMicros() - start > boundMicros)
            loop.quit();
    });
    poll.start();
    if (!condition())
        loop.exec();
    return condition();
}

bool ProbeActions::clickLink(int pane, const QString &selector, int index)
{
    WebEnginePane *target = m_observer.pane(pane);
    if (!target || !target->content().contains(QLatin1String("href")))
        return false;
    // The capture script in the application world takes the click, as it takes a mouse click.
    target->view()->page()->runJavaScript(
        QStringLiteral(
            "(function(){var a=document.querySelectorAll(\"%1\");"
            "var i=Math.min(%2,a.length-1);if(i<0)return false;a[i].click();return true;})()")
            .arg(selector)
            .arg(index),
        QWebEngineScript::ApplicationWorld);
    return true;
}

QSet<QString> ProbeActions::picturesOf(const QList<int> &panes) const
{
    static const QRegularExpression picture(
        QStringLiteral("(?:src|background)\\s*=\\s*['\"]?([^'\" >]+)"));
    QSet<QString> found;
    for (int n : panes) {
        const QString html = m_observer.pane(n)->content();
        for (auto it = picture.globalMatch(html); it.hasNext();)
            found.insert(it.next().captured(1));
    }
    return found;
}

bool ProbeActions::measure(const Action &action)
{
    const auto idle = [this] {
        Form1 *form = m_observer.form1();
        const bool fetching = form && form->context().services.fetch->isBusy();
        return !m_observer.anyLoading() && !fetching &&
               BenchReport::epochMicros() - m_observer.lastActivity() >=
                   ProbeObserver::SettleMicros;
    };
    if (!waitUntil(idle, ProbeObserver::StepBoundMicros)) {
        BenchReport::event("stuck",
                           QStringLiteral("panes still loading 10 s before %1").arg(action.kind));
        return false;
    }
    m_observer.mark();
    m_launchedAt = 0;
    const qint64 start = BenchReport::epochMicros();
    if (!action.input())
        return true;                                    // skipped: nothing to click here
    m_observer.noteHandler(BenchReport::epochMicros()); // input returned; clicks note their own
    const bool asynchronous = action.kind.endsWith(QLatin1String("click"));
    const bool done = waitUntil(
        [&] {
            if (action.launches)
                return m_launchedAt != 0;
            return (!asynchronous || m_observer.handlerAt() > start) &&
                   m_observer.lastFinishSinceMark() != 0 && idle();
        },
        ProbeObserver::StepBoundMicros);
    if (!done) {
        BenchReport::event("stuck", QStringLiteral("%1 did not finish in 10 s").arg(action.kind));
        return false;
    }
    const qint64 end = action.launches ? m_launchedAt : m_observer.lastFinishSinceMark();
    const QList<int> panes = action.launches ? QList<int>() : m_observer.panesFinishedSinceMark();
    const QSet<QString> pictures = picturesOf(panes);
    QString freshness = QStringLiteral("-");
    if (!action.launches) {
        freshness = pictures.isEmpty() || m_seenPictures.contains(pictures)
                        ? QStringLiteral("cached")
                        : QStringLiteral("new");
        m_seenPictures.unite(pictures);
    }
    QStringList paneList;
    for (int n : panes) {
        paneList << QString::number(n);
        QFile file(BenchReport::actionDocument(m_observer.dir(), m_done, n));
        if (file.open(QIODevice::WriteOnly))
            file.write(m_observer.pane(n)->content().toUtf8());
    }
    const QString line = QStringLiteral("%1\t%2\t%3\t%4\t%5")
                             .arg(m_done)
                             .arg(action.kind, freshness)
                             .arg(double(end - start) / 1000.0, 0, 'f', 2)
                             .arg(paneList.join(QLatin1Char(',')));
    QFile list(BenchReport::actionsFile(m_observer.dir()));
    if (list.open(QIODevice::Append))
        list.write(line.toUtf8() + '\n');
    BenchReport::event("action", end, line);
    ++m_done;
    return true;
}

bool ProbeActions::run(int count)
{
    Form1Context &ctx = m_observer.form1()->context();
    m_seenPictures = picturesOf({1, 2, 3, 4});
    const auto menu = [this, &ctx](int index) {
        return [this, &ctx, index] {
            ctx.ui.CB_Sub->setCurrentIndex(ctx.ui.CB_Sub->findText(QStringLiteral("当前类目")));
            return clickLink(1, QStringLiteral("a"), index);
        };
    };
    const auto sortTo = [&ctx](int index) {
        return [&ctx, index] {
            ctx.ui.CB_Sort->setCurrentIndex(index);
            return true;
        };
    };
    const auto pageTo = [&ctx](int index) {
        return [&ctx, index] {
            if (ctx.ui.CB_page->count() <= index || ctx.ui.CB_page->currentIndex() == index)
                return false;
            ctx.ui.CB_page->setCurrentIndex(index);
            return true;
        };
    };
    const auto search = [&ctx](const char *word) {
        return [&ctx, word] {
            // Over all categories, so the keyword finds items wherever the path stands.
            ctx.ui.CB_Sub->setCurrentIndex(ctx.ui.CB_Sub->findText(QStringLiteral("所有类目")));
            ctx.ui.TB_Search->setText(QString::fromUtf8(word));
            QTest::keyClick(ctx.ui.TB_Search, Qt::Key_Return);
            return true;
        };
    };
    // The path's entry before the last one: the category the child was opened from.
    const auto pathParent = [this] {
        WebEnginePane *path = m_observer.pane(2);
        const int links = int(path->content().count(QLatin1String("<a ")));
        if (links < 2)
            return false;
        return clickLink(2, QStringLiteral("a"), links - 2);
    };
    const auto child = [this] { return clickLink(3, QStringLiteral("a")); };
    const auto item = [this] { return clickLink(4, QStringLiteral("p[id='tkname'] a")); };

    for (int round = 0; m_done < count; ++round) {
        const int category = round % 12 + 2;
        const char *word = Keywords[round % std::size(Keywords)];
        const Action actions[] = {
            {QStringLiteral("menu click"), menu(category)},
            {QStringLiteral("child click"), child},
            {QStringLiteral("sort change"), sortTo(round % 2 ? 0 : 1)},
            {QStringLiteral("page change"), pageTo(1)},
            {QStringLiteral("page change"), pageTo(0)},
            {QStringLiteral("path click"), pathParent},
            {QStringLiteral("child click"), child},
            {QStringLiteral("sort change"), sortTo(2)},
            {QStringLiteral("path click"), pathParent},
            {QStringLiteral("menu click"), menu(category)},
            {QStringLiteral("keyword search"), search(word)},
            {QStringLiteral("keyword search"), search(word)},
            {QStringLiteral("item click"), item, true},
        };
        for (const Action &action : actions) {
            if (m_done >= count)
                break;
            if (!measure(action))
                return false;
        }
    }
    return true;
}
