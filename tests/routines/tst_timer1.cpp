// The connectivity watch against a real probe server on loopback.
#include "support/ContextFixture.h"
#include "support/ScriptedServer.h"
#include "support/TestConfiguration.h"

#include "handlers/Form1Routines.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"

#include <QElapsedTimer>
#include <QStringEncoder>
#include <QtTest>

class TestTimer1 : public QObject
{
    Q_OBJECT

private:
    static ScriptedServer::Response page(const QByteArray &body,
                                         const QByteArray &type = "text/html; charset=utf-8")
    {
        ScriptedServer::Response r;
        r.contentType = type;
        r.body = body;
        return r;
    }
    void install(ScriptedServer &server)
    {
        TestConfiguration::installOneHost(server.hostPort(), server.url(QStringLiteral("/")));
    }

private slots:
    void probe_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<bool>("online");
        QTest::newRow("portal page") << QByteArray("<html><title>百度一下</title></html>")
                                     << QByteArray("text/html; charset=utf-8") << true;
        QStringEncoder gbk("GB18030");
        QByteArray gbkBody =
            gbk.encode(QStringLiteral("<html><title>百度一下，你就知道</title></html>"));
        QTest::newRow("portal page in GBK")
            << gbkBody << QByteArray("text/html; charset=GBK") << true;
        QTest::newRow("access portal")
            << QByteArray("<html>Please log in to the hotel Wi-Fi</html>")
            << QByteArray("text/html") << false;
        QTest::newRow("empty page") << QByteArray() << QByteArray("text/html") << false;
        QTest::newRow("name spelled in Latin")
            << QByteArray("<html>Baidu</html>") << QByteArray("text/html") << false;
    }
    void probe()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(bool, online);
        ScriptedServer server;
        server.routeFixed(QStringLiteral("/"), page(body, contentType));
        install(server);
        ContextFixture f;

        Timer1_Timer(f.ctx);
        QCOMPARE(f.ctx.state.IsOnline, online);
        QCOMPARE(f.ctx.state.OnlineCount, online ? 1 : 0);
        QCOMPARE(server.requestCount(QStringLiteral("/")), 1);
        if (!online)
            QCOMPARE(f.fetcher.RequestTimeout(), 10);
        // The first success loads the menu, a failure does not.
        QCOMPARE(server.requestCount(QStringLiteral("/Excel/Menu.rar")), online ? 1 : 0);

        // Confirmed: later ticks only ask the platform. Refused: every tick probes again.
        Timer1_Timer(f.ctx);
        Timer1_Timer(f.ctx);
        QCOMPARE(server.requestCount(QStringLiteral("/")), online ? 1 : 3);
        QCOMPARE(f.ctx.state.OnlineCount, online ? 1 : 0);
        QCOMPARE(server.requestCount(QStringLiteral("/Excel/Menu.rar")), online ? 1 : 0);
    }

    void notConnectedMakesNoProbe()
    {
        ScriptedServer server;
        server.routeFixed(QStringLiteral("/"), page("百度"));
        install(server);
        ContextFixture f;
        f.network.connected = false;

        Timer1_Timer(f.ctx);
        Timer1_Timer(f.ctx);
        QCOMPARE(f.ctx.state.IsOnline, false);
        QCOMPARE(f.ctx.state.OnlineCount, 0);
        QCOMPARE(server.requestCount(), 0);
        QCOMPARE(f.network.queries, 2);

        // The first tick after the connection comes up probes and loads the menu.
        f.network.connected = true;
        Timer1_Timer(f.ctx);
        QCOMPARE(f.ctx.state.IsOnline, true);
        QCOMPARE(server.requestCount(QStringLiteral("/")), 1);
        QCOMPARE(server.requestCount(QStringLiteral("/Excel/Menu.rar")), 1);
    }

    void lostAndRegained()
    {
        ScriptedServer server;
        server.routeFixed(QStringLiteral("/"), page("百度"));
        install(server);
        ContextFixture f;

        Timer1_Timer(f.ctx);
        QCOMPARE(f.ctx.state.OnlineCount, 1);

        f.network.connected = false;
        Timer1_Timer(f.ctx);
        QCOMPARE(f.ctx.state.IsOnline, false);
        QCOMPARE(server.requestCount(QStringLiteral("/")), 1);

        f.network.connected = true;
        Timer1_Timer(f.ctx);
        QCOMPARE(f.ctx.state.IsOnline, true);
        QCOMPARE(f.ctx.state.OnlineCount, 2);
        QCOMPARE(server.requestCount(QStringLiteral("/")), 2);
        // The menu is loaded once per run only.
        QCOMPARE(server.requestCount(QStringLiteral("/Excel/Menu.rar")), 1);
    }

    void silentProbeServerTimesOut()
    {
        ScriptedServer server;
        ScriptedServer::Response silent;
        silent.kind = ScriptedServer::Response::Silent;
        server.routeFixed(QStringLiteral("/"), silent);
        install(server);
        ContextFixture f;

        // The window keeps processing its events while the probe blocks.
        int ticks = 0;
        QTimer painter;
        QObject::connect(&painter, &QTimer::timeout, [&ticks] { ++ticks; });
        painter.start(200);

        QElapsedTimer clock;
        clock.start();
        Timer1_Timer(f.ctx);
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(f.ctx.state.IsOnline, false);
        QCOMPARE(f.ctx.state.OnlineCount, 0);
        QVERIFY2(elapsed >= 9000, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 30000, qPrintable(QString::number(elapsed)));
        QVERIFY(ticks > 10);
    }
};

QTEST_MAIN(TestTimer1)
#include "tst_timer1.moc"
