// Search criteria and the controls that start a search: the scope, keyword and
// sort lists read into the state, the button, the Enter key and the sort list.
#include "support/ContextFixture.h"
#include "support/ScriptedServer.h"

#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "search/SearchCriteria.h"

#include <QtTest>

#include <memory>

namespace {

const QString SearchPath = QStringLiteral("/rpc/searchAuctionByRpc.do");
const QString Blanks30(30, QLatin1Char(' '));
const QString ValidationMessage = QStringLiteral("搜索关键词和类目不能都为空！\r\n");

ScriptedServer::Response answer(int total)
{
    ScriptedServer::Response response;
    response.body =
        QStringLiteral("<?xml version=\"1.0\"?><ROOT><PTOTAL>%1</PTOTAL><PRESULTS/></ROOT>")
            .arg(total)
            .toUtf8();
    return response;
}

} // namespace

class SearchCriteriaTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void bracketValue_data();
    void bracketValue();
    void criteriaFromControls_data();
    void criteriaFromControls();
    void searchButtonSearchesWithCurrentPage();
    void firstSearchSendsSortCodeNine();
    void validationMessageMakesNoRequest();
    void enterKeyInKeywordBox_data();
    void enterKeyInKeywordBox();
    void sortListSearchesAtOnceOnTheSamePage();
    void sortListIgnoredWhileProgramChangesLists();

private:
    void selectScope(const QString &scope);

    ScriptedServer m_server;
    std::unique_ptr<ContextFixture> m_f;
};

void SearchCriteriaTest::initTestCase()
{
    Configuration config = Configuration::compiledIn();
    config.makerHost = m_server.hostPort();
    config.affiliateHost = m_server.hostPort();
    Configuration::install(config);
    AccessTokenPool::fill(QStringList(54, QStringLiteral("tok=")));
    m_server.routeFixed(SearchPath, answer(60));
}

void SearchCriteriaTest::init()
{
    m_server.clearRequests();
    m_f = std::make_unique<ContextFixture>();
    m_f->makeLoaded();
}

void SearchCriteriaTest::cleanup()
{
    m_f.reset();
}

void SearchCriteriaTest::selectScope(const QString &scope)
{
    if (m_f->CB_Sub->findText(scope) < 0)
        m_f->CB_Sub->addItem(scope);
    m_f->CB_Sub->setCurrentIndex(m_f->CB_Sub->findText(scope));
}

void SearchCriteriaTest::bracketValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::newRow("no bracket") << "abc"
                                << "";
    QTest::newRow("unclosed") << "a[12"
                              << "";
    QTest::newRow("empty brackets") << "a[]b"
                                    << "";
    QTest::newRow("closing before opening") << "x]y[3]"
                                            << "3";
    QTest::newRow("first pair wins") << "a[1]b[2]"
                                     << "1";
    QTest::newRow("sort entry") << "成交量从低到高             [10]"
                                << "10";
    QTest::newRow("top-level entry") << QString("女装" + Blanks30 + "[16]") << "16";
    QTest::newRow("nested opening") << "[a[b]c]"
                                    << "a[b";
    QTest::newRow("empty text") << ""
                                << "";
}

void SearchCriteriaTest::bracketValue()
{
    QFETCH(QString, text);
    QFETCH(QString, value);
    QCOMPARE(GetBracketValue(text), value);
}

void SearchCriteriaTest::criteriaFromControls_data()
{
    QTest::addColumn<QString>("scope");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("pathIds");
    QTest::addColumn<QString>("catId");
    QTest::addColumn<QString>("trimmed");
    QTest::addColumn<QString>("message");
    const QStringList path16{"", "16"};
    QTest::newRow("current category") << "当前类目"
                                      << "" << path16 << "16"
                                      << ""
                                      << "";
    QTest::newRow("current at start-up") << "当前类目"
                                         << "" << QStringList{""} << ""
                                         << "" << ValidationMessage;
    QTest::newRow("all categories") << "所有类目"
                                    << "" << path16 << ""
                                    << "" << ValidationMessage;
    QTest::newRow("all with keyword") << "所有类目"
                                      << " a b " << path16 << ""
                                      << "a b"
                                      << "";
    QTest::newRow("top-level entry")
        << QString("女装" + Blanks30 + "[16]") << "" << QStringList{"", "50", "51"} << "16"
        << ""
        << "";
    QTest::newRow("keyword kept as typed") << "当前类目"
                                           << "  Silk&Lace=1 " << path16 << "16"
                                           << "Silk&Lace=1"
                                           << "";
    QTest::newRow("only blanks") << "所有类目"
                                 << "    " << path16 << ""
                                 << "" << ValidationMessage;
}

void SearchCriteriaTest::criteriaFromControls()
{
    QFETCH(QString, scope);
    QFETCH(QString, keyword);
    QFETCH(QStringList, pathIds);
    QFETCH(QString, catId);
    QFETCH(QString, trimmed);
    QFETCH(QString, message);
    selectScope(scope);
    m_f->TB_Search->setText(keyword);
    m_f->ctx.state.CatIds = pathIds;

    QCOMPARE(ReadSearchCriteria(m_f->ctx), message);
    QCOMPARE(m_f->ctx.state.CurCatId, catId);
    QCOMPARE(m_f->ctx.state.Keyword, trimmed);
    QCOMPARE(m_f->ctx.state.SortCode, QStringLiteral("9"));
    QVERIFY(m_f->ctx.state.UiReady);
    QCOMPARE(m_server.requestCount(), 0);
}

