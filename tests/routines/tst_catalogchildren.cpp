// The child categories of a selection: the request, the child pane's document for
// each kind of answer, the page reset, and the child pane's click handler.
#include "support/CatalogFixture.h"

#include "catalog/ChildCategories.h"

#include <QtTest>

#include <atomic>
#include <memory>

namespace {

// Written by hand from the documented layout of the child pane (two blanks after
// the style tag, unlike the path pane).
const QString ChildHead = QStringLiteral(
    "<body background='http://maker.example/images/3.jpg'>"
    "<style type='text/css'>  a{color:#0044dd; text-decoration:none; font-size:12px} "
    "a:hover{color:#FF5500; text-decoration:underline;} </style>");
const QString NoChildren =
    QStringLiteral("<br/> <p align='center' style='color:#C30; font-size:16px'>该类目下无子类</p>");
const QString Gap = QStringLiteral("&nbsp&nbsp&nbsp&nbsp");

QByteArray record(const QByteArray &cid, const QByteArray &parent, const QByteArray &name)
{
    return "<item_cat><cid>" + cid + "</cid><parent_cid>" + parent + "</parent_cid><name>" + name +
           "</name><is_parent>false</is_parent><status>normal</status></item_cat>";
}

QByteArray answer(const QByteArray &records)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><rsp>" + records + "</rsp>";
}

} // namespace

class TestCatalogChildren : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void childPane_data();
    void childPane();
    void pageResetKeepsEntries();
    void offlineChangesNothing();
    void clickInChildPane_data();
    void clickInChildPane();

private:
    void serveChildren(int status, const QByteArray &contentType, const QByteArray &body);

    std::unique_ptr<CatalogFixture> m_catalog;
};

void TestCatalogChildren::init()
{
    m_catalog = std::make_unique<CatalogFixture>();
}

void TestCatalogChildren::cleanup()
{
    m_catalog.reset();
}

void TestCatalogChildren::serveChildren(int status, const QByteArray &contentType,
                                        const QByteArray &body)
{
    ScriptedServer::Response response;
    response.status = status;
    response.contentType = contentType;
    response.body = body;
    m_catalog->server.routeFixed(CatalogFixture::GatewayPath, response);
}

void TestCatalogChildren::childPane_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expectedCid"); // asked for; null when no request is made
    QTest::addColumn<QString>("expectedDocument");

    const QString link = QStringLiteral("http://[p_cid=16][cid=1623][name=裤子]");
    QTest::newRow("three children in document order")
        << link << 200
        << answer(record("162302", "1623", "休闲裤") + record("162301", "1623", "牛仔裤") +
                  record("162303", "1623", "打底裤"))
        << "1623"
        << ChildHead + "<a href='http://[p_cid=1623][cid=162302][name=休闲裤]'>休闲裤</a>" + Gap +
               "<a href='http://[p_cid=1623][cid=162301][name=牛仔裤]'>牛仔裤</a>" + Gap +
               "<a href='http://[p_cid=1623][cid=162303][name=打底裤]'>打底裤</a>" + Gap;
    QTest::newRow("leaf") << link << 200 << answer("") << "1623" << ChildHead + NoChildren;
    QTest::newRow("records with an empty or missing cid are skipped")
        << link << 200
        << answer(record("", "1623", "空") + record("162301", "1623", "牛仔裤") +
                  "<item_cat><parent_cid>1623</parent_cid><name>缺</name></item_cat>")
        << "1623"
        << ChildHead + "<a href='http://[p_cid=1623][cid=162301][name=牛仔裤]'>牛仔裤</a>" + Gap;
    QTest::newRow("only empty cids")
        << link << 200 << answer(record("", "1623", "空") + record("", "", "")) << "1623"
        << ChildHead + NoChildren;
    QTest::newRow("empty parent_cid gives an empty p_cid field")
        << link << 200 << answer(record("50", "", "散件")) << "1623"
        << ChildHead + "<a href='http://[p_cid=][cid=50][name=散件]'>散件</a>" + Gap;
    QTest::newRow("names and ids go in unescaped")
        << link << 200 << answer(record("7", "1623", "It's &lt;b&gt;")) << "1623"
        << ChildHead + "<a href='http://[p_cid=1623][cid=7][name=It's <b>]'>It's <b></a>" + Gap;
    QTest::newRow("gateway error")
        << link << 500 << QByteArray("oops") << "1623" << ChildHead + NoChildren;
    QTest::newRow("answer is no XML")
        << link << 200 << QByteArray("<html><body>busy") << "1623" << ChildHead + NoChildren;
    QTest::newRow("menu link") << QStringLiteral("http://[cid=16][name=女装/女士精品]") << 200
                               << answer(record("1623", "16", "裤子")) << "16"
                               << ChildHead +
                                      "<a href='http://[p_cid=16][cid=1623][name=裤子]'>裤子</a>" +
                                      Gap;
    QTest::newRow("link without cid asks nothing")
        << QStringLiteral("http://[name=女装]") << 200 << answer(record("1623", "16", "裤子"))
        << QString() << ChildHead + NoChildren;
}

