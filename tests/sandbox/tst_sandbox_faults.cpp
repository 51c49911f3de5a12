// The sandbox's command line over real processes: fault switches, the request
// log, credentials, seeds, bad options and clean stopping. The switches that
// change the menu and the portal are in the menu's suite.

#include "support/SandboxProcess.h"

#include "kestrova_config.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString searchTarget(const QString &pw = QString::fromLatin1(KestrovaDefaults::AccessTokens[0]),
                     const QString &pid = KESTROVA_MEMBER_ID, const QString &catId = "16")
{
    return QStringLiteral("/rpc/searchAuctionByRpc.do?pw=") + pw + "&pid=" + pid +
           "&keyword=&catid=" + catId + "&rowoffset=0&rowcount=20&mid =0&sr=9";
}

QStringList firstPageIds(const SandboxProcess &sandbox)
{
    QStringList ids;
    const QDomElement results =
        SandboxProcess::xmlRoot(sandbox.get(searchTarget()).body).firstChildElement("PRESULTS");
    for (QDomElement r = results.firstChildElement(); !r.isNull(); r = r.nextSiblingElement())
        ids.append(r.firstChildElement("ORIOBJID").text() + ' ' +
                   r.firstChildElement("TITLE").text());
    return ids;
}

} // namespace

class TestSandboxFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void delayBeforeAnswer();
    void errorEveryN();
    void searchFaultsEveryN_data();
    void searchFaultsEveryN();
    void requestLog();
    void stopsCleanlyOnSignals_data();
    void stopsCleanlyOnSignals();
    void badOptionsRefused_data();
    void badOptionsRefused();
    void busyPortRefused();
    void credentialsFromCommandLine();
    void catalogueFollowsSeed();
};

void TestSandboxFaults::initTestCase()
{
    if (SandboxProcess::executable().isEmpty())
        QSKIP("built without the sandbox");
}

void TestSandboxFaults::delayBeforeAnswer()
{
    SandboxProcess sandbox;
    QVERIFY(sandbox.start({"--delay-ms", "400"}));
    const auto reply = sandbox.get("/");
    QCOMPARE(reply.status, 200);
    QVERIFY2(reply.elapsedMs >= 400, qPrintable(QString::number(reply.elapsedMs)));
}

void TestSandboxFaults::errorEveryN()
{
    SandboxProcess sandbox;
    QVERIFY(sandbox.start({"--error-every", "3"}));
    QList<int> statuses;
    for (const char *target : {"/", "/Excel/Menu.rar", "/", "/images/1.jpg", "/", "/"})
        statuses.append(sandbox.get(target).status);
    QCOMPARE(statuses, (QList<int>{200, 200, 500, 200, 200, 500}));
}

void TestSandboxFaults::searchFaultsEveryN_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expectedFirstChild"); // of the root, in the struck answers
    QTest::newRow("no total") << "--no-total-every"
                              << "PRESULTS";
    QTest::newRow("time-out") << "--timeout-every"
                              << "TIMEOUT";
}

void TestSandboxFaults::searchFaultsEveryN()
{
    QFETCH(QString, option);
    QFETCH(QString, expectedFirstChild);
    SandboxProcess sandbox;
    QVERIFY(sandbox.start({option, "2"}));
    // Other routes do not advance the search count.
    QCOMPARE(sandbox.get("/").status, 200);
    for (int n = 1; n <= 4; ++n) {
        const QDomElement root = SandboxProcess::xmlRoot(sandbox.get(searchTarget()).body);
        const QDomElement first = root.firstChildElement();
        const bool struck = n % 2 == 0;
        QCOMPARE(root.firstChildElement("PTOTAL").isNull(), struck);
        if (!struck) {
            QCOMPARE(first.tagName(), QStringLiteral("PTOTAL"));
            QVERIFY(first.text() != "TIMEOUT");
        } else if (expectedFirstChild == "TIMEOUT") {
            QCOMPARE(first.text(), QStringLiteral("TIMEOUT"));
        } else {
            QCOMPARE(first.tagName(), expectedFirstChild);
            QVERIFY(first.elementsByTagName("ITEM").size() > 0);
        }
    }
}

void TestSandboxFaults::requestLog()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("requests.log");
    SandboxProcess sandbox;
    QVERIFY(sandbox.start({"--log", path}));
    const QByteArray search = "/rpc/searchAuctionByRpc.do?pw=kP3%2Bxq7=&pid=1&keyword=%E8%A3%99"
                              "&catid=&rowoffset=0&rowcount=20&mid%20=0&sr=7";
    QCOMPARE(sandbox.getRaw("/").status, 200);
    QCOMPARE(sandbox.getRaw(search).status, 403);
    QCOMPARE(sandbox.getRaw("/missing").status, 404);
    QCOMPARE(sandbox.stop(), 0);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    static const QRegularExpression shape("^GET (\\S+) (\\d{3}) (\\d+\\.\\d)ms$");
    const QList<QPair<QByteArray, QString>> expected = {
        {"/", "200"}, {search, "403"}, {"/missing", "404"}};
    for (int i = 0; i < 3; ++i) {
        const auto m = shape.match(QString::fromUtf8(lines[i]));
        QVERIFY2(m.hasMatch(), lines[i].constData());
        QCOMPARE(m.captured(1).toUtf8(), expected[i].first); // the target exactly as received
        QCOMPARE(m.captured(2), expected[i].second);
    }
}

