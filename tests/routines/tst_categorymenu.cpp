// The category menu: its three sources, the selection it makes at start, and the
// menu pane's click handler.
#include "support/CatalogFixture.h"

#include "catalog/CategoryMenu.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

const QString MenuPath = QStringLiteral("/Excel/Menu.rar");
const QString FallbackPath = QStringLiteral("/ContentPane.aspx");

// Written by hand from the documented layouts; the host is the test server's.
const QString MenuStyle =
    QStringLiteral("<style type='text/css'> a{color:#0044dd; text-decoration:none; font-size:14px} "
                   "a:hover{color:#FF5500; text-decoration:underline;} </style>");
const QString PathStyle =
    QStringLiteral("<style type='text/css'> a{color:#0044dd; text-decoration:none; font-size:12px} "
                   "a:hover{color:#FF5500; text-decoration:underline;} </style>");
const QString ChildStyle = QStringLiteral(
    "<style type='text/css'>  a{color:#0044dd; text-decoration:none; font-size:12px} "
    "a:hover{color:#FF5500; text-decoration:underline;} </style>");
const QString NoChildren =
    QStringLiteral("<br/> <p align='center' style='color:#C30; font-size:16px'>该类目下无子类</p>");

QByteArray record(const QByteArray &cid, const QByteArray &parent, const QByteArray &name)
{
    return "<item_cat><cid>" + cid + "</cid><parent_cid>" + parent + "</parent_cid><name>" + name +
           "</name><is_parent>true</is_parent></item_cat>";
}

QByteArray answer(const QByteArray &records)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><rsp>" + records + "</rsp>";
}

