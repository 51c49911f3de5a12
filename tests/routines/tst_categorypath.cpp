// The category path: how each kind of link changes it, what the path pane shows,
// the page reset, and the path pane's click handler.
#include "support/CatalogFixture.h"

#include "catalog/CategoryPath.h"

#include <QtTest>

namespace {

// Written by hand from the documented layout of the path pane.
const QString PathHead =
    QStringLiteral("<body background='http://maker.example/images/2.jpg'>"
                   "<style type='text/css'> a{color:#0044dd; text-decoration:none; font-size:12px} "
                   "a:hover{color:#FF5500; text-decoration:underline;} </style>");

// "a|b" is a list of two; a null text the list not yet allocated.
QStringList split(const QString &text)
{
    return text.isNull() ? QStringList() : text.split(QLatin1Char('|'));
}

} // namespace

class TestCategoryPath : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pathFromLink_data();
    void pathFromLink();
    void scopeBoxBackToCurrentCategory();
    void pageReset_data();
    void pageReset();
    void offlineChangesNothing();
    void clickInPath_data();
    void clickInPath();

private:
    std::unique_ptr<CatalogFixture> m_catalog;
};

void TestCategoryPath::init()
{
    // Nothing is fetched from the maker's host here; it only names the images.
    m_catalog = std::make_unique<CatalogFixture>();
    m_catalog->server.routeFixed(CatalogFixture::GatewayPath,
                                 ScriptedServer::Response::xml("<?xml version=\"1.0\"?><rsp/>"));
}

void TestCategoryPath::cleanup()
{
    m_catalog.reset();
}

void TestCategoryPath::pathFromLink_data()
{
    QTest::addColumn<QString>("ids");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("parents");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("expectedIds");
    QTest::addColumn<QString>("expectedNames");
    QTest::addColumn<QString>("expectedParents");
    QTest::addColumn<QString>("expectedDocument");

    // As after load: one empty entry, no parent ids yet.
    QTest::newRow("menu link at start")
        << ""
        << "" << QString() << "http://[cid=16][name=女装/女士精品]"
        << "16"
        << "女装/女士精品"
        << ""
        << PathHead + "<a href='http://[p_cid=][cid=16][name=女装/女士精品]'>女装/女士精品</a>>>";
    QTest::newRow("menu link replaces a long path")
        << "16|1623|162302"
        << "女装|裤子|休闲裤"
        << "|16|1623"
        << "http://[cid=30][name=男装]"
        << "30"
        << "男装"
        << "" << PathHead + "<a href='http://[p_cid=][cid=30][name=男装]'>男装</a>>>";
    QTest::newRow("child link")
        << "16|1623"
        << "女装|裤子"
        << "|16"
        << "http://[p_cid=1623][cid=162302][name=休闲裤]"
        << "16|1623|162302"
        << "女装|裤子|休闲裤"
        << "|16|1623"
        << PathHead + "<a href='http://[p_cid=][cid=16][name=女装]'>女装</a>>>"
                      "<a href='http://[p_cid=16][cid=1623][name=裤子]'>裤子</a>>>"
                      "<a href='http://[p_cid=1623][cid=162302][name=休闲裤]'>休闲裤</a>>>";
    QTest::newRow("path element 0")
        << "16|1623|162302"
        << "女装|裤子|休闲裤"
        << "|16|1623"
        << "http://[p_cid=][cid=16][name=女装]"
        << "16"
        << "女装"
        << "" << PathHead + "<a href='http://[p_cid=][cid=16][name=女装]'>女装</a>>>";
    QTest::newRow("path element 1 of 4")
        << "16|1623|162302|9"
        << "女装|裤子|休闲裤|x"
        << "|16|1623|162302"
        << "http://[p_cid=16][cid=1623][name=裤子]"
        << "16|1623"
        << "女装|裤子"
        << "|16"
        << PathHead + "<a href='http://[p_cid=][cid=16][name=女装]'>女装</a>>>"
                      "<a href='http://[p_cid=16][cid=1623][name=裤子]'>裤子</a>>>";
    QTest::newRow("last path element")
        << "16|1623"
        << "女装|裤子"
        << "|16"
        << "http://[p_cid=16][cid=1623][name=裤子]"
        << "16|1623"
        << "女装|裤子"
        << "|16"
        << PathHead + "<a href='http://[p_cid=][cid=16][name=女装]'>女装</a>>>"
                      "<a href='http://[p_cid=16][cid=1623][name=裤子]'>裤子</a>>>";
    QTest::newRow("sibling replaces the last element")
        << "16|1623"
        << "女装|裤子"
        << "|16"
        << "http://[p_cid=16][cid=1624][name=裙子]"
        << "16|1624"
        << "女装|裙子"
        << "|16"
        << PathHead + "<a href='http://[p_cid=][cid=16][name=女装]'>女装</a>>>"
                      "<a href='http://[p_cid=16][cid=1624][name=裙子]'>裙子</a>>>";
    QTest::newRow("unknown p_cid leaves the path")
        << "16|1623"
        << "女装|裤子"
        << "|16"
        << "http://[p_cid=777][cid=778][name=别处]"
        << "16|1623"
        << "女装|裤子"
        << "|16"
        << PathHead + "<a href='http://[p_cid=][cid=16][name=女装]'>女装</a>>>"
                      "<a href='http://[p_cid=16][cid=1623][name=裤子]'>裤子</a>>>";
    QTest::newRow("unknown p_cid before any path")
        << ""
        << "" << QString() << "http://[p_cid=777][cid=778][name=别处]"
        << ""
        << "" << QString() << PathHead + "<a href='http://[p_cid=][cid=][name=]'></a>>>";
    QTest::newRow("empty link") << "16|1623"
                                << "女装|裤子"
                                << "|16"
                                << ""
                                << ""
                                << ""
                                << "" << PathHead + "<a href='http://[p_cid=][cid=][name=]'></a>>>";
    // Written unescaped, a "]" in a name cuts the name when read back.
    QTest::newRow("name holding a bracket")
        << ""
        << "" << QString() << "http://[cid=5][name=a]b]"
        << "5"
        << "a"
        << "" << PathHead + "<a href='http://[p_cid=][cid=5][name=a]'>a</a>>>";
}

