#include "requests/Module1.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QtTest>

using namespace Module1;

namespace {

// UTF-8 of each 16-bit unit on its own, as the digest expects; QString::toUtf8 would turn
// a lone surrogate into a replacement character instead.
QByteArray unitByUnitUtf8(const QString &text)
{
    QByteArray bytes;
    for (const QChar ch : text) {
        const unsigned c = ch.unicode();
        if (c < 0x80) {
            bytes.append(char(c));
        } else if (c < 0x800) {
            bytes.append(char(0xC0 | (c >> 6)));
            bytes.append(char(0x80 | (c & 0x3F)));
        } else {
            bytes.append(char(0xE0 | (c >> 12)));
            bytes.append(char(0x80 | ((c >> 6) & 0x3F)));
            bytes.append(char(0x80 | (c & 0x3F)));
        }
    }
    return bytes;
}

QString qtMd5(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// One unit from the mix the program meets: ASCII without "+", Latin and other two-byte
// units, CJK, and surrogate halves (paired or not).
char16_t randomUnit(QRandomGenerator &random)
{
    switch (random.bounded(5)) {
    case 0:
    case 1: {
        char16_t c;
        do {
            c = char16_t(random.bounded(0x80));
        } while (c == u'+');
        return c;
    }
    case 2:
        return char16_t(random.bounded(0x80, 0x800));
    case 3:
        return char16_t(random.bounded(0x4E00, 0xA000));
    default:
        return char16_t(random.bounded(0xD800, 0xE000));
    }
}

} // namespace

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
    void md5MatchesQtOnRandomTexts();
    void md5DigestMatchesQtAcrossBlockBoundaries();
    void plusIsHashedAsSpace_data();
    void plusIsHashedAsSpace();
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
}

void TestModule1::md5Rfc1321()
{
    QFETCH(QString, text);
    QFETCH(QString, digest);
    QCOMPARE(Md5Hex(text), digest);
}

void TestModule1::md5MatchesQtOnRandomTexts()
{
    QRandomGenerator random(20240305);
    for (int n = 0; n < 1000; ++n) {
        // Lengths up to 150 units: up to 450 bytes, so every padding case comes up.
        const int length = int(random.bounded(151));
        QString text;
        text.reserve(length);
        for (int i = 0; i < length; ++i)
            text.append(QChar(randomUnit(random)));
        const QString expected = qtMd5(unitByUnitUtf8(text));
        if (Md5Hex(text) != expected) {
            qWarning() << "text" << n << "units" << text.size() << "utf8"
                       << unitByUnitUtf8(text).toHex();
            QCOMPARE(Md5Hex(text), expected);
        }
    }
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

void TestModule1::plusIsHashedAsSpace_data()
{
    QTest::addColumn<QString>("withPlus");
    QTest::addColumn<QString>("withSpace");

    QTest::newRow("a+b") << QStringLiteral("a+b") << QStringLiteral("a b");
    QTest::newRow("only plus") << QStringLiteral("+") << QStringLiteral(" ");
    QTest::newRow("timestamp-like")
        << QStringLiteral("2024-03-05+07:08:09") << QStringLiteral("2024-03-05 07:08:09");
    QTest::newRow("with CJK") << QStringLiteral("\u4E2D+\u6587") << QStringLiteral("\u4E2D \u6587");
}

void TestModule1::plusIsHashedAsSpace()
{
    QFETCH(QString, withPlus);
    QFETCH(QString, withSpace);
    QCOMPARE(Md5Hex(withPlus), Md5Hex(withSpace));
    QCOMPARE(Md5Hex(withSpace), qtMd5(unitByUnitUtf8(withSpace)));
    QVERIFY(Md5Hex(withPlus) != qtMd5(withPlus.toUtf8()));
}

QTEST_APPLESS_MAIN(TestModule1)
#include "tst_module1.moc"
