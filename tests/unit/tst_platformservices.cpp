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

    QTest::newRow("one pixel at 96 DPI") << 15.0;
    QTest::newRow("frame width") << 11595.0;
    QTest::newRow("negative offset") << -300.0;
    QTest::newRow("fractional") << 2655.5;
}

void TestPlatformServices::twipsFollowLogicalDpi()
{
    QFETCH(double, twips);
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    QCOMPARE(Twips::logicalDpi(), dpi);
    QCOMPARE(Twips::toPixels(twips), qRound(twips * dpi / 1440));
    const QRect r = Twips::rect(twips, -25, 2655 + 50, 9945 + 50);
    QCOMPARE(r.left(), Twips::toPixels(twips));
    QCOMPARE(r.top(), Twips::toPixels(-25));
    QCOMPARE(r.width(), Twips::toPixels(2705));
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