QString dataText(const QString &name)
{
    QFile file(QStringLiteral(KESTROVA_TEST_DATA_DIR "/catalog/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

ScriptedServer::Response page(int status, const QByteArray &contentType, const QByteArray &body)
{
    ScriptedServer::Response response;
    response.status = status;
    response.contentType = contentType;
    response.body = body;
    return response;
}

ScriptedServer::Response htmlPage(const QString &text, int status = 200)
{
    return page(status, "text/html; charset=utf-8", text.toUtf8());
}

} // namespace

class TestCategoryMenu : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void primaryAccepted();
    void fallbackAccepted_data();
    void fallbackAccepted();
    void primaryTimesOut();
    void builtFromPlatform();
    void platformWithoutRecords_data();
    void platformWithoutRecords();
    void selectionLink_data();
    void selectionLink();
    void chineseEncodedMenu_data();
    void chineseEncodedMenu();
    void offlineChangesNothing();
    void menuClick_data();
    void menuClick();
    void cancelFollowsCancelNav();

private:
    QString bodyTag(const QString &image) const;
    QString pathDocument(const QString &cid, const QString &name) const;
    // The children request for each parent id, answered from m_children.
    void serveGateway();

    std::unique_ptr<CatalogFixture> m_catalog;
    QMap<QString, QByteArray> m_children;
    // Writes seen in the path and menu panes when each gateway request arrived.
    std::shared_ptr<QList<QPair<int, int>>> m_writesAtGateway;
};

QString TestCategoryMenu::bodyTag(const QString &image) const
{
    return QStringLiteral("<body background='http://") + m_catalog->server.hostPort() +
           QStringLiteral("/images/") + image + QStringLiteral("'>");
}

QString TestCategoryMenu::pathDocument(const QString &cid, const QString &name) const
{
    return bodyTag(QStringLiteral("2.jpg")) + PathStyle +
           QStringLiteral("<a href='http://[p_cid=][cid=") + cid + QStringLiteral("][name=") +
           name + QStringLiteral("]'>") + name + QStringLiteral("</a>>>");
}

void TestCategoryMenu::serveGateway()
{
    const QMap<QString, QByteArray> children = m_children;
    auto writes = m_writesAtGateway;
    RecordingPane *menuPane = &m_catalog->context.pane1;
    RecordingPane *pathPane = &m_catalog->context.pane2;
    m_catalog->server.route(
        CatalogFixture::GatewayPath, [=](const ScriptedServer::Request &request) {
            // The window's thread waits inside the fetch while this runs.
            writes->append({pathPane->writeCount, menuPane->writeCount});
            const QString parent = request.query.value(QStringLiteral("parent_cid"));
            return page(200, "text/xml; charset=utf-8", children.value(parent, answer("")));
        });
}

void TestCategoryMenu::init()
{
    m_catalog = std::make_unique<CatalogFixture>(CatalogFixture::MakerServed);
    m_children.clear();
    m_writesAtGateway = std::make_shared<QList<QPair<int, int>>>();
}

void TestCategoryMenu::cleanup()
{
    m_catalog.reset();
}

void TestCategoryMenu::primaryAccepted()
{
    const QString menu = dataText(QStringLiteral("menu_primary.html"));
    m_catalog->server.routeFixed(MenuPath, htmlPage(menu));
    m_catalog->server.routeFixed(FallbackPath,
                                 htmlPage(dataText(QStringLiteral("menu_fallback.html"))));
    m_children.insert(QStringLiteral("30"), answer(record("50011123", "30", "衬衫")));
    serveGateway();

    LoadCategoryMenu(m_catalog->context.ctx);

    RecordingPane &menuPane = m_catalog->context.pane1;
    QCOMPARE(menuPane.text, bodyTag(QStringLiteral("1.jpg")) + menu);
    QCOMPARE(menuPane.openCount, 1);
    QCOMPARE(menuPane.writeCount, 1);
    QCOMPARE(menuPane.refreshCount, 0);
    QCOMPARE(m_catalog->context.fetcher.RequestTimeout(), 5);
    QCOMPARE(m_catalog->context.CB_Sub->count(), 2);

    // The first link at or after character 100 is 男装's; the one before it is ignored.
    MainState &state = m_catalog->context.ctx.state;
    QCOMPARE(state.CatIds, QStringList{"30"});
    QCOMPARE(state.CatNames, QStringList{"男装"});
    QCOMPARE(m_catalog->context.pane2.text, pathDocument("30", "男装"));
    QCOMPARE(m_catalog->context.pane3.text,
             bodyTag(QStringLiteral("3.jpg")) + ChildStyle +
                 "<a href='http://[p_cid=30][cid=50011123][name=衬衫]'>衬衫</a>"
                 "&nbsp&nbsp&nbsp&nbsp");

    // Menu, the children of the selection (asked after the path was drawn), its search.
    const QList<ScriptedServer::Request> requests = m_catalog->server.requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.at(0).path, MenuPath);
    QCOMPARE(requests.at(1).path, CatalogFixture::GatewayPath);
    QCOMPARE(requests.at(1).query.value(QStringLiteral("parent_cid")), QStringLiteral("30"));
    QCOMPARE(m_writesAtGateway->constFirst().first, 1);
    QCOMPARE(m_writesAtGateway->constFirst().second, 0);
    QCOMPARE(requests.at(2).path, CatalogFixture::SearchPath);
    QCOMPARE(requests.at(2).query.value(QStringLiteral("catid")), QStringLiteral("30"));
    QCOMPARE(requests.at(2).query.value(QStringLiteral("rowoffset")), QStringLiteral("0"));
}

void TestCategoryMenu::fallbackAccepted_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("primary");

    QTest::newRow("primary missing") << 404 << QStringLiteral("Not Found");
    QTest::newRow("primary error page mentioning the mark")
        << 500 << QStringLiteral("<html>女装 服务器错误</html>");
    QTest::newRow("primary without the mark")
        << 200 << QStringLiteral("<html><body>网站维护中，请稍后访问</body></html>");
    QTest::newRow("primary empty") << 200 << QString();
}

