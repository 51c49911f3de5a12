// Clicks in the result grid: the navigation is refused, the affiliate address is
// asked for (at most six times a click) and only a web address is opened.
#include "support/ContextFixture.h"
#include "support/ScriptedServer.h"

#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "search/ItemClickThrough.h"

#include <QMutex>
#include <QtTest>

#include <memory>

namespace {

const QString LinkPath = QStringLiteral("/rpc/genCodeByRpc.do");
const QString MemberId = QStringLiteral("27182818");

// Answers the link-code requests from a script: per mode, the RESULT texts in order
// (the last one repeats). A null text answers with a document without RESULT.
class LinkCodeScript
{
public:
    void set(const QString &mode, const QStringList &answers)
    {
        QMutexLocker lock(&m_mutex);
        m_answers[mode] = answers;
        m_next[mode] = 0;
    }

    ScriptedServer::Response answer(const ScriptedServer::Request &request)
    {
        QMutexLocker lock(&m_mutex);
        const QString mode = request.query.value(QStringLiteral("mode"));
        const QStringList answers = m_answers.value(mode);
        ScriptedServer::Response response;
        if (answers.isEmpty()) {
            response.status = 404;
            return response;
        }
        const int index = qMin(m_next[mode]++, int(answers.size()) - 1);
        const QString text = answers[index];
        response.body =
            (text.isNull() ? QStringLiteral("<?xml version=\"1.0\"?><ROOT><ERR>x</ERR></ROOT>")
                           : QStringLiteral("<?xml version=\"1.0\"?><ROOT><RESULT>") +
                                 text.toHtmlEscaped() + QStringLiteral("</RESULT></ROOT>"))
                .toUtf8();
        return response;
    }

private:
    QMutex m_mutex;
    QMap<QString, QStringList> m_answers;
    QMap<QString, int> m_next;
};

} // namespace

class ClickThroughTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void itemClickOpensAcceptedAddress();
    void sellerClickUsesModeFortyThree();
    void answersAreRetried_data();
    void answersAreRetried();
    void hostileAddressesOpenNothing_data();
    void hostileAddressesOpenNothing();
    void flagsZeroMakesNoRequest();
    void linkWithoutFieldsMakesNoRequest();
    void bothFieldsShareOneCounter_data();
    void bothFieldsShareOneCounter();

private:
    ScriptedServer m_server;
    std::shared_ptr<LinkCodeScript> m_script = std::make_shared<LinkCodeScript>();
    std::unique_ptr<ContextFixture> m_f;
};

void ClickThroughTest::initTestCase()
{
    Configuration config = Configuration::compiledIn();
    config.makerHost = m_server.hostPort();
    config.affiliateHost = m_server.hostPort();
    config.memberId = MemberId;
    Configuration::install(config);
    QStringList pool;
    for (int i = 0; i < 54; ++i)
        pool.append(QStringLiteral("lc%1=").arg(i));
    AccessTokenPool::fill(pool);
    auto script = m_script;
    m_server.route(LinkPath,
                   [script](const ScriptedServer::Request &r) { return script->answer(r); });
}

void ClickThroughTest::init()
{
    m_script->set(QStringLiteral("13"), {});
    m_script->set(QStringLiteral("43"), {});
    m_server.clearRequests();
    m_f = std::make_unique<ContextFixture>();
    m_f->makeLoaded();
}

void ClickThroughTest::cleanup()
{
    m_f.reset();
}

void ClickThroughTest::itemClickOpensAcceptedAddress()
{
    m_script->set(QStringLiteral("13"), {QStringLiteral("http://s.example/t/item?id=123&u=1")});

    QVERIFY(m_f->pane4.click(QStringLiteral("http://[catid=123]")));

    const QList<ScriptedServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].path, LinkPath);
    QVERIFY(requests[0].target.startsWith("/rpc/genCodeByRpc.do?pw=lc"));
    QCOMPARE(requests[0].query.value(QStringLiteral("pid")), MemberId);
    QCOMPARE(requests[0].query.value(QStringLiteral("aid")), QStringLiteral("123"));
    QCOMPARE(requests[0].query.value(QStringLiteral("mode")), QStringLiteral("13"));
    QCOMPARE(m_f->browser.opened, QStringList{"http://s.example/t/item?id=123&u=1"});
    QCOMPARE(m_f->pane4.openCount, 0);
}

void ClickThroughTest::sellerClickUsesModeFortyThree()
{
    m_script->set(QStringLiteral("43"), {QStringLiteral("https://shop.example/s/77")});

    QVERIFY(m_f->pane4.click(QStringLiteral("http://[nick_id=ShopKeeper店]")));

    const QList<ScriptedServer::Request> requests = m_server.requests();
    QCOMPARE(requests.size(), 1);
    // Field values are read from the lower-cased link.
    QCOMPARE(requests[0].query.value(QStringLiteral("aid")), QStringLiteral("shopkeeper店"));
    QCOMPARE(requests[0].query.value(QStringLiteral("mode")), QStringLiteral("43"));
    QCOMPARE(m_f->browser.opened, QStringList{"https://shop.example/s/77"});
}

