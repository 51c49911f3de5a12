// The result page: grid document, count labels, page list and the fetch loop,
// on real widgets against a scripted loopback search service.
#include "support/ContextFixture.h"
#include "support/ScriptedServer.h"
#include "support/TestConfiguration.h"

#include "handlers/Form1Routines.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "requests/RandomGenerator.h"
#include "search/ResultGrid.h"
#include "search/ResultPage.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString SearchPath = QStringLiteral("/rpc/searchAuctionByRpc.do");
const QString MemberId = QStringLiteral("31415926");

struct Item
{
    QString title, picture, price, id, sold, contact, member;
};

QString element(const QString &tag, const QString &value)
{
    return QLatin1Char('<') + tag + QLatin1Char('>') + value.toHtmlEscaped() +
           QStringLiteral("</") + tag + QLatin1Char('>');
}

// A search answer; total null leaves PTOTAL out.
QByteArray searchAnswer(const QString &total, const QList<Item> &items)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><ROOT>");
    if (!total.isNull())
        xml += element(QStringLiteral("PTOTAL"), total);
    xml += QStringLiteral("<PRESULTS>");
    for (const Item &item : items) {
        xml += QStringLiteral("<AUCTION>") + element(QStringLiteral("TITLE"), item.title) +
               element(QStringLiteral("RESOURCEPATH"), item.picture) +
               element(QStringLiteral("PRICE"), item.price) +
               element(QStringLiteral("ORIOBJID"), item.id) +
               element(QStringLiteral("TOTALACTION"), item.sold) +
               element(QStringLiteral("CONTACT"), item.contact) +
               element(QStringLiteral("MEMBERID"), item.member) + QStringLiteral("</AUCTION>");
    }
    xml += QStringLiteral("</PRESULTS></ROOT>");
    return xml.toUtf8();
}

ScriptedServer::Response xmlResponse(const QByteArray &body)
{
    ScriptedServer::Response response;
    response.body = body;
    return response;
}

QStringList testPool()
{
    QStringList tokens;
    for (int i = 0; i < 54; ++i)
        tokens.append(QStringLiteral("Tk%1x==").arg(i, 2, 10, QLatin1Char('0')));
    tokens[7] = QStringLiteral("Ab%2Bc%2Fd%3D"); // stored already escaped, sent as stored
    return tokens;
}

// The pw value exactly as it stood in the request line.
QString rawToken(const QByteArray &target)
{
    const qsizetype start = target.indexOf("pw=") + 3;
    const qsizetype end = target.indexOf('&', start);
    return QString::fromLatin1(target.mid(start, end - start));
}

QStringList entries(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->itemText(i));
    return texts;
}

QStringList pages(int count)
{
    return TestConfiguration::pageTexts(count);
}

} // namespace

class ResultPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void styleBlockIsTheFixedLiteral();
    void gridOfThreeRecordsMatchesExpectedDocument();
    void priceIsHundredthsAsDecimalText_data();
    void priceIsHundredthsAsDecimalText();
    void countLabelsNameTheScope_data();
    void countLabelsNameTheScope();
    void pageListFollowsTotal_data();
    void pageListFollowsTotal();
    void pageTextMissingFromNewListLeavesNoCurrentEntry();
    void pageTextPresentBecomesCurrent();
    void requestCarriesTheCriteria();
    void answersWithoutTotalAreAskedFourTimes_data();
    void answersWithoutTotalAreAskedFourTimes();
    void timeoutAnswerIsAskedAgainButBounded_data();
    void timeoutAnswerIsAskedAgainButBounded();
    void validationMessageMakesNoRequest();
    void offlineDoesNothing();

private:
    void serve(const QByteArray &body);

    ScriptedServer m_server;
    std::unique_ptr<ContextFixture> m_f;
};

void ResultPageTest::initTestCase()
{
    Configuration config = Configuration::compiledIn();
    config.makerHost = m_server.hostPort();
    config.affiliateHost = m_server.hostPort();
    config.memberId = MemberId;
    Configuration::install(config);
    AccessTokenPool::fill(testPool());
}