void TestCategoryMenu::fallbackAccepted()
{
    QFETCH(int, status);
    QFETCH(QString, primary);
    const QString fallback = dataText(QStringLiteral("menu_fallback.html"));
    m_catalog->server.routeFixed(MenuPath, htmlPage(primary, status));
    m_catalog->server.routeFixed(FallbackPath, htmlPage(fallback));
    serveGateway();

    LoadCategoryMenu(m_catalog->context.ctx);

    QCOMPARE(m_catalog->context.pane1.text, bodyTag(QStringLiteral("1.jpg")) + fallback);
    QCOMPARE(m_catalog->context.CB_Sub->count(), 2);
    const QList<ScriptedServer::Request> requests = m_catalog->server.requests();
    QCOMPARE(requests.size(), 4);
    QCOMPARE(requests.at(0).path, MenuPath);
    // The URL parser writes the escape's hex digits in capitals; the same octets either way.
    QCOMPARE(QByteArray(requests.at(1).target).replace("%2F", "%2f"),
             QByteArray("/ContentPane.aspx?down=ok&filepath=kestrova%2fMenu.rar"));
    QCOMPARE(requests.at(1).query.value(QStringLiteral("filepath")),
             QStringLiteral("kestrova/Menu.rar"));
    QCOMPARE(requests.at(2).query.value(QStringLiteral("parent_cid")), QStringLiteral("16"));
    QCOMPARE(requests.at(3).path, CatalogFixture::SearchPath);
    QCOMPARE(m_catalog->context.ctx.state.CatIds, QStringList{"16"});
    QCOMPARE(m_catalog->context.pane2.text, pathDocument("16", "女装/女士精品"));
}

void TestCategoryMenu::primaryTimesOut()
{
    ScriptedServer::Response silent;
    silent.kind = ScriptedServer::Response::Silent;
    m_catalog->server.routeFixed(MenuPath, silent);
    const QString fallback = dataText(QStringLiteral("menu_fallback.html"));
    m_catalog->server.routeFixed(FallbackPath, htmlPage(fallback));
    serveGateway();

    QElapsedTimer clock;
    clock.start();
    LoadCategoryMenu(m_catalog->context.ctx);
    const qint64 elapsed = clock.elapsed();

    // Given up after the five seconds the menu allows, not the fetcher's default.
    QVERIFY2(elapsed >= 4000 && elapsed < 20000, qPrintable(QString::number(elapsed)));
    QCOMPARE(m_catalog->context.pane1.text, bodyTag(QStringLiteral("1.jpg")) + fallback);
    QCOMPARE(m_catalog->server.requestCount(FallbackPath), 1);
}