void TestSandboxFaults::stopsCleanlyOnSignals_data()
{
    QTest::addColumn<bool>("interrupt");
    QTest::newRow("SIGTERM") << false;
    QTest::newRow("SIGINT") << true;
}

void TestSandboxFaults::stopsCleanlyOnSignals()
{
    QFETCH(bool, interrupt);
    SandboxProcess sandbox;
    QVERIFY(sandbox.start());
    QCOMPARE(sandbox.get("/").status, 200);
    QCOMPARE(sandbox.stop(interrupt), 0);
    QCOMPARE(sandbox.process().exitStatus(), QProcess::NormalExit);
}

void TestSandboxFaults::badOptionsRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown encoding") << QStringList{"--menu-encoding", "NO-SUCH-CODE"};
    QTest::newRow("port not a number") << QStringList{"--port", "eighty"};
    QTest::newRow("negative count") << QStringList{"--error-every", "-1"};
    QTest::newRow("unknown option") << QStringList{"--frobnicate"};
    QTest::newRow("missing tokens file") << QStringList{"--tokens", "/no/such/file"};
}

void TestSandboxFaults::badOptionsRefused()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    process.start(SandboxProcess::executable(), QStringList{"--port", "0"} + arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(!process.readAllStandardOutput().contains("listening on"));
    QVERIFY(!process.readAllStandardError().isEmpty());
}

void TestSandboxFaults::busyPortRefused()
{
    SandboxProcess first;
    QVERIFY(first.start());
    SandboxProcess second;
    QVERIFY(!second.start({"--port", QString::number(first.port())}));
    if (second.process().state() != QProcess::NotRunning)
        QVERIFY(second.process().waitForFinished(10000));
    QCOMPARE(second.process().exitCode(), 1);
    QCOMPARE(first.get("/").status, 200);
}

void TestSandboxFaults::credentialsFromCommandLine()
{
    QTemporaryDir dir;
    QFile tokens(dir.filePath("tokens.txt"));
    QVERIFY(tokens.open(QIODevice::WriteOnly));
    tokens.write("Own%2Btok=\nsecond=\n");
    tokens.close();
    const QString secret = "0123456789abcdef0123456789abcdef";
    SandboxProcess sandbox;
    QVERIFY(sandbox.start({"--member-id", "87654321", "--app-key", "11112222", "--app-secret",
                           secret, "--tokens", tokens.fileName()}));

    QCOMPARE(sandbox.get(searchTarget("Own%2Btok=", "87654321")).status, 200);
    QCOMPARE(sandbox.get(searchTarget("second=", "87654321")).status, 200);
    QCOMPARE(sandbox.get(searchTarget("Own%2Btok=")).status, 403);
    QCOMPARE(sandbox.get(searchTarget(KestrovaDefaults::AccessTokens[0], "87654321")).status, 403);

    const QString stamp = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
    const auto gateway = [&](const QString &key, const QString &usingSecret) {
        const QString signText = usingSecret + "api_key" + key + "fieldscid,name" + "format" +
                                 "xml" + "method" + "taobao.itemcats.get.v2" + "parent_cid" + "0" +
                                 "timestamp" + stamp + "v" + "1.0";
        const QString sign = QString::fromLatin1(
            QCryptographicHash::hash(signText.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
        const QString target =
            "/router/rest?api_key=" + key +
            "&fields=cid,name&format=xml&method=taobao.itemcats.get.v2&parent_cid=0&timestamp=" +
            stamp + "&v=1.0&sign=" + sign;
        const QDomElement root = SandboxProcess::xmlRoot(sandbox.get(target).body);
        return root.tagName() == "rsp" ? QStringLiteral("ok")
                                       : root.firstChildElement("code").text();
    };
    QCOMPARE(gateway("11112222", secret), QStringLiteral("ok"));
    QCOMPARE(gateway(KESTROVA_APP_KEY, KESTROVA_APP_SECRET), QStringLiteral("29"));
    QCOMPARE(gateway("11112222", KESTROVA_APP_SECRET), QStringLiteral("25"));
}

void TestSandboxFaults::catalogueFollowsSeed()
{
    SandboxProcess first;
    SandboxProcess again;
    SandboxProcess reseeded;
    SandboxProcess small;
    QVERIFY(first.start());
    QVERIFY(again.start());
    QVERIFY(reseeded.start({"--seed", "7"}));
    QVERIFY(small.start({"--items", "1000"}));

    const QStringList ids = firstPageIds(first);
    QCOMPARE(ids.size(), 20);
    QCOMPARE(firstPageIds(again), ids);
    QVERIFY(firstPageIds(reseeded) != ids);
    const QDomElement total =
        SandboxProcess::xmlRoot(
            small.get(searchTarget(KestrovaDefaults::AccessTokens[0], KESTROVA_MEMBER_ID, "")).body)
            .firstChildElement("PTOTAL");
    QCOMPARE(total.text(), QStringLiteral("1000"));
}

QTEST_GUILESS_MAIN(TestSandboxFaults)
#include "tst_sandbox_faults.moc"
