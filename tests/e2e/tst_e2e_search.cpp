// End to end: the main window against the real sandbox marketplace. Searches are
// started from the window's controls; the grid is read back from the real result pane.
#include "support/TestDoubles.h"

#include "app/Form1.h"
#include "panes/WebEnginePane.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "support/SandboxGrid.h"
#include "support/SandboxProcess.h"
#include "support/TestConfiguration.h"
#include "support/WaitUntil.h"
#include "support/pane/PaneInspect.h"
#include "support/pane/PaneTestMain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>

#include <memory>
#include <optional>

using namespace SandboxGrid;

class E2eSearchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void keywordSearchShowsTheSandboxItems();
    void eachSortOrderIsVisiblySorted_data();
    void eachSortOrderIsVisiblySorted();
    void secondPageHoldsOtherItems();
    void itemClickOpensTheItemPage();

private:
    QWebEngineView *resultView() const;
    QString paneHtml() const;
    // Waits until the result pane shows exactly these items; returns what it shows.
    Grid waitForGrid(const QStringList &ids) const;

    SandboxProcess m_sandbox;
    FakeNetworkState m_network;
    RecordingBrowserLauncher m_browser;
    QStringList m_messages;
    std::unique_ptr<Form1> m_form;
};

void E2eSearchTest::initTestCase()
{
#ifndef KESTROVA_SANDBOX_EXE
    QSKIP("built without the sandbox");
#endif
    QVERIFY(m_sandbox.start());
    TestConfiguration::installOneHost(m_sandbox.hostPort(), m_sandbox.baseUrl() + QLatin1Char('/'));

    Form1Options options;
    options.browser = &m_browser;
    options.network = &m_network;
    options.messageBox = [this](const QString &, const QString &text) { m_messages.append(text); };
    m_form = std::make_unique<Form1>(options);
    m_form->Show();
    QVERIFY(m_form->context().state.IsOnline);
}

void E2eSearchTest::cleanupTestCase()
{
    m_form.reset();
    m_sandbox.stop();
}

QWebEngineView *E2eSearchTest::resultView() const
{
    auto *pane = qobject_cast<WebEnginePane *>(m_form->context().ui.WebBrowser4);
    return pane ? pane->view() : nullptr;
}

QString E2eSearchTest::paneHtml() const
{
    auto html = std::make_shared<std::optional<QString>>();
    resultView()->page()->toHtml([html](const QString &text) { *html = text; });
    if (!waitUntil([html] { return html->has_value(); }, 10000))
        qWarning("the result pane did not hand over its markup within 10 s");
    return html->value_or(QString());
}

Grid E2eSearchTest::waitForGrid(const QStringList &ids) const
{
    Grid grid;
    // The callers compare the grid with what they expect, so a late grid fails there.
    const bool shown = waitUntil(
        [&] {
            grid = parseGrid(paneHtml());
            return grid.ids == ids;
        },
        20000);
    if (!shown)
        qWarning("the grid did not show the expected items within 20 s");
    return grid;
}

void E2eSearchTest::keywordSearchShowsTheSandboxItems()
{
    Form1Context &ctx = m_form->context();
    ctx.ui.CB_Sub->setCurrentIndex(ctx.ui.CB_Sub->findText(QStringLiteral("所有类目")));
    ctx.ui.TB_Search->setText(QStringLiteral("韩版"));
    QTest::mouseClick(ctx.ui.Cmd_Search, Qt::LeftButton);

    const QString offset = ctx.state.RowOffset;
    const QStringList ids = expectedIds(m_sandbox, QStringLiteral("韩版"), QString(),
                                        offset.toInt(), QStringLiteral("9"));
    QCOMPARE(ids.size(), 20);
    const Grid grid = waitForGrid(ids);
    QCOMPARE(grid.ids, ids);
    QCOMPARE(grid.prices.size(), 20);
    QVERIFY(ctx.ui.LB_Total2->text().startsWith(QStringLiteral("找到符合条件的商品【共")));
    QVERIFY(ctx.ui.CB_page->count() > 1);
    QVERIFY(m_messages.isEmpty());
}

void E2eSearchTest::eachSortOrderIsVisiblySorted_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("code");
    QTest::newRow("price, highest first") << 0 << "7";
    QTest::newRow("price, lowest first") << 1 << "8";
    QTest::newRow("sold, highest first") << 2 << "9";
    QTest::newRow("sold, lowest first") << 3 << "10";
}

void E2eSearchTest::eachSortOrderIsVisiblySorted()
{
    QFETCH(int, entry);
    QFETCH(QString, code);
    Form1Context &ctx = m_form->context();
    // Start from another entry so that choosing this one is a change of the list.
    ctx.state.UiReady = false;
    ctx.ui.CB_Sort->setCurrentIndex((entry + 1) % 4);
    ctx.state.UiReady = true;
    ctx.ui.CB_Sort->setCurrentIndex(entry);
    QCOMPARE(ctx.state.SortCode, code);

    const QStringList ids = expectedIds(m_sandbox, QStringLiteral("韩版"), QString(),
                                        ctx.state.RowOffset.toInt(), code);
    const Grid grid = waitForGrid(ids);
    QCOMPARE(grid.ids, ids);
    const QList<double> &values = entry < 2 ? grid.prices : grid.sales;
    QCOMPARE(values.size(), 20);
    QList<double> sorted = values;
    if (entry % 2 == 0)
        std::sort(sorted.begin(), sorted.end(), std::greater<double>());
    else
        std::sort(sorted.begin(), sorted.end());
    QCOMPARE(values, sorted);
}

void E2eSearchTest::secondPageHoldsOtherItems()
{
    Form1Context &ctx = m_form->context();
    QVERIFY(ctx.ui.CB_page->count() >= 2);
    ctx.ui.CB_page->setCurrentIndex(0);
    const QString code = ctx.state.SortCode;
    const Grid first =
        waitForGrid(expectedIds(m_sandbox, QStringLiteral("韩版"), QString(), 0, code));

    QTest::mouseClick(ctx.ui.Cmd_DownPage, Qt::LeftButton);
    QCOMPARE(ctx.state.PageText, QStringLiteral("2"));
    QCOMPARE(ctx.state.RowOffset, QStringLiteral("20"));
    const QStringList secondIds =
        expectedIds(m_sandbox, QStringLiteral("韩版"), QString(), 20, code);
    const Grid second = waitForGrid(secondIds);
    QCOMPARE(second.ids, secondIds);
    QCOMPARE(second.ids.size(), 20);
    for (const QString &id : second.ids)
        QVERIFY2(!first.ids.contains(id), qPrintable(id));
}

void E2eSearchTest::itemClickOpensTheItemPage()
{
    const Grid grid = parseGrid(paneHtml());
    QVERIFY(!grid.ids.isEmpty());
    m_browser.opened.clear();
    // A real click on the first item's title inside the page.
    resultView()->page()->runJavaScript(
        QStringLiteral("document.querySelector(\"p[id='tkname'] a\").click();"),
        QWebEngineScript::ApplicationWorld);
    QVERIFY(waitUntil([&] { return !m_browser.opened.isEmpty(); }, 20000));
    QCOMPARE(m_browser.opened.size(), 1);
    QCOMPARE(m_browser.opened.first(), m_sandbox.baseUrl() + QStringLiteral("/item/") +
                                           grid.ids.first() + QStringLiteral(".html"));
    // The grid stays where it was.
    QCOMPARE(parseGrid(paneHtml()).ids, grid.ids);
}

KESTROVA_PANE_TEST_MAIN(E2eSearchTest)
#include "tst_e2e_search.moc"