void ResultPageTest::init()
{
    RandomGenerator::restart();
    m_server.clearRequests();
    m_f = std::make_unique<ContextFixture>();
    m_f->makeLoaded();
    m_f->TB_Search->setText(QStringLiteral("scarf"));
    m_f->ctx.state.PageText = QStringLiteral("1");
    m_f->ctx.state.RowOffset = QStringLiteral("0");
}

void ResultPageTest::cleanup()
{
    m_f.reset();
}

void ResultPageTest::serve(const QByteArray &body)
{
    m_server.routeFixed(SearchPath, xmlResponse(body));
}

void ResultPageTest::styleBlockIsTheFixedLiteral()
{
    const QString style = ResultGrid::styleBlock();
    QCOMPARE(style.size(), 952);
    QVERIFY(
        style.startsWith(QStringLiteral("<style type='text/css'>body { margin: 0; padding: 0;  ")));
    QVERIFY(style.endsWith(QStringLiteral("</style><div class='listbox'><dl>")));
}

void ResultPageTest::gridOfThreeRecordsMatchesExpectedDocument()
{
    serve(searchAnswer(
        QStringLiteral("3"),
        {{QStringLiteral("Red <b>Scarf</b>"), QStringLiteral("http://img.example/p/1001.jpg"),
          QStringLiteral("1999"), QStringLiteral("1001"), QStringLiteral("12"),
          QStringLiteral("小店A"), QStringLiteral("M01seller")},
         {QString(), QStringLiteral("http://img.example/p/1002.jpg"), QStringLiteral("500"),
          QStringLiteral("1002"), QStringLiteral("7"), QStringLiteral("hidden shop"),
          QStringLiteral("m02")},
         {QStringLiteral("羊毛外套 冬季"), QStringLiteral("http://img.example/p/1003.jpg"),
          QStringLiteral("2000"), QStringLiteral("1003"), QStringLiteral("0"),
          QStringLiteral("shop three"), QStringLiteral("m03")}}));

    ShowSearchResults(m_f->ctx, QStringLiteral("http://[cid=1][name=ignored]"));

    QFile file(QStringLiteral(KESTROVA_TEST_DATA_DIR "/search/grid-three-records.html"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The expected document is kept one piece a line; the document itself has no line breaks.
    QString expected = QString::fromUtf8(file.readAll()).remove(QLatin1Char('\n'));
    expected.replace(QStringLiteral("@MAKER@"), m_server.hostPort());

    QCOMPARE(m_f->pane4.text, expected);
    QCOMPARE(m_f->pane4.openCount, 1);
    QCOMPARE(m_f->pane4.writeCount, 1);
    QCOMPARE(m_f->pane4.refreshCount, 1);
    QCOMPARE(m_server.requestCount(SearchPath), 1);
}

void ResultPageTest::priceIsHundredthsAsDecimalText_data()
{
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("shown");
    QTest::newRow("1999") << "1999"
                          << "19.99";
    QTest::newRow("2000") << "2000"
                          << "20";
    QTest::newRow("5") << "5"
                       << "0.05";
    QTest::newRow("missing") << ""
                             << "0";
    QTest::newRow("not a number") << "abc"
                                  << "0";
}

void ResultPageTest::priceIsHundredthsAsDecimalText()
{
    QFETCH(QString, price);
    QFETCH(QString, shown);
    serve(searchAnswer(QStringLiteral("1"),
                       {{QStringLiteral("t"), QStringLiteral("p"), price, QStringLiteral("9"),
                         QStringLiteral("1"), QStringLiteral("c"), QStringLiteral("m")}}));
    ShowSearchResults(m_f->ctx, QString());
    QVERIFY2(m_f->pane4.text.contains(QStringLiteral("<p id='tkprice'>淘宝价：<em>") + shown +
                                      QStringLiteral("</em>元</p>")),
             qPrintable(m_f->pane4.text.right(400)));
}

void ResultPageTest::countLabelsNameTheScope_data()
{
    QTest::addColumn<QStringList>("pathNames");
    QTest::addColumn<QString>("scope");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("label2");
    const QString blanks(30, QLatin1Char(' '));
    QTest::newRow("current category") << QStringList{"", "女装"} << "当前类目"
                                      << "3000"
                                      << "在【当前类目：女装】下"
                                      << "找到符合条件的商品【共3000个】";
    QTest::newRow("current at start-up") << QStringList{""} << "当前类目"
                                         << "41"
                                         << "在【当前类目：】下"
                                         << "找到符合条件的商品【共41个】";
    QTest::newRow("all categories") << QStringList{"", "女装"} << "所有类目"
                                    << "0"
                                    << "在【所有类目】下"
                                    << "找到符合条件的商品【共0个】";
    QTest::newRow("top-level entry")
        << QStringList{"", "男装"} << QString("女装" + blanks + "[16]") << "12.50"
        << "在【女装】下"
        << "找到符合条件的商品【共12.5个】";
    QTest::newRow("entry without bracket") << QStringList{""} << "  鞋包  "
                                           << "7"
                                           << "在【鞋包】下"
                                           << "找到符合条件的商品【共7个】";
}

void ResultPageTest::countLabelsNameTheScope()
{
    QFETCH(QStringList, pathNames);
    QFETCH(QString, scope);
    QFETCH(QString, total);
    QFETCH(QString, label1);
    QFETCH(QString, label2);
    m_f->ctx.state.CatNames = pathNames;
    m_f->ctx.state.CatIds = QStringList(pathNames.size(), QStringLiteral("16"));
    m_f->ctx.state.CatIds[0].clear();
    if (m_f->CB_Sub->findText(scope) < 0)
        m_f->CB_Sub->addItem(scope);
    m_f->CB_Sub->setCurrentIndex(m_f->CB_Sub->findText(scope));
    serve(searchAnswer(total, {}));

    ShowSearchResults(m_f->ctx, QString());

    QCOMPARE(m_f->LB_Total1->text(), label1);
    QCOMPARE(m_f->LB_Total2->text(), label2);
}

void ResultPageTest::pageListFollowsTotal_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("total");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("rebuilt");
    QTest::newRow("0") << 1 << "0" << 0 << true;
    QTest::newRow("40") << 1 << "40" << 2 << true;
    QTest::newRow("41") << 1 << "41" << 3 << true;
    QTest::newRow("45") << 1 << "45" << 3 << true;
    QTest::newRow("5000") << 1 << "5000" << 100 << true;
    QTest::newRow("1990 with 50") << 50 << "1990" << 100 << true;
    QTest::newRow("60 with 5") << 5 << "60" << 3 << true;
    QTest::newRow("60 with 1") << 1 << "60" << 3 << true;
    QTest::newRow("60 with 3 kept") << 3 << "60" << 3 << false;
    QTest::newRow("5000 with 100 kept") << 100 << "5000" << 100 << false;
    QTest::newRow("1981 with 100 kept") << 100 << "1981" << 100 << false;
    QTest::newRow("1980 with 100") << 100 << "1980" << 99 << true;
}

void ResultPageTest::pageListFollowsTotal()
{
    QFETCH(int, before);
    QFETCH(QString, total);
    QFETCH(int, after);
    QFETCH(bool, rebuilt);
    QComboBox *list = m_f->CB_page;
    m_f->ctx.state.UiReady = false;
    list->clear();
    list->addItems(pages(before));
    list->setCurrentIndex(-1);
    m_f->ctx.state.UiReady = true;
    m_f->ctx.state.PageText.clear(); // names no entry: a rebuilt list ends without a current one
    QSignalSpy removed(list->model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(list->model(), &QAbstractItemModel::rowsInserted);
    serve(searchAnswer(total, {}));

    ShowSearchResults(m_f->ctx, QString());

    QCOMPARE(entries(list), pages(after));
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(removed.isEmpty() && inserted.isEmpty(), !rebuilt);
    // The program's own list changes start no second search.
    QCOMPARE(m_server.requestCount(SearchPath), 1);
    QVERIFY(m_f->ctx.state.UiReady);
}

void ResultPageTest::pageTextMissingFromNewListLeavesNoCurrentEntry()
{
    QComboBox *list = m_f->CB_page;
    m_f->ctx.state.UiReady = false;
    list->clear();
    list->addItems(pages(10));
    list->setCurrentIndex(4);
    m_f->ctx.state.UiReady = true;
    m_f->ctx.state.PageText = QStringLiteral("5");
    m_f->ctx.state.RowOffset = QStringLiteral("80");
    serve(searchAnswer(QStringLiteral("30"), {}));

    ShowSearchResults(m_f->ctx, QString());

    QCOMPARE(entries(list), pages(2));
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(list->currentText(), QString());
    QCOMPARE(m_f->ctx.state.PageText, QStringLiteral("5"));
    QCOMPARE(m_f->ctx.state.RowOffset, QStringLiteral("80"));
    Timer2_Timer(m_f->ctx);
    QVERIFY(!m_f->Cmd_UpPage->isEnabled());
    QVERIFY(m_f->Cmd_DownPage->isEnabled());
    QCOMPARE(m_server.requestCount(SearchPath), 1);
}

void ResultPageTest::pageTextPresentBecomesCurrent()
{
    m_f->ctx.state.PageText = QStringLiteral("2");
    serve(searchAnswer(QStringLiteral("45"), {}));

    ShowSearchResults(m_f->ctx, QString());

    QCOMPARE(entries(m_f->CB_page), pages(3));
    QCOMPARE(m_f->CB_page->currentText(), QStringLiteral("2"));
    QCOMPARE(m_server.requestCount(SearchPath), 1);
}

void ResultPageTest::requestCarriesTheCriteria()
{
    m_f->ctx.state.CatIds =
        QStringList{QString(), QStringLiteral("16"), QStringLiteral("50010850")};
    m_f->ctx.state.CatNames =
        QStringList{QString(), QStringLiteral("女装"), QStringLiteral("连衣裙")};
    m_f->TB_Search->setText(QStringLiteral("  真丝 a&b  "));
    m_f->ctx.state.RowOffset = QStringLiteral("40");
    serve(searchAnswer(QStringLiteral("100"), {}));
    m_f->CB_Sort->setCurrentIndex(1); // a sort change searches at once
    m_server.clearRequests();

    ShowSearchResults(m_f->ctx, QString());

    const QList<ScriptedServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 1);
    const ScriptedServer::Request &r = requests.first();
    QCOMPARE(r.path, SearchPath);
    QVERIFY2(testPool().contains(rawToken(r.target)), r.target.constData());
    QCOMPARE(r.query.value(QStringLiteral("pid")), MemberId);
    // The "&" of the keyword is escaped, so it stays inside the value.
    QCOMPARE(r.query.value(QStringLiteral("keyword")), QStringLiteral("真丝 a&b"));
    QVERIFY(!r.query.contains(QStringLiteral("b")));
    QVERIFY2(r.target.contains("&keyword=%E7%9C%9F%E4%B8%9D%20a%26b&"), r.target.constData());
    QCOMPARE(r.query.value(QStringLiteral("catid")), QStringLiteral("50010850"));
    QCOMPARE(r.query.value(QStringLiteral("rowoffset")), QStringLiteral("40"));
    QCOMPARE(r.query.value(QStringLiteral("rowcount")), QStringLiteral("20"));
    QCOMPARE(r.query.value(QStringLiteral("sr")), QStringLiteral("8"));
    QCOMPARE(m_f->ctx.state.Keyword, QStringLiteral("真丝 a&b"));
}

void ResultPageTest::answersWithoutTotalAreAskedFourTimes_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    const Item item{QStringLiteral("still shown"),
                    QStringLiteral("p"),
                    QStringLiteral("100"),
                    QStringLiteral("77"),
                    QStringLiteral("1"),
                    QStringLiteral("c"),
                    QStringLiteral("m")};
    QTest::newRow("no PTOTAL") << 200 << searchAnswer(QString(), {item});
    QTest::newRow("empty PTOTAL") << 200 << searchAnswer(QStringLiteral(""), {item});
    QTest::newRow("not XML") << 200 << QByteArray("<html>busy");
    QTest::newRow("server error") << 500 << QByteArray();
}