void SearchCriteriaTest::searchButtonSearchesWithCurrentPage()
{
    m_f->ctx.state.CatIds = QStringList{QString(), QStringLiteral("16")};
    m_f->ctx.state.CatNames = QStringList{QString(), QStringLiteral("女装")};
    m_f->ctx.state.RowOffset = QStringLiteral("20");
    m_f->ctx.state.PageText = QStringLiteral("2");

    QTest::mouseClick(m_f->Cmd_Search, Qt::LeftButton);

    const QList<ScriptedServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].query.value(QStringLiteral("catid")), QStringLiteral("16"));
    QCOMPARE(requests[0].query.value(QStringLiteral("keyword")), QString());
    QCOMPARE(requests[0].query.value(QStringLiteral("rowoffset")), QStringLiteral("20"));
    QCOMPARE(m_f->ctx.state.PageText, QStringLiteral("2"));
    QCOMPARE(m_f->CB_page->currentText(), QStringLiteral("2"));
    QCOMPARE(m_f->LB_Total1->text(), QStringLiteral("在【当前类目：女装】下"));
}

void SearchCriteriaTest::firstSearchSendsSortCodeNine()
{
    m_f->TB_Search->setText(QStringLiteral("shoes"));
    m_f->ctx.state.RowOffset = QStringLiteral("0");
    m_f->Cmd_Search->click();
    QCOMPARE(m_server.requestCount(SearchPath), 1);
    QCOMPARE(m_server.requests()[0].query.value(QStringLiteral("sr")), QStringLiteral("9"));
    QCOMPARE(m_server.requests()[0].query.value(QStringLiteral("keyword")),
             QStringLiteral("shoes"));
}

void SearchCriteriaTest::validationMessageMakesNoRequest()
{
    selectScope(QStringLiteral("所有类目"));
    m_f->ctx.state.CatIds = QStringList{QString(), QStringLiteral("16")};
    m_f->TB_Search->setText(QString());

    m_f->Cmd_Search->click();

    QCOMPARE(m_f->messages, QStringList{ValidationMessage});
    QCOMPARE(m_f->messageTitles, QStringList{QStringLiteral("KestrovaV1.0")});
    QCOMPARE(m_f->ctx.state.CurCatId, QString());
    QCOMPARE(m_server.requestCount(), 0);
    QCOMPARE(m_f->pane4.openCount, 0);
}

void SearchCriteriaTest::enterKeyInKeywordBox_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("searches");
    QTest::addColumn<QString>("keyword");
    QTest::newRow("three blanks, Enter") << "   " << int(Qt::Key_Return) << 0 << "";
    QTest::newRow("blank a blank b blank, Enter") << " a b " << int(Qt::Key_Return) << 1 << "a b";
    QTest::newRow("keypad Enter") << "bag" << int(Qt::Key_Enter) << 1 << "bag";
    QTest::newRow("other key") << "bag" << int(Qt::Key_Tab) << 0 << "";
    QTest::newRow("empty box, Enter") << "" << int(Qt::Key_Return) << 0 << "";
}

void SearchCriteriaTest::enterKeyInKeywordBox()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, searches);
    QFETCH(QString, keyword);
    selectScope(QStringLiteral("所有类目"));
    m_f->ctx.state.RowOffset = QStringLiteral("0");
    m_f->TB_Search->clear();

    // Typing itself sends key presses; none of them is Enter.
    QTest::keyClicks(m_f->TB_Search, typed);
    QCOMPARE(m_server.requestCount(), 0);
    QTest::keyClick(m_f->TB_Search, Qt::Key(key));

    QCOMPARE(m_server.requestCount(SearchPath), searches);
    QVERIFY(m_f->messages.isEmpty());
    if (searches)
        QCOMPARE(m_server.requests()[0].query.value(QStringLiteral("keyword")), keyword);
    // The key still reaches the box: its text stays as typed.
    QCOMPARE(m_f->TB_Search->text(), typed);
}

void SearchCriteriaTest::sortListSearchesAtOnceOnTheSamePage()
{
    m_f->TB_Search->setText(QStringLiteral("coat"));
    m_f->ctx.state.RowOffset = QStringLiteral("40");
    m_f->ctx.state.PageText = QStringLiteral("3");

    m_f->CB_Sort->setCurrentIndex(
        m_f->CB_Sort->findText(QStringLiteral("成交量从低到高             [10]")));

    const QList<ScriptedServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].query.value(QStringLiteral("sr")), QStringLiteral("10"));
    QCOMPARE(requests[0].query.value(QStringLiteral("rowoffset")), QStringLiteral("40"));
    QCOMPARE(m_f->ctx.state.SortCode, QStringLiteral("10"));
    QCOMPARE(m_f->ctx.state.PageText, QStringLiteral("3"));
    QCOMPARE(m_f->CB_page->currentText(), QStringLiteral("3"));
}

void SearchCriteriaTest::sortListIgnoredWhileProgramChangesLists()
{
    m_f->TB_Search->setText(QStringLiteral("coat"));
    m_f->ctx.state.UiReady = false;
    m_f->CB_Sort->setCurrentIndex(0);
    QCOMPARE(m_server.requestCount(), 0);
    m_f->ctx.state.UiReady = true;
    m_f->CB_Sort->setCurrentIndex(1);
    QCOMPARE(m_server.requestCount(), 1);
    QCOMPARE(m_server.requests()[0].query.value(QStringLiteral("sr")), QStringLiteral("8"));
}

QTEST_MAIN(SearchCriteriaTest)
#include "tst_searchcriteria.moc"
