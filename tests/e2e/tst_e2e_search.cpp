// End to end: searches against the real sandbox marketplace, each case once for
// each way of showing the grid: the main window, whose result pane is real and is
// read back from its page, and the search routines on real controls with the real
// fetcher, whose grid is the document written into a recording pane.
#include "support/ContextFixture.h"
#include "support/window/SandboxWindow.h"

#include "platform/BlockingFetch.h"
#include "requests/CreateURL.h"
#include "support/SandboxGrid.h"
#include "support/WaitUntil.h"
#include "support/pane/PaneTestMain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using namespace SandboxGrid;

namespace {

enum class Variant { Window, Routines };

const char *variantName(Variant variant)
{
    return variant == Variant::Window ? "window" : "routines";
}

} // namespace

Q_DECLARE_METATYPE(Variant)

class E2eSearchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void keywordSearchShowsTheSandboxItems_data() { addVariants(); }
    void keywordSearchShowsTheSandboxItems();
    void eachSortOrderIsVisiblySorted_data();
    void eachSortOrderIsVisiblySorted();
    void secondPageHoldsOtherItems_data() { addVariants(); }
    void secondPageHoldsOtherItems();
    void itemClickOpensTheItemPage_data() { addVariants(); }
    void itemClickOpensTheItemPage();
    void keywordSearchedAsTyped_data();
    void keywordSearchedAsTyped();
    void storedEncodedTokenBesideTypedPercent_data();
    void storedEncodedTokenBesideTypedPercent();

private:
    static void addVariants();
    Form1Context &context(Variant variant);
    const QStringList &messages(Variant variant);
    RecordingBrowserLauncher &browser(Variant variant);
    // What the result pane shows now.
    Grid grid(Variant variant);
    // What it shows once it shows exactly these items; the window's pane may show
    // them late, the routines have written them when they return.
    Grid gridShowing(Variant variant, const QStringList &ids);
    // Clicks the link with this address in the result pane, as a user would.
    bool clickLink(Variant variant, const QString &href);

    SandboxWindow m_window;
    std::unique_ptr<ContextFixture> m_f;
};

void E2eSearchTest::initTestCase()
{
#ifndef KESTROVA_SANDBOX_EXE
    QSKIP("built without the sandbox");
#endif
    QVERIFY(m_window.start());
    // The routines as after load: online, the path one empty entry, the lists set up.
    m_f = std::make_unique<ContextFixture>();
    m_f->makeLoaded();
    m_f->ctx.state.PageText = QStringLiteral("1");
    m_f->ctx.state.RowOffset = QStringLiteral("0");
}

void E2eSearchTest::cleanupTestCase()
{
    m_f.reset();
    m_window.stop();
}

void E2eSearchTest::addVariants()
{
    QTest::addColumn<Variant>("variant");
    for (Variant variant : {Variant::Window, Variant::Routines})
        QTest::newRow(variantName(variant)) << variant;
}

Form1Context &E2eSearchTest::context(Variant variant)
{
    return variant == Variant::Window ? m_window.context() : m_f->ctx;
}

const QStringList &E2eSearchTest::messages(Variant variant)
{
    return variant == Variant::Window ? m_window.messages : m_f->messages;
}

RecordingBrowserLauncher &E2eSearchTest::browser(Variant variant)
{
    return variant == Variant::Window ? m_window.browser : m_f->browser;
}

Grid E2eSearchTest::grid(Variant variant)
{
    return parseGrid(variant == Variant::Window ? m_window.paneHtml(4) : m_f->pane4.text);
}

Grid E2eSearchTest::gridShowing(Variant variant, const QStringList &ids)
{
    if (variant == Variant::Routines)
        return grid(variant);
    Grid shown;
    // The callers compare the grid with what they expect, so a late grid fails there.
    if (!waitUntil(
            [&] {
                shown = grid(variant);
                return shown.ids == ids;
            },
            20000))
        qWarning("the grid did not show the expected items within 20 s");
    return shown;
}

bool E2eSearchTest::clickLink(Variant variant, const QString &href)
{
    if (variant == Variant::Routines)
        return m_f->pane4.click(href);
    return m_window.click(4, QStringLiteral("a[href='%1']").arg(href));
}

