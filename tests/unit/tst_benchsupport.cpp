// The benchmark's own parts: medians, the memory walk over a process tree and
// the event lines read from a measured program.
#include "BenchChild.h"
#include "BenchTable.h"
#include "support/ProcessMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

class TestBenchSupport : public QObject
{
    Q_OBJECT

private slots:
    void median_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<double>("median");
        QTest::newRow("none") << QList<double>() << -1.0;
        QTest::newRow("one") << QList<double>{7} << 7.0;
        QTest::newRow("odd, unsorted") << QList<double>{9, 1, 5} << 5.0;
        QTest::newRow("even") << QList<double>{4, 1, 3, 2} << 2.5;
    }

    void median()
    {
        QFETCH(QList<double>, values);
        QFETCH(double, median);
        QCOMPARE(BenchTable::median(values), median);
    }

    void memoryCoversTheWholeTree()
    {
        // A shell that starts a child of its own: both are descendants of this process.
        QProcess shell;
        shell.start(QStringLiteral("sh"),
                    {QStringLiteral("-c"), QStringLiteral("sleep 30 & wait")});
        QVERIFY(shell.waitForStarted());
        QList<qint64> below;
        QTRY_VERIFY(
            (below = ProcessMemory::descendants(QCoreApplication::applicationPid())).size() >= 2);
        QVERIFY(below.contains(shell.processId()));

        const ProcessMemory alone = ProcessMemory::of(shell.processId());
        QCOMPARE(alone.processes, 2); // the shell and its sleep
        QVERIFY(alone.pssMiB > 0);
        QVERIFY(alone.ownRssMiB > 0);
        const ProcessMemory all = ProcessMemory::of(QCoreApplication::applicationPid());
        QCOMPARE(all.processes, 3);
        QVERIFY(all.pssMiB > alone.pssMiB);
        shell.kill();
        shell.waitForFinished();
        QCOMPARE(ProcessMemory::of(shell.processId()).processes, 0);
    }

    void eventsAreReadWithTheirTimes()
    {
        BenchChild child;
        QVERIFY(child.start(QStringLiteral("sh"),
                            {QStringLiteral("-c"),
                             QStringLiteral("echo noise; echo '@kb ready 2000000 a b'; "
                                            "echo '@kb action 3000000 1\tmenu click'; read x")},
                            QProcessEnvironment::systemEnvironment()));
        const BenchChild::Event *ready = child.waitFor("ready", 5000);
        QVERIFY(ready);
        QCOMPARE(ready->atMicros, 2000000);
        QCOMPARE(ready->details, QStringLiteral("a b"));
        const BenchChild::Event *action = child.waitFor("action", 5000);
        QVERIFY(action);
        QCOMPARE(action->details, QStringLiteral("1\tmenu click"));
        QCOMPARE(child.events("action").size(), 1);
        QCOMPARE(child.msTo("ready"), (2000000 - child.startedAt()) / 1000.0);
        QCOMPARE(child.msTo("never"), -1.0);
        child.stop(); // "quit" ends its read
    }

    void aSilentProgramIsWaitedForNoLongerThanTheBound()
    {
        BenchChild child;
        QVERIFY(child.start(QStringLiteral("sh"),
                            {QStringLiteral("-c"), QStringLiteral("sleep 30")},
                            QProcessEnvironment::systemEnvironment()));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!child.waitFor("ready", 500));
        QVERIFY(clock.elapsed() < 3000);
        const qint64 pid = child.pid();
        child.stop(); // no answer to "quit": terminated
        QCOMPARE(ProcessMemory::of(pid).processes, 0);
    }
};

QTEST_GUILESS_MAIN(TestBenchSupport)
#include "tst_benchsupport.moc"
