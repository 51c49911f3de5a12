// Paging through results with the page list and the two buttons: one search per
// click, run by the list's own handler, with the row offset of the chosen page.
#include "support/ContextFixture.h"
#include "support/ScriptedServer.h"
#include "support/TestConfiguration.h"

#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "search/Paging.h"
#include "search/ResultPage.h"

#include <QtTest>

#include <atomic>
#include <memory>

namespace {

const QString SearchPath = QStringLiteral("/rpc/searchAuctionByRpc.do");

QStringList pages(int count)
{
    return TestConfiguration::pageTexts(count);
}

} // namespace

class PagingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void buttonsStepThroughPagesWithOneSearchEach();
    void choosingAnEntrySearchesThatPage();
    void buttonsAtTheEndsDoNothing_data();
    void buttonsAtTheEndsDoNothing();
    void downFromNoCurrentEntryGoesToPageOne();
    void lastOfHundredPagesStaysEvenWhenMoreExist();
    void newKeywordIsUsedForTheNextPage();
    void programChangesStartNoSearch();

private:
    // Loads a list of n pages as a search would leave it, with the given entry current.
    void loadList(int count, const QString &current);
    QStringList rowOffsetsSent() const;

    ScriptedServer m_server;
    std::shared_ptr<std::atomic<int>> m_total = std::make_shared<std::atomic<int>>(60);
    std::unique_ptr<ContextFixture> m_f;
};

void PagingTest::initTestCase()
{
    Configuration config = Configuration::compiledIn();
    config.makerHost = m_server.hostPort();
    config.affiliateHost = m_server.hostPort();
    Configuration::install(config);
    AccessTokenPool::fill(QStringList(54, QStringLiteral("tok=")));
    // Each answer names the row offset it was asked for, so the grid shows which page came.
    auto total = m_total;
    m_server.route(SearchPath, [total](const ScriptedServer::Request &request) {
        ScriptedServer::Response response;
        const QString offset = request.query.value(QStringLiteral("rowoffset"));
        response.body = QStringLiteral("<?xml version=\"1.0\"?><ROOT><PTOTAL>%1</PTOTAL><PRESULTS>"
                                       "<R><TITLE>row %2</TITLE><ORIOBJID>%2</ORIOBJID></R>"
                                       "</PRESULTS></ROOT>")
                            .arg(total->load())
                            .arg(offset)
                            .toUtf8();
        return response;
    });
}

void PagingTest::init()
{
    *m_total = 60;
    m_f = std::make_unique<ContextFixture>();
    m_f->makeLoaded();
    m_f->TB_Search->setText(QStringLiteral("lamp"));
    m_f->window.show();
    m_server.clearRequests();
}

void PagingTest::cleanup()
{
    m_f.reset();
}

void PagingTest::loadList(int count, const QString &current)
{
    m_f->ctx.state.UiReady = false;
    m_f->CB_page->clear();
    m_f->CB_page->addItems(pages(count));
    m_f->CB_page->setCurrentIndex(m_f->CB_page->findText(current));
    m_f->ctx.state.UiReady = true;
    // The buttons' enabling is the timer's business; here every click must reach its handler.
    m_f->Cmd_UpPage->setEnabled(true);
    m_f->Cmd_DownPage->setEnabled(true);
    m_f->ctx.state.PageText = current;
    m_f->ctx.state.RowOffset =
        current.isEmpty() ? QStringLiteral("0") : QString::number((current.toInt() - 1) * 20);
}

QStringList PagingTest::rowOffsetsSent() const
{
    QStringList offsets;
    for (const ScriptedServer::Request &r : m_server.requests())
        offsets.append(r.query.value(QStringLiteral("rowoffset")));
    return offsets;
}