void TestCategoryMenu::builtFromPlatform()
{
    m_catalog->server.routeFixed(MenuPath, htmlPage(QStringLiteral("Not Found"), 404));
    m_catalog->server.routeFixed(FallbackPath, htmlPage(QStringLiteral("文件不存在或已被删除")));
    m_children.insert(QStringLiteral("0"),
                      answer(record("11", "0", "电脑硬件/显示器/电脑周边") +
                             record("16", "0", "女装/女士精品") + record("30", "0", "男装") +
                             record("1629", "0", "大码女装")));
    m_children.insert(QStringLiteral("16"), answer(record("1622", "16", "裤子")));
    serveGateway();

    LoadCategoryMenu(m_catalog->context.ctx);

    QCOMPARE(m_catalog->context.pane1.text,
             bodyTag(QStringLiteral("1.jpg")) + MenuStyle +
                 "<nobr><a href='http://[cid=11][name=电脑硬件/显示器/电脑周边]'>"
                 "电脑硬件/显示器/电脑周边</a></nobr></br>"
                 "<nobr><a href='http://[cid=16][name=女装/女士精品]'>女装/女士精品</a></nobr></br>"
                 "<nobr><a href='http://[cid=30][name=男装]'>男装</a></nobr></br>"
                 "<nobr><a href='http://[cid=1629][name=大码女装]'>大码女装</a></nobr></br>");
    QCOMPARE(m_catalog->context.pane1.writeCount, 1);

    const QString blanks(30, QLatin1Char(' '));
    QStringList scope;
    for (int i = 0; i < m_catalog->context.CB_Sub->count(); ++i)
        scope.append(m_catalog->context.CB_Sub->itemText(i));
    QCOMPARE(scope,
             (QStringList{"当前类目", "所有类目", "电脑硬件/显示器/电脑周边" + blanks + "[11]",
                          "女装/女士精品" + blanks + "[16]", "男装" + blanks + "[30]",
                          "大码女装" + blanks + "[1629]"}));
    QCOMPARE(m_catalog->context.CB_Sub->currentText(), QStringLiteral("当前类目"));

    // Both marked names are selected, in document order, before the menu is written.
    QStringList order;
    for (const ScriptedServer::Request &request : m_catalog->server.requests()) {
        order.append(request.path == CatalogFixture::GatewayPath
                         ? "rest:" + request.query.value(QStringLiteral("parent_cid"))
                     : request.path == CatalogFixture::SearchPath
                         ? "search:" + request.query.value(QStringLiteral("catid"))
                         : request.path);
    }
    QCOMPARE(order, (QStringList{MenuPath, FallbackPath, "rest:0", "rest:16", "search:16",
                                 "rest:1629", "search:1629"}));
    // (path writes, menu writes) at each gateway request: the path comes first.
    QCOMPARE(*m_writesAtGateway, (QList<QPair<int, int>>{{0, 0}, {1, 0}, {2, 0}}));

    // The later selection's state remains.
    MainState &state = m_catalog->context.ctx.state;
    QCOMPARE(state.CatIds, QStringList{"1629"});
    QCOMPARE(state.CatNames, QStringList{"大码女装"});
    QCOMPARE(m_catalog->context.pane2.text, pathDocument("1629", "大码女装"));
    QCOMPARE(m_catalog->context.pane3.text,
             bodyTag(QStringLiteral("3.jpg")) + ChildStyle + NoChildren);
}

void TestCategoryMenu::platformWithoutRecords_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("no records") << 200 << answer("");
    QTest::newRow("gateway error") << 502 << QByteArray("Bad Gateway");
    QTest::newRow("answer is no XML") << 200 << QByteArray("<html><body>busy</body>");
}

void TestCategoryMenu::platformWithoutRecords()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    m_catalog->server.routeFixed(MenuPath, htmlPage(QString(), 404));
    m_catalog->server.routeFixed(FallbackPath, htmlPage(QString(), 404));
    m_catalog->server.routeFixed(CatalogFixture::GatewayPath, page(status, "text/xml", body));

    LoadCategoryMenu(m_catalog->context.ctx);

    QCOMPARE(m_catalog->context.pane1.text, bodyTag(QStringLiteral("1.jpg")) + MenuStyle);
    QCOMPARE(m_catalog->context.CB_Sub->count(), 2);
    QCOMPARE(m_catalog->context.pane2.openCount + m_catalog->context.pane3.openCount, 0);
    QCOMPARE(m_catalog->server.requestCount(CatalogFixture::GatewayPath), 1);
    QCOMPARE(m_catalog->server.requestCount(CatalogFixture::SearchPath), 0);
    QCOMPARE(m_catalog->context.ctx.state.CatIds, QStringList{QString()});
}