void TestCategoryPath::pathFromLink()
{
    QFETCH(QString, ids);
    QFETCH(QString, names);
    QFETCH(QString, parents);
    QFETCH(QString, link);
    QFETCH(QString, expectedIds);
    QFETCH(QString, expectedNames);
    QFETCH(QString, expectedParents);
    QFETCH(QString, expectedDocument);

    MainState &state = m_catalog->context.ctx.state;
    state.CatIds = split(ids);
    state.CatNames = split(names);
    state.CatParentIds = split(parents);

    ShowCategoryPath(m_catalog->context.ctx, link);

    QCOMPARE(state.CatIds, split(expectedIds));
    QCOMPARE(state.CatNames, split(expectedNames));
    QCOMPARE(state.CatParentIds, split(expectedParents));
    RecordingPane &pane = m_catalog->context.pane2;
    QCOMPARE(pane.text, expectedDocument);
    QCOMPARE(pane.openCount, 1);
    QCOMPARE(pane.writeCount, 1);
    QCOMPARE(pane.refreshCount, 1);
    // The path alone asks no server anything.
    QCOMPARE(m_catalog->server.requestCount(), 0);
}

void TestCategoryPath::scopeBoxBackToCurrentCategory()
{
    QComboBox *scope = m_catalog->context.CB_Sub;
    scope->addItem(QStringLiteral("女装/女士精品") + QString(30, QLatin1Char(' ')) +
                   QStringLiteral("[16]"));
    scope->setCurrentIndex(2);
    ShowCategoryPath(m_catalog->context.ctx, QStringLiteral("http://[cid=16][name=女装]"));
    QCOMPARE(scope->currentText(), QStringLiteral("当前类目"));
    QCOMPARE(scope->count(), 3);

    scope->setCurrentIndex(1);
    ShowCategoryPath(m_catalog->context.ctx,
                     QStringLiteral("http://[p_cid=16][cid=1623][name=裤子]"));
    QCOMPARE(scope->currentText(), QStringLiteral("当前类目"));
}

void TestCategoryPath::pageReset_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("expectedEntries");

    QTest::newRow("one page, no current entry") << QStringList{"1"} << -1 << QStringList{"1"};
    QTest::newRow("three pages, third shown")
        << QStringList{"1", "2", "3"} << 2 << QStringList{"1", "2", "3"};
    QTest::newRow("empty list") << QStringList{} << -1 << QStringList{"1"};
}

void TestCategoryPath::pageReset()
{
    QFETCH(QStringList, entries);
    QFETCH(int, current);
    QFETCH(QStringList, expectedEntries);

    QComboBox *pages = m_catalog->context.CB_page;
    MainState &state = m_catalog->context.ctx.state;
    state.UiReady = false;
    pages->clear();
    pages->addItems(entries);
    pages->setCurrentIndex(current);
    state.UiReady = true;
    state.PageText = pages->currentText();
    state.RowOffset = QStringLiteral("40");

    ShowCategoryPath(m_catalog->context.ctx, QStringLiteral("http://[cid=16][name=女装]"));

    QStringList after;
    for (int i = 0; i < pages->count(); ++i)
        after.append(pages->itemText(i));
    QCOMPARE(after, expectedEntries);
    QCOMPARE(pages->currentText(), QStringLiteral("1"));
    QCOMPARE(state.PageText, QStringLiteral("1"));
    QCOMPARE(state.RowOffset, QStringLiteral("0"));
    QVERIFY(state.UiReady);
    // Changing the page list from code started no search of its own.
    QCOMPARE(m_catalog->server.requestCount(CatalogFixture::SearchPath), 0);
}

