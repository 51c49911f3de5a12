// End to end at routine level: the search routines on real controls with the real
// fetcher against the real sandbox marketplace; the grid is the document written
// into a recording result pane.
#include "support/ContextFixture.h"
#include "support/TestConfiguration.h"

#include "platform/BlockingFetch.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "requests/CreateURL.h"
#include "search/ResultPage.h"
#include "support/SandboxGrid.h"
#include "support/SandboxProcess.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
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
    void keywordSearchedAsTyped_data();
    void keywordSearchedAsTyped();
    void storedEncodedTokenBesideTypedPercent_data();
    void storedEncodedTokenBesideTypedPercent();

private:
    // The target of the last search request in the sandbox's log, as received.
    QByteArray lastSearchTarget() const;

    // What the document last written into the result pane shows.
    Grid writtenGrid() const;

    QTemporaryDir m_dir;
    SandboxProcess m_sandbox;
    std::unique_ptr<ContextFixture> m_f;
};

void E2eSearchRoutinesTest::initTestCase()
{
#ifndef KESTROVA_SANDBOX_EXE
    QSKIP("built without the sandbox");
#endif
    QVERIFY(m_dir.isValid());
    QVERIFY(m_sandbox.start({QStringLiteral("--log"), m_dir.filePath(QStringLiteral("log"))}));
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
    static const QRegularExpression seller(QStringLiteral("href='(http://\\[nick_id=[^\\]]*\\])'"));
    const QString sellerLink = seller.match(m_f->pane4.text).captured(1);
    QVERIFY(!sellerLink.isEmpty());
    QVERIFY(m_f->pane4.click(sellerLink));
    QCOMPARE(m_f->browser.opened.size(), 2);
    QVERIFY2(m_f->browser.opened[1].startsWith(m_sandbox.baseUrl() + QStringLiteral("/shop/")),
             qPrintable(m_f->browser.opened[1]));
    // The grid stays as it was.
    QCOMPARE(m_f->pane4.writeCount, writes);
}