void TestCatalogChildren::childPane()
{
    QFETCH(QString, link);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, expectedCid);
    QFETCH(QString, expectedDocument);
    serveChildren(status, "text/xml; charset=utf-8", body);
    m_catalog->context.CB_Sub->setCurrentIndex(1);
    m_catalog->context.ctx.state.PageText = QStringLiteral("2");
    m_catalog->context.ctx.state.RowOffset = QStringLiteral("20");

    ShowChildCategories(m_catalog->context.ctx, link);

    RecordingPane &pane = m_catalog->context.pane3;
    QCOMPARE(pane.text, expectedDocument);
    QCOMPARE(pane.openCount, 1);
    QCOMPARE(pane.writeCount, 1);
    QCOMPARE(pane.refreshCount, 1);
    if (expectedCid.isNull()) {
        QCOMPARE(m_catalog->server.requestCount(), 0);
    } else {
        QCOMPARE(m_catalog->server.requestCount(), 1);
        const ScriptedServer::Request request = m_catalog->server.requests().constFirst();
        QCOMPARE(request.path, CatalogFixture::GatewayPath);
        QCOMPARE(request.query.value(QStringLiteral("method")),
                 QStringLiteral("taobao.itemcats.get.v2"));
        QCOMPARE(request.query.value(QStringLiteral("parent_cid")), expectedCid);
    }
    QCOMPARE(m_catalog->context.CB_Sub->currentText(), QStringLiteral("当前类目"));
    QCOMPARE(m_catalog->context.ctx.state.PageText, QStringLiteral("1"));
    QCOMPARE(m_catalog->context.ctx.state.RowOffset, QStringLiteral("0"));
    // The path is not this routine's.
    QCOMPARE(m_catalog->context.ctx.state.CatIds, QStringList{QString()});
    QCOMPARE(m_catalog->context.pane2.openCount, 0);
}

void TestCatalogChildren::pageResetKeepsEntries()
{
    serveChildren(200, "text/xml", answer(""));
    MainState &state = m_catalog->context.ctx.state;
    QComboBox *pages = m_catalog->context.CB_page;
    state.UiReady = false;
    pages->addItems({"2", "3"});
    pages->setCurrentIndex(2);
    state.UiReady = true;
    state.PageText = QStringLiteral("3");
    state.RowOffset = QStringLiteral("40");

    ShowChildCategories(m_catalog->context.ctx, QStringLiteral("http://[cid=16][name=女装]"));

    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->itemText(0), QStringLiteral("1"));
    QCOMPARE(pages->itemText(2), QStringLiteral("3"));
    QCOMPARE(pages->currentText(), QStringLiteral("1"));
    QCOMPARE(state.PageText, QStringLiteral("1"));
    QCOMPARE(state.RowOffset, QStringLiteral("0"));
    QVERIFY(state.UiReady);
    QCOMPARE(m_catalog->server.requestCount(CatalogFixture::SearchPath), 0);
}

