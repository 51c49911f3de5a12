// Start-up: the token pool, the skin, the loading window and the main window.
#include "support/ScriptedServer.h"
#include "support/TestConfiguration.h"
#include "support/TestDoubles.h"
#include "support/WaitUntil.h"

#include "app/Form1.h"
#include "app/Form2.h"
#include "app/mainLoad.h"
#include "panes/PaneScheme.h"
#include "platform/SkinLayer.h"
#include "platform/Twips.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void loadingWindowCoversTheMainWindowsLoad()
    {
        // A slow probe: the loading window must stay up for the whole load.
        ScriptedServer server;
        ScriptedServer::Response probe;
        probe.contentType = "text/html; charset=utf-8";
        probe.body = "<html>百度</html>";
        probe.delayMs = 1500;
        server.routeFixed(QStringLiteral("/"), probe);
        const Configuration config =
            TestConfiguration::installOneHost(server.hostPort(), server.url(QStringLiteral("/")));
        FakeNetworkState network;
        RecordingBrowserLauncher browser;
        Form1Options options;
        options.network = &network;
        options.browser = &browser;
        Form2::setMainWindowOptions(options);

        QPointer<Form2> form2 = mainLoad::Main();
        QVERIFY(form2);
        QCOMPARE(AccessTokenPool::count(), 54);
        QCOMPARE(AccessTokenPool::at(0), config.accessTokens.at(0));
        QCOMPARE(AccessTokenPool::at(53), config.accessTokens.at(53));

        // The loading window as designed.
        QVERIFY(form2->isVisible());
        QVERIFY(form2->windowTitle().isEmpty());
        QCOMPARE(form2->size(), Twips::rect(0, 0, 4755, 1680).size());
        QLabel *label = form2->label();
        QCOMPARE(label->text(), QStringLiteral("请稍后正在加载数据"));
        QCOMPARE(label->geometry(), Twips::rect(420, 540, 4095, 615));
        QCOMPARE(label->font().pointSizeF(), 21.75);
        QCOMPARE(label->font().weight(), QFont::Normal);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(label->font().families().contains(QStringLiteral("宋体")));

        // Sample the loading window while the probe blocks inside Form_Load.
        int samples = 0, visibleSamples = 0;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (server.requestCount(QStringLiteral("/")) == 0 || !form2)
                return;
            ++samples;
            if (form2->isVisible())
                ++visibleSamples;
        });
        sampler.start(100);

        QVERIFY(waitUntil([&] { return form2.isNull(); }, 30000));
        sampler.stop();
        QVERIFY2(samples >= 5, qPrintable(QString::number(samples)));
        QCOMPARE(visibleSamples, samples);

        // The main window is up, online, and the loading window is gone.
        QWidget *main = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<Form1 *>(w))
                main = f;
        QVERIFY(main);
        QVERIFY(main->isVisible());
        QCOMPARE(main->windowTitle(), QStringLiteral("KestrovaV1.0"));
        auto *form1 = static_cast<Form1 *>(main);
        QCOMPARE(form1->context().state.OnlineCount, 1);
        QCOMPARE(form1->context().state.IsOnline, true);
        QCOMPARE(form1->windowIcon().availableSizes().value(0), QSize(48, 48));
        form1->setAttribute(Qt::WA_DeleteOnClose, false);
        delete form1;
    }

    void skinFileAppliedWhenPresent()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("AquaOS.ssk"));
        qApp->setStyleSheet(QString());
        QVERIFY(!SkinLayer::LoadSkin(missing, 0));
        QVERIFY(qApp->styleSheet().isEmpty());

        QFile file(missing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("QLabel { color: rgb(1, 2, 3); }");
        file.close();
        QVERIFY(SkinLayer::LoadSkin(missing, 0));
        QVERIFY(qApp->styleSheet().contains(QStringLiteral("rgb(1, 2, 3)")));
        qApp->setStyleSheet(QString());
    }
};

int main(int argc, char *argv[])
{
    PaneScheme::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