void TestCategoryPath::offlineChangesNothing()
{
    MainState &state = m_catalog->context.ctx.state;
    state.IsOnline = false;
    state.CatIds = QStringList{"16", "1623"};
    state.CatNames = QStringList{"女装", "裤子"};
    state.CatParentIds = QStringList{"", "16"};
    state.PageText = QStringLiteral("3");
    state.RowOffset = QStringLiteral("40");
    m_catalog->context.CB_Sub->setCurrentIndex(1);
    m_catalog->context.CB_page->addItems({"2", "3"});
    m_catalog->context.CB_page->setCurrentIndex(2);

    ShowCategoryPath(m_catalog->context.ctx, QStringLiteral("http://[cid=30][name=男装]"));
    bool cancel =
        m_catalog->context.pane2.click(QStringLiteral("http://[p_cid=][cid=16][name=女装]"));

    QVERIFY(cancel);
    QCOMPARE(state.CatIds, (QStringList{"16", "1623"}));
    QCOMPARE(state.CatNames, (QStringList{"女装", "裤子"}));
    QCOMPARE(state.CatParentIds, (QStringList{"", "16"}));
    QCOMPARE(state.PageText, QStringLiteral("3"));
    QCOMPARE(state.RowOffset, QStringLiteral("40"));
    QCOMPARE(m_catalog->context.CB_Sub->currentIndex(), 1);
    QCOMPARE(m_catalog->context.CB_page->currentText(), QStringLiteral("3"));
    QCOMPARE(m_catalog->context.pane2.openCount + m_catalog->context.pane2.writeCount, 0);
    QCOMPARE(m_catalog->context.pane3.openCount + m_catalog->context.pane3.writeCount, 0);
    QCOMPARE(m_catalog->server.requestCount(), 0);
}

void TestCategoryPath::clickInPath_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("acts");

    QTest::newRow("program navigation, flags 0") << 0 << false;
    QTest::newRow("link click, flags 64") << 64 << true;
    QTest::newRow("flags 64 and another bit") << (64 | 4) << true;
    QTest::newRow("another bit alone") << 2 << true;
}

void TestCategoryPath::clickInPath()
{
    QFETCH(int, flags);
    QFETCH(bool, acts);

    MainState &state = m_catalog->context.ctx.state;
    state.CatIds = QStringList{"16", "1623", "162302"};
    state.CatNames = QStringList{"女装", "裤子", "休闲裤"};
    state.CatParentIds = QStringList{"", "16", "1623"};
    m_catalog->context.TB_Search->setText(QStringLiteral("棉"));

    const bool cancel =
        m_catalog->context.pane2.click(QStringLiteral("http://[p_cid=][cid=16][name=女装]"), flags);
    QVERIFY(cancel);
    // The path pane keeps the typed keyword either way.
    QCOMPARE(m_catalog->context.TB_Search->text(), QStringLiteral("棉"));
    if (!acts) {
        QCOMPARE(state.CatIds, (QStringList{"16", "1623", "162302"}));
        QCOMPARE(m_catalog->context.pane2.openCount + m_catalog->context.pane3.openCount, 0);
        QCOMPARE(m_catalog->server.requestCount(), 0);
        return;
    }
    QCOMPARE(state.CatIds, QStringList{"16"});
    QCOMPARE(m_catalog->context.pane2.text,
             PathHead + "<a href='http://[p_cid=][cid=16][name=女装]'>女装</a>>>");
    // Children of the clicked element, then the search in it with the typed keyword.
    const QList<ScriptedServer::Request> requests = m_catalog->server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).path, QStringLiteral("/router/rest"));
    QCOMPARE(requests.at(0).query.value(QStringLiteral("parent_cid")), QStringLiteral("16"));
    QCOMPARE(requests.at(1).path, CatalogFixture::SearchPath);
    QCOMPARE(requests.at(1).query.value(QStringLiteral("catid")), QStringLiteral("16"));
    QCOMPARE(requests.at(1).query.value(QStringLiteral("keyword")), QStringLiteral("棉"));
    QCOMPARE(requests.at(1).query.value(QStringLiteral("rowoffset")), QStringLiteral("0"));
}

QTEST_MAIN(TestCategoryPath)
#include "tst_categorypath.moc"
