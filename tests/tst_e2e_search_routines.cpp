// End to end at routine level: the search routines on real controls with the real
// fetcher against the real sandbox marketplace; the grid is the document written
// into a recording result pane.
#include "support/ContextFixture.h"
#include "support/TestConfiguration.h"

#include "../sandbox/testkit/SandboxProcess.h"
#include "support/SandboxGrid.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "search/ResultPage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <optional>

using namespace SandboxGrid;

class E2eSearchRoutinesTest : public QObject
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
    // What the document last written into the result pane shows.
    Grid writtenGrid() const;

    SandboxProcess m_sandbox;
    std::unique_ptr<ContextFixture> m_f;
};

void E2eSearchRoutinesTest::initTestCase()
{
#ifndef KESTROVA_SANDBOX_EXE
    QSKIP("built without the sandbox");
#endif
    QVERIFY(m_sandbox.start());
    TestConfiguration::installOneHost(m_sandbox.hostPort(), m_sandbox.baseUrl() + QLatin1Char('/'));

    // As after load: online, the path one empty entry, the lists set up.
    m_f = std::make_unique<ContextFixture>();
    m_f->makeLoaded();
    m_f->ctx.state.PageText = QStringLiteral("1");
    m_f->ctx.state.RowOffset = QStringLiteral("0");
}

void E2eSearchRoutinesTest::cleanupTestCase()
{
    m_f.reset();
    m_sandbox.stop();
}

Grid E2eSearchRoutinesTest::writtenGrid() const
{
    return parseGrid(m_f->pane4.text);
}

void E2eSearchRoutinesTest::keywordSearchShowsTheSandboxItems()
{
    Form1Context &ctx = m_f->ctx;
    ctx.ui.CB_Sub->setCurrentIndex(ctx.ui.CB_Sub->findText(QStringLiteral("所有类目")));
    ctx.ui.TB_Search->setText(QStringLiteral("韩版"));
    QTest::mouseClick(ctx.ui.Cmd_Search, Qt::LeftButton);

    const QString offset = ctx.state.RowOffset;
    const QStringList ids = expectedIds(m_sandbox, QStringLiteral("韩版"), QString(),
                                        offset.toInt(), QStringLiteral("9"));
    QCOMPARE(ids.size(), 20);
    const Grid grid = writtenGrid();
    QCOMPARE(grid.ids, ids);
    QCOMPARE(grid.prices.size(), 20);
    QVERIFY(ctx.ui.LB_Total2->text().startsWith(QStringLiteral("找到符合条件的商品【共")));
    QVERIFY(ctx.ui.CB_page->count() > 1);
    QVERIFY(m_f->messages.isEmpty());
}

void E2eSearchRoutinesTest::eachSortOrderIsVisiblySorted_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("code");
    QTest::newRow("price, highest first") << 0 << "7";
    QTest::newRow("price, lowest first") << 1 << "8";
    QTest::newRow("sold, highest first") << 2 << "9";
    QTest::newRow("sold, lowest first") << 3 << "10";
}

void E2eSearchRoutinesTest::eachSortOrderIsVisiblySorted()
{
    QFETCH(int, entry);
    QFETCH(QString, code);
    Form1Context &ctx = m_f->ctx;
    // Start from another entry so that choosing this one is a change of the list.
    ctx.state.UiReady = false;
    ctx.ui.CB_Sort->setCurrentIndex((entry + 1) % 4);
    ctx.state.UiReady = true;
    ctx.ui.CB_Sort->setCurrentIndex(entry);
    QCOMPARE(ctx.state.SortCode, code);

    const QStringList ids = expectedIds(m_sandbox, QStringLiteral("韩版"), QString(),
                                        ctx.state.RowOffset.toInt(), code);
    const Grid grid = writtenGrid();
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

void E2eSearchRoutinesTest::secondPageHoldsOtherItems()
{
    Form1Context &ctx = m_f->ctx;
    QVERIFY(ctx.ui.CB_page->count() >= 2);
    ctx.ui.CB_page->setCurrentIndex(0);
    const QString code = ctx.state.SortCode;
    const Grid first = writtenGrid();
    QCOMPARE(first.ids, expectedIds(m_sandbox, QStringLiteral("韩版"), QString(), 0, code));

    QTest::mouseClick(ctx.ui.Cmd_DownPage, Qt::LeftButton);
    QCOMPARE(ctx.state.PageText, QStringLiteral("2"));
    QCOMPARE(ctx.state.RowOffset, QStringLiteral("20"));
    const QStringList secondIds =
        expectedIds(m_sandbox, QStringLiteral("韩版"), QString(), 20, code);
    const Grid second = writtenGrid();
    QCOMPARE(second.ids, secondIds);
    QCOMPARE(second.ids.size(), 20);
    for (const QString &id : second.ids)
        QVERIFY2(!first.ids.contains(id), qPrintable(id));
}

void E2eSearchRoutinesTest::itemClickOpensTheItemPage()
{
    const Grid grid = parseGrid(m_f->pane4.text);
    QVERIFY(grid.ids.size() > 1);
    const int writes = m_f->pane4.writeCount;
    // A click on the second item's title and on its seller, as the grid wrote them.
    QVERIFY(m_f->pane4.click(QStringLiteral("http://[catid=") + grid.ids[1] + QLatin1Char(']')));
    QCOMPARE(m_f->browser.opened, QStringList{m_sandbox.baseUrl() + QStringLiteral("/item/") +
                                              grid.ids[1] + QStringLiteral(".html")});
    static const QRegularExpression seller(
        QStringLiteral("href='(http://\\[nick_id=[^\\]]*\\])'"));
    const QString sellerLink = seller.match(m_f->pane4.text).captured(1);
    QVERIFY(!sellerLink.isEmpty());
    QVERIFY(m_f->pane4.click(sellerLink));
    QCOMPARE(m_f->browser.opened.size(), 2);
    QVERIFY2(m_f->browser.opened[1].startsWith(m_sandbox.baseUrl() + QStringLiteral("/shop/")),
             qPrintable(m_f->browser.opened[1]));
    // The grid stays as it was.
    QCOMPARE(m_f->pane4.writeCount, writes);
}

QTEST_MAIN(E2eSearchRoutinesTest)
#include "tst_e2e_search_routines.moc"