void E2eSearchTest::keywordSearchShowsTheSandboxItems()
{
    QFETCH(Variant, variant);
    Form1Context &ctx = context(variant);
    ctx.ui.CB_Sub->setCurrentIndex(ctx.ui.CB_Sub->findText(QStringLiteral("所有类目")));
    ctx.ui.TB_Search->setText(QStringLiteral("韩版"));
    QTest::mouseClick(ctx.ui.Cmd_Search, Qt::LeftButton);

    const QString offset = ctx.state.RowOffset;
    const QStringList ids = expectedIds(m_window.sandbox, QStringLiteral("韩版"), QString(),
                                        offset.toInt(), QStringLiteral("9"));
    QCOMPARE(ids.size(), 20);
    const Grid shown = gridShowing(variant, ids);
    QCOMPARE(shown.ids, ids);
    QCOMPARE(shown.prices.size(), 20);
    QVERIFY(ctx.ui.LB_Total2->text().startsWith(QStringLiteral("找到符合条件的商品【共")));
    QVERIFY(ctx.ui.CB_page->count() > 1);
    QVERIFY(messages(variant).isEmpty());
}

void E2eSearchTest::eachSortOrderIsVisiblySorted_data()
{
    QTest::addColumn<Variant>("variant");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("code");
    const struct
    {
        const char *name;
        int entry;
        const char *code;
    } orders[] = {{"price, highest first", 0, "7"},
                  {"price, lowest first", 1, "8"},
                  {"sold, highest first", 2, "9"},
                  {"sold, lowest first", 3, "10"}};
    for (Variant variant : {Variant::Window, Variant::Routines}) {
        for (const auto &order : orders) {
            QTest::addRow("%s: %s", variantName(variant), order.name)
                << variant << order.entry << QString::fromLatin1(order.code);
        }
    }
}

void E2eSearchTest::eachSortOrderIsVisiblySorted()
{
    QFETCH(Variant, variant);
    QFETCH(int, entry);
    QFETCH(QString, code);
    Form1Context &ctx = context(variant);
    // Start from another entry so that choosing this one is a change of the list.
    ctx.state.UiReady = false;
    ctx.ui.CB_Sort->setCurrentIndex((entry + 1) % 4);
    ctx.state.UiReady = true;
    ctx.ui.CB_Sort->setCurrentIndex(entry);
    QCOMPARE(ctx.state.SortCode, code);

    const QStringList ids = expectedIds(m_window.sandbox, QStringLiteral("韩版"), QString(),
                                        ctx.state.RowOffset.toInt(), code);
    const Grid shown = gridShowing(variant, ids);
    QCOMPARE(shown.ids, ids);
    const QList<double> &values = entry < 2 ? shown.prices : shown.sales;
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
    QFETCH(Variant, variant);
    Form1Context &ctx = context(variant);
    QVERIFY(ctx.ui.CB_page->count() >= 2);
    ctx.ui.CB_page->setCurrentIndex(0);
    const QString code = ctx.state.SortCode;
    const QStringList firstIds =
        expectedIds(m_window.sandbox, QStringLiteral("韩版"), QString(), 0, code);
    const Grid first = gridShowing(variant, firstIds);
    QCOMPARE(first.ids, firstIds);

    QTest::mouseClick(ctx.ui.Cmd_DownPage, Qt::LeftButton);
    QCOMPARE(ctx.state.PageText, QStringLiteral("2"));
    QCOMPARE(ctx.state.RowOffset, QStringLiteral("20"));
    const QStringList secondIds =
        expectedIds(m_window.sandbox, QStringLiteral("韩版"), QString(), 20, code);
    const Grid second = gridShowing(variant, secondIds);
    QCOMPARE(second.ids, secondIds);
    QCOMPARE(second.ids.size(), 20);
    for (const QString &id : second.ids)
        QVERIFY2(!first.ids.contains(id), qPrintable(id));
}

void E2eSearchTest::itemClickOpensTheItemPage()
{
    QFETCH(Variant, variant);
    RecordingBrowserLauncher &opened = browser(variant);
    const Grid before = grid(variant);
    QVERIFY(before.ids.size() > 1);
    const int writes = m_f->pane4.writeCount;
    opened.opened.clear();
    // A click on the second item's title and on its seller, as the grid wrote them.
    QVERIFY(
        clickLink(variant, QStringLiteral("http://[catid=") + before.ids[1] + QLatin1Char(']')));
    QVERIFY(waitUntil([&] { return !opened.opened.isEmpty(); }, 20000));
    QCOMPARE(opened.opened, QStringList{m_window.sandbox.baseUrl() + QStringLiteral("/item/") +
                                        before.ids[1] + QStringLiteral(".html")});

    static const QRegularExpression seller(
        QStringLiteral("href=[\"'](http://\\[nick_id=[^\\]]*\\])[\"']"));
    const QString html = variant == Variant::Window ? m_window.paneHtml(4) : m_f->pane4.text;
    const QString sellerLink = seller.match(html).captured(1);
    QVERIFY(!sellerLink.isEmpty());
    QVERIFY(clickLink(variant, sellerLink));
    QVERIFY(waitUntil([&] { return opened.opened.size() > 1; }, 20000));
    QCOMPARE(opened.opened.size(), 2);
    QVERIFY2(opened.opened[1].startsWith(m_window.sandbox.baseUrl() + QStringLiteral("/shop/")),
             qPrintable(opened.opened[1]));
    // The grid stays as it was.
    QCOMPARE(grid(variant).ids, before.ids);
    if (variant == Variant::Routines)
        QCOMPARE(m_f->pane4.writeCount, writes);
}

