// Whether a screen reader listens, asked of a real message bus on which a stand-in for
// the desktop's accessibility bus answers with the flags a desktop sets.
#include "support/WaitUntil.h"

#include "platform/AssistiveTechnology.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <future>

class AccessibilityStatus : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Status")
    Q_PROPERTY(bool ScreenReaderEnabled MEMBER screenReader)
    Q_PROPERTY(bool IsEnabled MEMBER enabled)
public:
    explicit AccessibilityStatus(QObject *object) : QDBusAbstractAdaptor(object) {}
    bool screenReader = false;
    bool enabled = false;
};

class TestAssistiveTechnology : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    QProcess m_bus;
    QString m_address;

private slots:
    void initTestCase()
    {
        qunsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
        QVERIFY(m_folder.isValid());
        // A session bus of the suite's own, in its own folder.
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address"),
                     QStringLiteral("--address=unix:dir=") + m_folder.path()});
        QVERIFY2(m_bus.waitForStarted(10000), "dbus-daemon (package dbus-daemon) did not start");
        QVERIFY(m_bus.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY2(m_address.startsWith(QLatin1String("unix:")), qPrintable(m_address));
    }
    void cleanupTestCase()
    {
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void asksTheAccessibilityBus_data()
    {
        QTest::addColumn<bool>("busRuns");
        QTest::addColumn<bool>("screenReader");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("active");
        QTest::newRow("no accessibility bus") << false << false << false << false;
        QTest::newRow("nothing listens") << true << false << false << false;
        QTest::newRow("a screen reader listens") << true << true << false << true;
        QTest::newRow("the desktop enables it") << true << false << true << true;
    }
    void asksTheAccessibilityBus()
    {
        QFETCH(bool, busRuns);
        QFETCH(bool, screenReader);
        QFETCH(bool, enabled);
        QFETCH(bool, active);
        QObject bus;
        auto *status = new AccessibilityStatus(&bus);
        status->screenReader = screenReader;
        status->enabled = enabled;
        QDBusConnection service =
            QDBusConnection::connectToBus(m_address, QStringLiteral("accessibility-bus"));
        const auto disconnect = qScopeGuard(
            [] { QDBusConnection::disconnectFromBus(QStringLiteral("accessibility-bus")); });
        QVERIFY(service.isConnected());
        if (busRuns) {
            QVERIFY(service.registerObject(QStringLiteral("/org/a11y/bus"), &bus,
                                           QDBusConnection::ExportAdaptors));
            QVERIFY(service.registerService(QStringLiteral("org.a11y.Bus")));
        }
        // The question blocks its thread; this one serves the stand-in meanwhile.
        auto asked = std::async(std::launch::async,
                                [this] { return AssistiveTechnology::isActive(m_address); });
        QVERIFY(waitUntil(
            [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        QCOMPARE(asked.get(), active);
    }
};

QTEST_GUILESS_MAIN(TestAssistiveTechnology)
#include "tst_assistivetechnology.moc"