void TestCategoryMenu::selectionLink_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("cid"); // null: no selection link
    QTest::addColumn<QString>("name");

    const QString link = QStringLiteral("href='http://[cid=7][name=袜子]'>袜子</a></nobr></br>\n");
    // "女装" then blanks up to the position where the link begins (1-based).
    auto at = [](int position, const QString &rest) {
        return QStringLiteral("女装") + QString(position - 3, QLatin1Char(' ')) + rest;
    };
    QTest::newRow("only link at 99") << at(99, link) << QString() << QString();
    QTest::newRow("only link at 50") << at(50, link) << QString() << QString();
    QTest::newRow("link at 100") << at(100, link) << "7"
                                 << "袜子";
    QTest::newRow("link at 101") << at(101, link) << "7"
                                 << "袜子";
    QTest::newRow("earlier links ignored")
        << at(20, QStringLiteral("href='http://[cid=1][name=一]'>一</a>") +
                      QString(60, QLatin1Char(' ')) + link + link)
        << "7"
        << "袜子";
    QTest::newRow("short link at the end")
        << at(120, QStringLiteral("href='http://[cid=8][name=女装]")) << "8"
        << "女装";
    // A name running past the 50 characters loses its closing bracket.
    QTest::newRow("name cut at 50 characters")
        << at(120, QStringLiteral("href='http://[cid=9][name=") + QString(40, QChar(0x978b)) +
                       QStringLiteral("]'>x</a>"))
        << "9"
        << "";
    QTest::newRow("upper-case HREF only")
        << at(120, QStringLiteral("HREF='http://[cid=7][name=袜子]'>袜子</a>")) << QString()
        << QString();
}

void TestCategoryMenu::selectionLink()
{
    QFETCH(QString, menu);
    QFETCH(QString, cid);
    QFETCH(QString, name);
    m_catalog->server.routeFixed(MenuPath, htmlPage(menu));
    serveGateway();

    LoadCategoryMenu(m_catalog->context.ctx);

    QCOMPARE(m_catalog->context.pane1.text, bodyTag(QStringLiteral("1.jpg")) + menu);
    MainState &state = m_catalog->context.ctx.state;
    QCOMPARE(state.CatIds, QStringList{cid.isNull() ? QString() : cid});
    QCOMPARE(state.CatNames, QStringList{name.isNull() ? QString() : name});
    QCOMPARE(m_catalog->context.pane2.text,
             pathDocument(cid.isNull() ? QString() : cid, name.isNull() ? QString() : name));
    if (cid.isNull()) {
        // An empty selection asks for no children and has nothing to search by.
        QCOMPARE(m_catalog->context.pane3.text,
                 bodyTag(QStringLiteral("3.jpg")) + ChildStyle + NoChildren);
        QCOMPARE(m_catalog->server.requestCount(CatalogFixture::GatewayPath), 0);
        QCOMPARE(m_catalog->server.requestCount(CatalogFixture::SearchPath), 0);
        QCOMPARE(m_catalog->context.messages,
                 QStringList{QStringLiteral("搜索关键词和类目不能都为空！\r\n")});
    } else {
        QCOMPARE(m_catalog->server.requestCount(CatalogFixture::GatewayPath), 1);
        QCOMPARE(m_catalog->server.requests().at(1).query.value(QStringLiteral("parent_cid")), cid);
        QCOMPARE(m_catalog->server.requestCount(CatalogFixture::SearchPath), 1);
    }
    QCOMPARE(m_catalog->server.requestCount(FallbackPath), 0);
}

void TestCategoryMenu::chineseEncodedMenu_data()
{
    QTest::addColumn<QByteArray>("contentType");

    QTest::newRow("declared GBK") << QByteArray("text/html; charset=GBK");
    QTest::newRow("undeclared") << QByteArray("application/octet-stream");
}

void TestCategoryMenu::chineseEncodedMenu()
{
    QFETCH(QByteArray, contentType);
    const QString menu = dataText(QStringLiteral("menu_primary.html"));
    QStringEncoder toGbk("GBK");
    QVERIFY(toGbk.isValid());
    const QByteArray gbk = toGbk.encode(menu);
    QVERIFY(gbk != menu.toUtf8());
    m_catalog->server.routeFixed(MenuPath, page(200, contentType, gbk));
    serveGateway();

    LoadCategoryMenu(m_catalog->context.ctx);

    QCOMPARE(m_catalog->context.pane1.text, bodyTag(QStringLiteral("1.jpg")) + menu);
    QCOMPARE(m_catalog->server.requestCount(FallbackPath), 0);
    // Positions count characters of the decoded text, not bytes.
    QCOMPARE(m_catalog->context.ctx.state.CatNames, QStringList{"男装"});
}

