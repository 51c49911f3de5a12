// Whether a screen reader listens, asked of a real message bus on which a stand-in for
// the desktop's accessibility bus answers with the flags a desktop sets.
#include "platform/AssistiveTechnology.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

class Status : public QObject
{
    Q_OBJECT
public:
    bool screenReader = false;
    bool enabled = false;
};

class StatusAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Status")
    Q_PROPERTY(bool ScreenReaderEnabled READ screenReaderEnabled)
    Q_PROPERTY(bool IsEnabled READ isEnabled)
public:
    explicit StatusAdaptor(Status *status) : QDBusAbstractAdaptor(status), m_status(status) {}
    bool screenReaderEnabled() const { return m_status->screenReader; }
    bool isEnabled() const { return m_status->enabled; }

private:
    Status *m_status;
};

} // namespace

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
        // A session bus of the test's own, in its own folder.
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
        // The stand-in answers on a thread of its own while the question blocks this one.
        QThread thread;
        thread.start();
        const auto stop = qScopeGuard([&] {
            thread.quit();
            thread.wait();
        });
        Status status;
        status.screenReader = screenReader;
        status.enabled = enabled;
        new StatusAdaptor(&status);
        status.moveToThread(&thread);
        QDBusConnection service =
            QDBusConnection::connectToBus(m_address, QStringLiteral("accessibility-bus"));
        const auto disconnect = qScopeGuard([&] {
            service.unregisterObject(QStringLiteral("/org/a11y/bus"));
            service.unregisterService(QStringLiteral("org.a11y.Bus"));
            QDBusConnection::disconnectFromBus(QStringLiteral("accessibility-bus"));
            QMetaObject::invokeMethod(
                &status, [&] { status.moveToThread(qApp->thread()); },
                Qt::BlockingQueuedConnection);
        });
        QVERIFY(service.isConnected());
        if (busRuns) {
            QVERIFY(service.registerObject(QStringLiteral("/org/a11y/bus"), &status,
                                           QDBusConnection::ExportAdaptors));
            QVERIFY(service.registerService(QStringLiteral("org.a11y.Bus")));
        }
        QCOMPARE(AssistiveTechnology::isActive(m_address), active);
    }

    void noSessionBus()
    {
        QVERIFY(!AssistiveTechnology::isActive(QStringLiteral("unix:path=") +
                                               m_folder.filePath(QStringLiteral("no-bus"))));
    }
};

QTEST_GUILESS_MAIN(TestAssistiveTechnology)
#include "tst_assistivetechnology.moc"