void ResultPageTest::answersWithoutTotalAreAskedFourTimes()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    ScriptedServer::Response response = xmlResponse(body);
    response.status = status;
    m_server.routeFixed(SearchPath, response);
    m_f->ctx.state.PageText = QStringLiteral("1");

    ShowSearchResults(m_f->ctx, QString());

    const QList<ScriptedServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 4);
    QSet<QString> tokens;
    for (const ScriptedServer::Request &r : requests) {
        QVERIFY(testPool().contains(rawToken(r.target)));
        tokens.insert(rawToken(r.target));
    }
    QVERIFY2(tokens.size() > 1, "every attempt draws its own token");
    QCOMPARE(m_f->LB_Total2->text(), QStringLiteral("找到符合条件的商品【共0个】"));
    QCOMPARE(m_f->CB_page->count(), 0);
    QCOMPARE(m_f->CB_page->currentIndex(), -1);
    QCOMPARE(m_f->pane4.writeCount, 1);
    QVERIFY(m_f->pane4.text.endsWith(QStringLiteral("</dl></div>")));
    QCOMPARE(m_f->pane4.text.contains(QStringLiteral("still shown")),
             status == 200 && body.contains("still"));
    QVERIFY(m_f->messages.isEmpty());
}

void ResultPageTest::timeoutAnswerIsAskedAgainButBounded_data()
{
    QTest::addColumn<int>("busyAnswers");
    QTest::addColumn<int>("expectedRequests");
    QTest::addColumn<int>("pageCount");
    QTest::newRow("always busy") << 1000 << 7 << 0;
    QTest::newRow("busy five times") << 5 << 6 << 3;
    QTest::newRow("busy once") << 1 << 2 << 3;
    QTest::newRow("never busy") << 0 << 1 << 3;
}