void PagingTest::buttonsStepThroughPagesWithOneSearchEach()
{
    loadList(3, QStringLiteral("1"));
    MainState &state = m_f->ctx.state;

    QTest::mouseClick(m_f->Cmd_DownPage, Qt::LeftButton);
    QCOMPARE(rowOffsetsSent(), QStringList{"20"});
    QCOMPARE(state.RowOffset, QStringLiteral("20"));
    QCOMPARE(state.PageText, QStringLiteral("2"));
    QCOMPARE(m_f->CB_page->currentText(), QStringLiteral("2"));
    QVERIFY(m_f->pane4.text.contains(QStringLiteral(">row 20</a>")));

    QTest::mouseClick(m_f->Cmd_DownPage, Qt::LeftButton);
    QCOMPARE(rowOffsetsSent(), (QStringList{"20", "40"}));
    QCOMPARE(state.PageText, QStringLiteral("3"));

    QTest::mouseClick(m_f->Cmd_UpPage, Qt::LeftButton);
    QTest::mouseClick(m_f->Cmd_UpPage, Qt::LeftButton);
    QCOMPARE(rowOffsetsSent(), (QStringList{"20", "40", "20", "0"}));
    QCOMPARE(state.RowOffset, QStringLiteral("0"));
    QCOMPARE(state.PageText, QStringLiteral("1"));
    QCOMPARE(m_f->CB_page->currentText(), QStringLiteral("1"));
    QCOMPARE(m_f->CB_page->count(), 3);
    QVERIFY(state.UiReady);
}

void PagingTest::choosingAnEntrySearchesThatPage()
{
    loadList(3, QStringLiteral("1"));
    m_f->CB_page->setCurrentIndex(2);
    QCOMPARE(rowOffsetsSent(), QStringList{"40"});
    QCOMPARE(m_f->ctx.state.RowOffset, QStringLiteral("40"));
    QCOMPARE(m_f->ctx.state.PageText, QStringLiteral("3"));
    QCOMPARE(m_f->CB_page->currentText(), QStringLiteral("3"));
}

void PagingTest::buttonsAtTheEndsDoNothing_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("down");
    QTest::newRow("down on the last page") << "3" << true;
    QTest::newRow("up on the first page") << "1" << false;
    QTest::newRow("up without a current entry") << "" << false;
}

void PagingTest::buttonsAtTheEndsDoNothing()
{
    QFETCH(QString, current);
    QFETCH(bool, down);
    loadList(3, current);
    QTest::mouseClick(down ? m_f->Cmd_DownPage : m_f->Cmd_UpPage, Qt::LeftButton);
    QCOMPARE(m_server.requestCount(), 0);
    QCOMPARE(m_f->CB_page->currentText(), current);
    QCOMPARE(m_f->ctx.state.PageText, current);
}

void PagingTest::downFromNoCurrentEntryGoesToPageOne()
{
    loadList(2, QString());
    m_f->ctx.state.RowOffset = QStringLiteral("80"); // a page the new list no longer holds
    QTest::mouseClick(m_f->Cmd_DownPage, Qt::LeftButton);
    QCOMPARE(rowOffsetsSent(), QStringList{"0"});
    QCOMPARE(m_f->ctx.state.PageText, QStringLiteral("1"));
    QCOMPARE(m_f->CB_page->currentText(), QStringLiteral("1"));
}

void PagingTest::lastOfHundredPagesStaysEvenWhenMoreExist()
{
    *m_total = 5000;
    loadList(100, QStringLiteral("100"));
    QTest::mouseClick(m_f->Cmd_DownPage, Qt::LeftButton);
    QCOMPARE(m_server.requestCount(), 0);
    QTest::mouseClick(m_f->Cmd_UpPage, Qt::LeftButton);
    QCOMPARE(rowOffsetsSent(), QStringList{"1960"});
    QCOMPARE(m_f->CB_page->count(), 100);
    QCOMPARE(m_f->CB_page->currentText(), QStringLiteral("99"));
}

void PagingTest::newKeywordIsUsedForTheNextPage()
{
    loadList(3, QStringLiteral("1"));
    m_f->TB_Search->setText(QStringLiteral("desk lamp"));
    m_f->CB_page->setCurrentIndex(1);
    QCOMPARE(m_server.requestCount(), 1);
    QCOMPARE(m_server.requests()[0].query.value(QStringLiteral("keyword")),
             QStringLiteral("desk lamp"));
    QCOMPARE(m_server.requests()[0].query.value(QStringLiteral("rowoffset")), QStringLiteral("20"));
}

void PagingTest::programChangesStartNoSearch()
{
    loadList(3, QStringLiteral("1"));
    m_f->ctx.state.UiReady = false;
    m_f->CB_page->setCurrentIndex(2);
    QCOMPARE(m_server.requestCount(), 0);
    QCOMPARE(m_f->ctx.state.PageText, QStringLiteral("1"));
    QCOMPARE(m_f->ctx.state.RowOffset, QStringLiteral("0"));
}

QTEST_MAIN(PagingTest)
#include "tst_paging.moc"
