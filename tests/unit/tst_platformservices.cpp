#include "platform/SkinLayer.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

class TestPlatformServices : public QObject
{
    Q_OBJECT

private slots:
    void twipsFollowLogicalDpi_data();
    void twipsFollowLogicalDpi();
    void skinAppliedOnlyWhenFileExists();
};

void TestPlatformServices::twipsFollowLogicalDpi_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<int>("pixels"); // at 96 DPI, the offscreen screen's

    QTest::newRow("one pixel") << 15.0 << 1;
    QTest::newRow("frame width") << 11595.0 << 773;
    QTest::newRow("negative offset") << -300.0 << -20;
    QTest::newRow("fractional, rounded down") << 2655.5 << 177;
    QTest::newRow("half a pixel rounds away from zero") << 7.5 << 1;
    QTest::newRow("negative half a pixel") << -7.5 << -1;
    QTest::newRow("two thirds of a pixel back") << -10.0 << -1;
}

void TestPlatformServices::twipsFollowLogicalDpi()
{
    QFETCH(double, twips);
    QFETCH(int, pixels);
    QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    QCOMPARE(Twips::logicalDpi(), 96.0);
    QCOMPARE(Twips::toPixels(twips), pixels);
    QCOMPARE(Twips::rect(twips, -25, 2705, 9995), QRect(pixels, -2, 180, 666));
}

void TestPlatformServices::skinAppliedOnlyWhenFileExists()
{
    QTemporaryDir dir;
    const QString sheet = "QPushButton { background: rgb(255, 192, 128); }";
    const QString path = dir.filePath("AquaOS.ssk");
    qApp->setStyleSheet(QString());

    QVERIFY(!SkinLayer::LoadSkin(path, 0));
    QCOMPARE(qApp->styleSheet(), QString());

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(sheet.toUtf8());
    file.close();
    QVERIFY(SkinLayer::LoadSkin(path, 0));
    QCOMPARE(qApp->styleSheet(), sheet);

    QVERIFY(!SkinLayer::LoadSkin(dir.filePath("missing.ssk"), 0));
    QCOMPARE(qApp->styleSheet(), sheet); // a missing file leaves the skin alone
    qApp->setStyleSheet(QString());
}

QTEST_MAIN(TestPlatformServices)
#include "tst_platformservices.moc"
