#include "requests/NumberText.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <cmath>
#include <limits>

using namespace NumberText;

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void numericValue_data();
    void numericValue();
    void decimalText_data();
    void decimalText();
    void roundTrip();
    void independentOfCommaLocale();
};

void TestNumberText::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("integer") << QStringLiteral("20") << 20.0;
    QTest::newRow("leading blanks") << QStringLiteral("  \t 12") << 12.0;
    QTest::newRow("fraction then text") << QStringLiteral("-3.5abc") << -3.5;
    QTest::newRow("plus sign") << QStringLiteral("+7") << 7.0;
    QTest::newRow("no number") << QStringLiteral("abc") << 0.0;
    QTest::newRow("leading point") << QStringLiteral(".5") << 0.5;
    QTest::newRow("negative leading point") << QStringLiteral("-.25") << -0.25;
    QTest::newRow("trailing point") << QStringLiteral("1.") << 1.0;
    QTest::newRow("stops at text") << QStringLiteral("12abc34") << 12.0;
    QTest::newRow("no exponent") << QStringLiteral("1e5") << 1.0;
    QTest::newRow("thousands separator ends it") << QStringLiteral("1,000") << 1.0;
    QTest::newRow("sign alone") << QStringLiteral("-") << 0.0;
    QTest::newRow("point alone") << QStringLiteral(".") << 0.0;
    QTest::newRow("blank after sign") << QStringLiteral("- 5") << 0.0;
    QTest::newRow("second point") << QStringLiteral("1.2.3") << 1.2;
    QTest::newRow("full-width digit is no digit") << QStringLiteral("\uFF11") << 0.0;
    QTest::newRow("price") << QStringLiteral("99.95") << 99.95;
    QTest::newRow("long total") << QStringLiteral("123456789012") << 123456789012.0;
    QTest::newRow("minus zero") << QStringLiteral("-0") << 0.0;
}

void TestNumberText::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumberText::numericValue(text), value);
}

void TestNumberText::decimalText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0.0 << QStringLiteral("0");
    QTest::newRow("minus zero") << -0.0 << QStringLiteral("0");
    QTest::newRow("row offset") << 1980.0 << QStringLiteral("1980");
    QTest::newRow("half") << 0.5 << QStringLiteral("0.5");
    QTest::newRow("negative") << -2.5 << QStringLiteral("-2.5");
    QTest::newRow("binary noise rounded away") << 0.1 + 0.2 << QStringLiteral("0.3");
    QTest::newRow("price") << 99.95 << QStringLiteral("99.95");
    QTest::newRow("third") << 1.0 / 3 << QStringLiteral("0.333333333333333");
    QTest::newRow("15 significant digits")
        << 123456789.123456789 << QStringLiteral("123456789.123457");
    QTest::newRow("small, no exponent") << 1.5e-7 << QStringLiteral("0.00000015");
    QTest::newRow("tiny") << 1e-20 << QStringLiteral("0.00000000000000000001");
    QTest::newRow("1e15, no exponent") << 1e15 << QStringLiteral("1000000000000000");
    QTest::newRow("large, rounded to 15 digits")
        << 1234567890123456789.0 << QStringLiteral("1234567890123460000");
    QTest::newRow("rounding carries into a new digit")
        << 999999999999999.9 << QStringLiteral("1000000000000000");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN()
                                  << QStringLiteral("0");
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << QStringLiteral("0");
}

void TestNumberText::decimalText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NumberText::decimalText(value), text);
}

void TestNumberText::roundTrip()
{
    // Page numbers and offsets go to text and back unchanged.
    for (int page = 1; page <= 100; ++page) {
        const double offset = (page - 1) * 20.0;
        QCOMPARE(NumberText::numericValue(NumberText::decimalText(offset)), offset);
        QCOMPARE(NumberText::decimalText(NumberText::numericValue(QString::number(page))),
                 QString::number(page));
    }
    for (int cents = 0; cents < 100000; cents += 7) {
        const double price = cents / 100.0;
        QCOMPARE(NumberText::numericValue(NumberText::decimalText(price)), price);
    }
}

void TestNumberText::independentOfCommaLocale()
{
    // A Qt application takes LC_NUMERIC from the environment; a comma locale must not
    // change how numbers are read or written. Build one if the system has none.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const char *name = "de_DE.UTF-8";
    const auto restore = qScopeGuard([] {
        std::setlocale(LC_NUMERIC, "C");
        qunsetenv("LOCPATH");
    });
    if (!std::setlocale(LC_NUMERIC, name)) {
        QProcess localedef;
        localedef.start(QStringLiteral("localedef"),
                        {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                         QStringLiteral("UTF-8"), dir.filePath(QString::fromLatin1(name))});
        if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0)
            QSKIP("no comma locale available");
        qputenv("LOCPATH", QFile::encodeName(dir.path()));
        if (!std::setlocale(LC_NUMERIC, name))
            QSKIP("comma locale could not be set");
    }
    QCOMPARE(std::localeconv()->decimal_point[0], ',');
    const double value = NumberText::numericValue(QStringLiteral("12.75"));
    const QString text = NumberText::decimalText(0.5);
    QCOMPARE(value, 12.75);
    QCOMPARE(text, QStringLiteral("0.5"));
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