void E2eSearchTest::keywordSearchedAsTyped_data()
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

// On the routines: the wire is read from the sandbox's log right after each search.
void E2eSearchTest::keywordSearchedAsTyped()
{
    QFETCH(QString, keyword);
    QFETCH(QString, scope);
    QFETCH(int, page);
    QFETCH(int, sortEntry);
    QFETCH(QByteArray, wire);
    Form1Context &ctx = m_f->ctx;
    const SandboxProcess &sandbox = m_window.sandbox;

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
    QTRY_VERIFY_WITH_TIMEOUT(
        !(target = m_window.lastSearchTarget()).isEmpty() && target.endsWith(wire), 10000);
    QVERIFY2(target.endsWith(wire), target.constData());

    const QString code = ctx.state.SortCode;
    qint64 total = 0;
    const QStringList ids =
        expectedIdsEncoded(sandbox, keyword, scope, (page - 1) * 20, code, &total);
    const Grid shown = grid(Variant::Routines);
    QCOMPARE(shown.ids, ids);
    QCOMPARE(ctx.ui.LB_Total2->text(), QStringLiteral("找到符合条件的商品【共%1个】").arg(total));
    QCOMPARE(shown.titles.size(), ids.size());
    for (const QString &title : shown.titles)
        QVERIFY2(title.contains(keyword, Qt::CaseInsensitive), qPrintable(title));
    // Enough to fill the page asked for, and fewer in a category than everywhere.
    QVERIFY2(total > (page - 1) * 20, qPrintable(QString::number(total)));
    QVERIFY(!ids.isEmpty());
    qint64 everywhere = total;
    if (!scope.isEmpty()) {
        expectedIdsEncoded(sandbox, keyword, QString(), 0, code, &everywhere);
        QVERIFY2(total < everywhere, qPrintable(QString::number(everywhere)));
    }
    const QList<double> &values = sortEntry < 2 ? shown.prices : shown.sales;
    QList<double> sorted = values;
    if (sortEntry % 2 == 0)
        std::sort(sorted.begin(), sorted.end(), std::greater<double>());
    else
        std::sort(sorted.begin(), sorted.end());
    QCOMPARE(values, sorted);
    qInfo().noquote() << keyword << "found" << total << "in" << (scope.isEmpty() ? "all" : scope)
                      << "/ everywhere" << everywhere << "; page" << page << "ids"
                      << ids.join(QLatin1Char(',')) << "\n  first title:" << shown.titles.value(0)
                      << "\n  wire:" << target;
}

void E2eSearchTest::storedEncodedTokenBesideTypedPercent_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::newRow("100%") << QStringLiteral("100%");
    QTest::newRow("a&b#c+d%e") << QStringLiteral("a&b#c+d%e");
    QTest::newRow("&#+%") << QStringLiteral("&#+%");
}

void E2eSearchTest::storedEncodedTokenBesideTypedPercent()
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
    QTRY_VERIFY2_WITH_TIMEOUT((target = m_window.lastSearchTarget()).contains(token.toLatin1()),
                              qPrintable(token + QLatin1Char(' ') + QString::fromLatin1(target)),
                              10000);
    QVERIFY(target.contains("&keyword=" + CreateURL::KeywordOnWire(keyword).toLatin1() + "&"));
    qint64 total = 0;
    expectedIdsEncoded(m_window.sandbox, keyword, QString(), 0, QStringLiteral("9"), &total);
    QVERIFY(total > 0);
    QVERIFY(result.body.contains("<PTOTAL>" + QByteArray::number(total) + "</PTOTAL>"));
}

KESTROVA_PANE_TEST_MAIN(E2eSearchTest)
#include "tst_e2e_search.moc"