void TestCategoryMenu::offlineChangesNothing()
{
    m_catalog->server.routeFixed(MenuPath, htmlPage(dataText(QStringLiteral("menu_primary.html"))));
    serveGateway();
    m_catalog->context.ctx.state.IsOnline = false;
    const int timeout = m_catalog->context.fetcher.RequestTimeout();

    LoadCategoryMenu(m_catalog->context.ctx);

    QCOMPARE(m_catalog->server.requestCount(), 0);
    QCOMPARE(m_catalog->context.pane1.openCount + m_catalog->context.pane1.writeCount, 0);
    QCOMPARE(m_catalog->context.pane2.openCount + m_catalog->context.pane3.openCount, 0);
    QCOMPARE(m_catalog->context.CB_Sub->count(), 2);
    QCOMPARE(m_catalog->context.fetcher.RequestTimeout(), timeout);
    QCOMPARE(m_catalog->context.ctx.state.CatIds, QStringList{QString()});
}

void TestCategoryMenu::menuClick_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("acts");

    QTest::newRow("program navigation, flags 0") << 0 << false;
    QTest::newRow("link click, flags 64") << 64 << true;
    QTest::newRow("flags 64 and another bit") << (64 | 2) << false;
    QTest::newRow("flags 64 and a high bit") << (64 | 0x1000) << false;
    QTest::newRow("another bit alone") << 4 << false;
}

void TestCategoryMenu::menuClick()
{
    QFETCH(int, flags);
    QFETCH(bool, acts);
    m_children.insert(QStringLiteral("30"), answer(record("50011123", "30", "衬衫")));
    serveGateway();
    MainState &state = m_catalog->context.ctx.state;
    state.CatIds = QStringList{"16", "1622"};
    state.CatNames = QStringList{"女装/女士精品", "裤子"};
    state.CatParentIds = QStringList{"", "16"};
    m_catalog->context.TB_Search->setText(QStringLiteral("棉"));

    const bool cancel =
        m_catalog->context.pane1.click(QStringLiteral("http://[cid=30][name=男装]"), flags);

    QVERIFY(cancel);
    if (!acts) {
        QCOMPARE(m_catalog->context.TB_Search->text(), QStringLiteral("棉"));
        QCOMPARE(state.CatIds, (QStringList{"16", "1622"}));
        QCOMPARE(m_catalog->context.pane2.openCount + m_catalog->context.pane3.openCount, 0);
        QCOMPARE(m_catalog->server.requestCount(), 0);
        return;
    }
    QCOMPARE(m_catalog->context.TB_Search->text(), QString());
    QCOMPARE(state.CatIds, QStringList{"30"});
    QCOMPARE(m_catalog->context.pane2.text, pathDocument("30", "男装"));
    // Children before the path in a click.
    QCOMPARE(m_writesAtGateway->constFirst().first, 0);
    const QList<ScriptedServer::Request> requests = m_catalog->server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).query.value(QStringLiteral("parent_cid")), QStringLiteral("30"));
    // The keyword box was emptied first: the search is by category alone.
    QCOMPARE(requests.at(1).path, CatalogFixture::SearchPath);
    QCOMPARE(requests.at(1).query.value(QStringLiteral("catid")), QStringLiteral("30"));
    QCOMPARE(requests.at(1).query.value(QStringLiteral("keyword")), QString());
}

void TestCategoryMenu::cancelFollowsCancelNav()
{
    serveGateway();
    m_catalog->context.ctx.state.CancelNav = false;
    QVERIFY(!m_catalog->context.pane1.click(QStringLiteral("http://[cid=30][name=男装]"), 0));
    m_catalog->context.ctx.state.CancelNav = true;
    QVERIFY(m_catalog->context.pane1.click(QStringLiteral("http://[cid=30][name=男装]"), 0));
    QCOMPARE(m_catalog->server.requestCount(), 0);
}

QTEST_MAIN(TestCategoryMenu)
#include "tst_categorymenu.moc"
