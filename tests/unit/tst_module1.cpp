#include "requests/Module1.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QtTest>

using namespace Module1;

class TestModule1 : public QObject
{
    Q_OBJECT

private slots:
    void urlEncodeUtf8_data();
    void urlEncodeUtf8();
    void textToUtf8Bytes_data();
    void textToUtf8Bytes();
    void md5Rfc1321_data();
    void md5Rfc1321();
    void md5DigestMatchesQtAcrossBlockBoundaries();
};

void TestModule1::urlEncodeUtf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("U+00E9") << QStringLiteral("\u00E9") << QStringLiteral("%C3%A9");
    QTest::newRow("U+0080, first two-byte") << QStringLiteral("\u0080") << QStringLiteral("%C2%80");
    QTest::newRow("U+07FF, last two-byte") << QStringLiteral("\u07FF") << QStringLiteral("%DF%BF");
    QTest::newRow("U+0800, first three-byte")
        << QStringLiteral("\u0800") << QStringLiteral("%E0%A0%80");
    QTest::newRow("U+4E2D") << QStringLiteral("\u4E2D") << QStringLiteral("%E4%B8%AD");
    QTest::newRow("U+FFFF") << QString(QChar(0xFFFF)) << QStringLiteral("%EF%BF%BF");
    QTest::newRow("timestamp unchanged")
        << QStringLiteral("2024-03-05 07:08:09") << QStringLiteral("2024-03-05 07:08:09");
    QTest::newRow("reserved ASCII unchanged")
        << QStringLiteral("a b%&=+#?/:,") << QStringLiteral("a b%&=+#?/:,");
    QTest::newRow("control characters unchanged")
        << QStringLiteral("\t\n\x7F") << QStringLiteral("\t\n\x7F");
    // U+1F600 arrives as two units; each gets the three-byte form, there is no four-byte one.
    QTest::newRow("surrogate pair, unit by unit")
        << QString::fromUtf16(u"\U0001F600") << QStringLiteral("%ED%A0%BD%ED%B8%80");
    QTest::newRow("mixed") << QStringLiteral("id=\u5973\u88C5 1")
                           << QStringLiteral("id=%E5%A5%B3%E8%A3%85 1");
}

void TestModule1::urlEncodeUtf8()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(UrlEncodeUtf8(text), encoded);
}

void TestModule1::textToUtf8Bytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("plus becomes space")
        << QStringLiteral("a+b c") << QByteArray("\x61\x20\x62\x20\x63");
    QTest::newRow("U+4E2D") << QStringLiteral("\u4E2D") << QByteArray("\xE4\xB8\xAD");
    QTest::newRow("U+00E9") << QStringLiteral("\u00E9") << QByteArray("\xC3\xA9");
    QTest::newRow("percent text stays literal") << QStringLiteral("%2B") << QByteArray("%2B");
    QTest::newRow("NUL unit") << QString(QChar(0)) << QByteArray(1, '\0');
    QTest::newRow("lone high surrogate") << QString(QChar(0xD800)) << QByteArray("\xED\xA0\x80");
    QTest::newRow("lone low surrogate") << QString(QChar(0xDFFF)) << QByteArray("\xED\xBF\xBF");
}

void TestModule1::textToUtf8Bytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TextToUtf8Bytes(text), bytes);
}

void TestModule1::md5Rfc1321_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digest");

    // RFC 1321, appendix A.5.
    QTest::newRow("empty") << QString() << QStringLiteral("d41d8cd98f00b204e9800998ecf8427e");
    QTest::newRow("a") << QStringLiteral("a") << QStringLiteral("0cc175b9c0f1b6a831c399e269772661");
    QTest::newRow("abc") << QStringLiteral("abc")
                         << QStringLiteral("900150983cd24fb0d6963f7d28e17f72");
    QTest::newRow("message digest")
        << QStringLiteral("message digest") << QStringLiteral("f96b697d7cb7938d525a2f31aaf161d0");
    QTest::newRow("alphabet") << QStringLiteral("abcdefghijklmnopqrstuvwxyz")
                              << QStringLiteral("c3fcd3d76192e4007dfb496cca67e13b");
    QTest::newRow("alphanumerics")
        << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
        << QStringLiteral("d174ab98d277d9f5a5611c2c9f419d9f");
    QTest::newRow("digits x 8") << QStringLiteral("1234567890").repeated(8)
                                << QStringLiteral("57edf4a22be3c955ac49da2e2107b67a");
    // Digests of the UTF-8 bytes, unit by unit, taken with md5sum.
    QTest::newRow("U+4E2D") << QStringLiteral("\u4E2D")
                            << QStringLiteral("aed1dfbc31703955e64806b799b67645");
    QTest::newRow("lone high surrogate")
        << QString(QChar(0xD800)) << QStringLiteral("546d3dc8de10fbf8b448f678a47901e4");
    QTest::newRow("surrogate pair, unit by unit")
        << QString::fromUtf16(u"\U0001F600") << QStringLiteral("f99f51c2a9630a7f6b8c13c1818bc0c2");
    QTest::newRow("mixed units over three blocks")
        << QString::fromUtf16(u"\u00E9\u4E2D").append(QChar(0xD800)).append(u'x').repeated(20)
        << QStringLiteral("becc06226f9b1d63fe75a484ae03c6b5");
    // "+" is hashed as a blank.
    QTest::newRow("a+b") << QStringLiteral("a+b")
                         << QStringLiteral("0cc9cd4dd26c5137b675a0d819cb9ab0");
    QTest::newRow("only plus") << QStringLiteral("+")
                               << QStringLiteral("7215ee9c7d9dc229d2921a40e899ec5f");
    QTest::newRow("timestamp-like") << QStringLiteral("2024-03-05+07:08:09")
                                    << QStringLiteral("b452a3f051f542429137913fb947949e");
    QTest::newRow("plus with CJK")
        << QStringLiteral("\u4E2D+\u6587") << QStringLiteral("3b9c382ea5b5f4611677b5f6e1ade471");
}

void TestModule1::md5Rfc1321()
{
    QFETCH(QString, text);
    QFETCH(QString, digest);
    QCOMPARE(Md5Hex(text), digest);
}

void TestModule1::md5DigestMatchesQtAcrossBlockBoundaries()
{
    // Every length up to three blocks, so the tail of 55, 56, 63, 64 ... bytes is covered,
    // with all byte values including 0x2B and 0x80..0xFF.
    QRandomGenerator random(1321);
    for (int length = 0; length <= 200; ++length) {
        QByteArray bytes(length, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        QCOMPARE(Md5Digest(bytes), QCryptographicHash::hash(bytes, QCryptographicHash::Md5));
    }
    QByteArray large(1 << 20, Qt::Uninitialized);
    for (char &b : large)
        b = char(random.bounded(256));
    QCOMPARE(Md5Digest(large), QCryptographicHash::hash(large, QCryptographicHash::Md5));
}

QTEST_APPLESS_MAIN(TestModule1)
#include "tst_module1.moc"