void TestCatalogChildren::offlineChangesNothing()
{
    serveChildren(200, "text/xml", answer(record("1623", "16", "裤子")));
    MainState &state = m_catalog->context.ctx.state;
    state.IsOnline = false;
    state.PageText = QStringLiteral("2");
    state.RowOffset = QStringLiteral("20");
    m_catalog->context.CB_Sub->setCurrentIndex(1);

    ShowChildCategories(m_catalog->context.ctx, QStringLiteral("http://[cid=16][name=女装]"));
    QVERIFY(
        m_catalog->context.pane3.click(QStringLiteral("http://[p_cid=16][cid=1623][name=裤子]")));

    QCOMPARE(m_catalog->context.pane3.openCount + m_catalog->context.pane3.writeCount, 0);
    QCOMPARE(m_catalog->context.pane2.openCount + m_catalog->context.pane2.writeCount, 0);
    QCOMPARE(m_catalog->context.CB_Sub->currentIndex(), 1);
    QCOMPARE(state.PageText, QStringLiteral("2"));
    QCOMPARE(state.RowOffset, QStringLiteral("20"));
    QCOMPARE(m_catalog->server.requestCount(), 0);
}

void TestCatalogChildren::clickInChildPane_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("acts");

    QTest::newRow("program navigation, flags 0") << 0 << false;
    QTest::newRow("link click, flags 64") << 64 << true;
    QTest::newRow("flags 64 and another bit") << (64 | 0x100) << true;
}

void TestCatalogChildren::clickInChildPane()
{
    QFETCH(int, flags);
    QFETCH(bool, acts);

    MainState &state = m_catalog->context.ctx.state;
    state.CatIds = QStringList{"16"};
    state.CatNames = QStringList{"女装"};
    state.CatParentIds = QStringList{""};
    m_catalog->context.TB_Search->setText(QStringLiteral("棉"));
    // Children come before the path in a click: note what the path pane held
    // when the child request arrived.
    auto pathWritesAtRequest = std::make_shared<std::atomic<int>>(-1);
    RecordingPane *pathPane = &m_catalog->context.pane2;
    // The grandchildren of 1623, whatever is asked (only 1623 is clicked).
    const QByteArray body =
        answer(record("162301", "1623", "牛仔裤") + record("162302", "1623", "休闲裤"));
    m_catalog->server.route(CatalogFixture::GatewayPath,
                            [pathWritesAtRequest, pathPane, body](const auto &) {
                                // The window's thread waits inside the fetch while this runs.
                                pathWritesAtRequest->store(pathPane->writeCount);
                                return ScriptedServer::Response::xml(body);
                            });

    const bool cancel = m_catalog->context.pane3.click(
        QStringLiteral("http://[p_cid=16][cid=1623][name=裤子]"), flags);

    QVERIFY(cancel);
    QCOMPARE(m_catalog->context.TB_Search->text(), QStringLiteral("棉"));
    if (!acts) {
        QCOMPARE(state.CatIds, QStringList{"16"});
        QCOMPARE(m_catalog->context.pane3.openCount + m_catalog->context.pane2.openCount, 0);
        QCOMPARE(m_catalog->server.requestCount(), 0);
        return;
    }
    QCOMPARE(pathWritesAtRequest->load(), 0);
    QCOMPARE(state.CatIds, (QStringList{"16", "1623"}));
    QCOMPARE(state.CatNames, (QStringList{"女装", "裤子"}));
    QCOMPARE(m_catalog->context.pane3.text,
             ChildHead + "<a href='http://[p_cid=1623][cid=162301][name=牛仔裤]'>牛仔裤</a>" + Gap +
                 "<a href='http://[p_cid=1623][cid=162302][name=休闲裤]'>休闲裤</a>" + Gap);
    QCOMPARE(m_catalog->context.pane2.writeCount, 1);
    const QList<ScriptedServer::Request> requests = m_catalog->server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).query.value(QStringLiteral("parent_cid")), QStringLiteral("1623"));
    QCOMPARE(requests.at(1).path, CatalogFixture::SearchPath);
    QCOMPARE(requests.at(1).query.value(QStringLiteral("catid")), QStringLiteral("1623"));
    QCOMPARE(requests.at(1).query.value(QStringLiteral("keyword")), QStringLiteral("棉"));
}

QTEST_MAIN(TestCatalogChildren)
#include "tst_catalogchildren.moc"