void ClickThroughTest::answersAreRetried_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("three characters every time") << QStringList{"abc"} << 6 << QStringList{};
    QTest::newRow("five characters not accepted") << QStringList{"http:"} << 6 << QStringList{};
    QTest::newRow("six characters accepted")
        << QStringList{"abcde", "abcdef"} << 2 << QStringList{};
    QTest::newRow("accepted after refusals")
        << QStringList{"a", "", "abcde", "http://x.cn/1"} << 4 << QStringList{"http://x.cn/1"};
    QTest::newRow("sixth answer still counts")
        << QStringList{"1", "2", "3", "4", "5", "http://x.cn/6"} << 6
        << QStringList{"http://x.cn/6"};
    QTest::newRow("seventh never asked")
        << QStringList{"1", "2", "3", "4", "5", "6", "http://x.cn/7"} << 6 << QStringList{};
    QTest::newRow("no RESULT element") << QStringList{QString()} << 6 << QStringList{};
    QTest::newRow("no answer at all") << QStringList{} << 6 << QStringList{};
    QTest::newRow("failed reads between refusals")
        << QStringList{"abc", QString(), "http://x.cn/3"} << 3 << QStringList{"http://x.cn/3"};
}

void ClickThroughTest::answersAreRetried()
{
    QFETCH(QStringList, answers);
    QFETCH(int, requests);
    QFETCH(QStringList, opened);
    m_script->set(QStringLiteral("13"), answers);

    QVERIFY(m_f->pane4.click(QStringLiteral("http://[catid=9001]")));

    QCOMPARE(m_server.requestCount(LinkPath), requests);
    QCOMPARE(m_f->browser.opened, opened);
    QSet<QString> tokens;
    for (const ScriptedServer::Request &r : m_server.requests())
        tokens.insert(r.query.value(QStringLiteral("pw")));
    QVERIFY2(requests == 1 || tokens.size() > 1, "every request draws its own token");
}

void ClickThroughTest::hostileAddressesOpenNothing_data()
{
    QTest::addColumn<QString>("result");
    QTest::newRow("local file") << "file:///etc/passwd";
    QTest::newRow("script with a line break") << "javasc\nript:x";
    QTest::newRow("command line") << "calc.exe & rm -rf ~";
    QTest::newRow("relative path") << "/etc/shadow";
}

void ClickThroughTest::hostileAddressesOpenNothing()
{
    QFETCH(QString, result);
    m_script->set(QStringLiteral("13"), {result});
    QVERIFY(m_f->pane4.click(QStringLiteral("http://[catid=5]")));
    // Long enough to be accepted, so asked once, but not a web address.
    QCOMPARE(m_server.requestCount(LinkPath), 1);
    QVERIFY(m_f->browser.opened.isEmpty());
}

void ClickThroughTest::flagsZeroMakesNoRequest()
{
    m_script->set(QStringLiteral("13"), {QStringLiteral("http://x.cn/1")});
    QVERIFY(m_f->pane4.click(QStringLiteral("http://[catid=5]"), 0));
    bool cancel = false;
    WebBrowser4_BeforeNavigate2(m_f->ctx, QStringLiteral("http://[catid=5]"), 0, cancel);
    QVERIFY(cancel);
    QCOMPARE(m_server.requestCount(), 0);
    QVERIFY(m_f->browser.opened.isEmpty());
}

void ClickThroughTest::linkWithoutFieldsMakesNoRequest()
{
    QVERIFY(m_f->pane4.click(QStringLiteral("http://[cid=16][name=女装]")));
    QVERIFY(m_f->pane4.click(QStringLiteral("about:blank")));
    QCOMPARE(m_server.requestCount(), 0);
    QVERIFY(m_f->browser.opened.isEmpty());
}

void ClickThroughTest::bothFieldsShareOneCounter_data()
{
    QTest::addColumn<QStringList>("itemAnswers");
    QTest::addColumn<int>("itemRequests");
    QTest::addColumn<int>("sellerRequests");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("item accepted second")
        << QStringList{"abc", "http://i.cn/1"} << 2 << 4 << QStringList{"http://i.cn/1"};
    QTest::newRow("item never accepted") << QStringList{"abc"} << 6 << 1 << QStringList{};
}

void ClickThroughTest::bothFieldsShareOneCounter()
{
    QFETCH(QStringList, itemAnswers);
    QFETCH(int, itemRequests);
    QFETCH(int, sellerRequests);
    QFETCH(QStringList, opened);
    m_script->set(QStringLiteral("13"), itemAnswers);
    m_script->set(QStringLiteral("43"), {QStringLiteral("no")});

    QVERIFY(m_f->pane4.click(QStringLiteral("http://[catid=1][nick_id=2]")));

    int items = 0, sellers = 0;
    for (const ScriptedServer::Request &r : m_server.requests())
        (r.query.value(QStringLiteral("mode")) == QLatin1String("13") ? items : sellers)++;
    QCOMPARE(items, itemRequests);
    QCOMPARE(sellers, sellerRequests);
    // The seller's refusals never reopen the item's address.
    QCOMPARE(m_f->browser.opened, opened);
}

QTEST_MAIN(ClickThroughTest)
#include "tst_clickthrough.moc"