QByteArray E2eSearchRoutinesTest::lastSearchTarget() const
{
    QFile file(m_dir.filePath(QStringLiteral("log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray target;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("GET /rpc/searchAuctionByRpc.do?"))
            target = line.split(' ').value(1);
    }
    return target;
}

void E2eSearchRoutinesTest::keywordSearchedAsTyped_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("scope"); // the category searched, or empty for all
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("sortEntry");
    QTest::addColumn<QByteArray>("wire"); // the query after the member id, as received

    const auto row = [](const char *name, const QString &keyword, const QString &scope, int page,
                        int sortEntry, const QByteArray &wire) {
        QTest::newRow(name) << keyword << scope << page << sortEntry << wire;
    };
    // Spaces reach the server as %20 from the fetcher, the key "mid " included.
    row("H&M in women's clothing, page 2, price high first", "H&M", "16", 2, 0,
        "&keyword=H%26M&catid=16&rowoffset=20&rowcount=20&mid%20=0&sr=7");
    row("C# everywhere, sold high first", "C#", "", 1, 2,
        "&keyword=C%23&catid=&rowoffset=0&rowcount=20&mid%20=0&sr=9");
    row("C++ in women's clothing, price low first", "C++", "16", 1, 1,
        "&keyword=C%2B%2B&catid=16&rowoffset=0&rowcount=20&mid%20=0&sr=8");
    row("100% everywhere, page 3, sold low first", "100%", "", 3, 3,
        "&keyword=100%25&catid=&rowoffset=40&rowcount=20&mid%20=0&sr=10");
    row("a&b#c+d%e in women's clothing, page 2", "a&b#c+d%e", "16", 2, 2,
        "&keyword=a%26b%23c%2Bd%25e&catid=16&rowoffset=20&rowcount=20&mid%20=0&sr=9");
    row("only the four characters", "&#+%", "", 1, 0,
        "&keyword=%26%23%2B%25&catid=&rowoffset=0&rowcount=20&mid%20=0&sr=7");
}

void E2eSearchRoutinesTest::keywordSearchedAsTyped()
{
    QFETCH(QString, keyword);
    QFETCH(QString, scope);
    QFETCH(int, page);
    QFETCH(int, sortEntry);
    QFETCH(QByteArray, wire);
    Form1Context &ctx = m_f->ctx;

    // The scope box's entry for a top-level category, as the composed menu adds it.
    const QString entry =
        QStringLiteral("女装") + QString(30, QLatin1Char(' ')) + QStringLiteral("[16]");
    if (ctx.ui.CB_Sub->findText(entry) < 0)
        ctx.ui.CB_Sub->addItem(entry);
    ctx.ui.CB_Sub->setCurrentIndex(
        ctx.ui.CB_Sub->findText(scope.isEmpty() ? QStringLiteral("所有类目") : entry));
    ctx.state.UiReady = false;
    ctx.ui.CB_Sort->setCurrentIndex(sortEntry);
    ctx.state.UiReady = true;
    ctx.state.PageText = QString::number(page);
    ctx.state.RowOffset = QString::number((page - 1) * 20);
    ctx.ui.TB_Search->setText(keyword);
    QTest::mouseClick(ctx.ui.Cmd_Search, Qt::LeftButton);
    QVERIFY(m_f->messages.isEmpty());

    QByteArray target;
    QTRY_VERIFY_WITH_TIMEOUT(!(target = lastSearchTarget()).isEmpty() && target.endsWith(wire),
                             10000);
    QVERIFY2(target.endsWith(wire), target.constData());

    const QString code = ctx.state.SortCode;
    qint64 total = 0;
    const QStringList ids =
        expectedIdsEncoded(m_sandbox, keyword, scope, (page - 1) * 20, code, &total);
    const Grid grid = writtenGrid();
    QCOMPARE(grid.ids, ids);
    QCOMPARE(ctx.ui.LB_Total2->text(), QStringLiteral("找到符合条件的商品【共%1个】").arg(total));
    QCOMPARE(grid.titles.size(), ids.size());
    for (const QString &title : grid.titles)
        QVERIFY2(title.contains(keyword, Qt::CaseInsensitive), qPrintable(title));
    // Enough to fill the page asked for, and fewer in a category than everywhere.
    QVERIFY2(total > (page - 1) * 20, qPrintable(QString::number(total)));
    QVERIFY(!ids.isEmpty());
    qint64 everywhere = total;
    if (!scope.isEmpty()) {
        expectedIdsEncoded(m_sandbox, keyword, QString(), 0, code, &everywhere);
        QVERIFY2(total < everywhere, qPrintable(QString::number(everywhere)));
    }
    const QList<double> &values = sortEntry < 2 ? grid.prices : grid.sales;
    QList<double> sorted = values;
    if (sortEntry % 2 == 0)
        std::sort(sorted.begin(), sorted.end(), std::greater<double>());
    else
        std::sort(sorted.begin(), sorted.end());
    QCOMPARE(values, sorted);
    qInfo().noquote() << keyword << "found" << total << "in" << (scope.isEmpty() ? "all" : scope)
                      << "/ everywhere" << everywhere << "; page" << page << "ids"
                      << ids.join(QLatin1Char(',')) << "\n  first title:" << grid.titles.value(0)
                      << "\n  wire:" << target;
}

void E2eSearchRoutinesTest::storedEncodedTokenBesideTypedPercent_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::newRow("100%") << QStringLiteral("100%");
    QTest::newRow("a&b#c+d%e") << QStringLiteral("a&b#c+d%e");
    QTest::newRow("&#+%") << QStringLiteral("&#+%");
}

void E2eSearchRoutinesTest::storedEncodedTokenBesideTypedPercent()
{
    QFETCH(QString, keyword);
    // Draw until one of the tokens stored with "%2B" and the like comes up.
    QString url;
    QString token;
    for (int i = 0; i < 1000 && !token.contains(QLatin1Char('%')); ++i) {
        url =
            CreateURL::BuildSearchUrl(QStringLiteral("0"), QString(), keyword, QStringLiteral("9"));
        token = url.section(QStringLiteral("pw="), 1).section(QLatin1Char('&'), 0, 0);
    }
    QVERIFY2(token.contains(QLatin1Char('%')), qPrintable(url));

    BlockingFetch fetch;
    const BlockingFetch::Result result = fetch.get(url, 10000);
    QVERIFY2(result.ok, qPrintable(url)); // a token escaped twice is refused with 403
    QByteArray target;
    QTRY_VERIFY2_WITH_TIMEOUT((target = lastSearchTarget()).contains(token.toLatin1()),
                              qPrintable(token + QLatin1Char(' ') + QString::fromLatin1(target)),
                              10000);
    QVERIFY(target.contains("&keyword=" + CreateURL::KeywordOnWire(keyword).toLatin1() + "&"));
    qint64 total = 0;
    expectedIdsEncoded(m_sandbox, keyword, QString(), 0, QStringLiteral("9"), &total);
    QVERIFY(total > 0);
    QVERIFY(result.body.contains("<PTOTAL>" + QByteArray::number(total) + "</PTOTAL>"));
}

QTEST_MAIN(E2eSearchRoutinesTest)
#include "tst_e2e_search_routines.moc"