void ResultPageTest::timeoutAnswerIsAskedAgainButBounded()
{
    QFETCH(int, busyAnswers);
    QFETCH(int, expectedRequests);
    QFETCH(int, pageCount);
    auto served = std::make_shared<std::atomic<int>>(0);
    m_server.route(SearchPath, [served, busyAnswers](const ScriptedServer::Request &) {
        if ((*served)++ < busyAnswers)
            return xmlResponse("<?xml version=\"1.0\"?><ROOT><ERROR>TIMEOUT</ERROR></ROOT>");
        return xmlResponse(searchAnswer(
            QStringLiteral("41"), {{QStringLiteral("found"), QStringLiteral("p"),
                                    QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("1"),
                                    QStringLiteral("c"), QStringLiteral("m")}}));
    });

    ShowSearchResults(m_f->ctx, QString());

    QCOMPARE(m_server.requestCount(SearchPath), expectedRequests);
    QCOMPARE(m_f->CB_page->count(), pageCount);
    QCOMPARE(m_f->pane4.text.contains(QStringLiteral(">found</a>")), pageCount > 0);
}

void ResultPageTest::validationMessageMakesNoRequest()
{
    serve(searchAnswer(QStringLiteral("10"), {}));
    m_f->TB_Search->setText(QStringLiteral("   "));
    m_f->CB_Sub->setCurrentIndex(m_f->CB_Sub->findText(QStringLiteral("所有类目")));
    m_f->ctx.state.CatIds = QStringList{QString(), QStringLiteral("16")};

    ShowSearchResults(m_f->ctx, QString());

    QCOMPARE(m_f->messages, QStringList{QStringLiteral("搜索关键词和类目不能都为空！\r\n")});
    QCOMPARE(m_f->messageTitles, QStringList{QStringLiteral("KestrovaV1.0")});
    QCOMPARE(m_server.requestCount(), 0);
    QCOMPARE(m_f->ctx.state.CurCatId, QString());
    QCOMPARE(m_f->pane4.openCount, 0);
    QCOMPARE(m_f->LB_Total1->text(), QStringLiteral("在当前类目下 找到"));
    QCOMPARE(m_f->LB_Total2->text(), QStringLiteral("3000个商品"));
    QCOMPARE(entries(m_f->CB_page), QStringList{QStringLiteral("1")});
}

void ResultPageTest::offlineDoesNothing()
{
    serve(searchAnswer(QStringLiteral("10"), {}));
    m_f->ctx.state.IsOnline = false;

    ShowSearchResults(m_f->ctx, QString());

    QCOMPARE(m_server.requestCount(), 0);
    QVERIFY(m_f->messages.isEmpty());
    QCOMPARE(m_f->pane4.openCount, 0);
    QCOMPARE(m_f->LB_Total2->text(), QStringLiteral("3000个商品"));
    QCOMPARE(m_f->ctx.state.Keyword, QString());
}

QTEST_MAIN(ResultPageTest)
#include "tst_resultpage.moc"
