#include "support/ScriptedServer.h"

#include "platform/BlockingFetch.h"
#include "platform/XmlReader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

ScriptedServer::Response xml(const QByteArray &body, const QByteArray &contentType = "text/xml")
{
    ScriptedServer::Response r;
    r.contentType = contentType;
    r.body = body;
    return r;
}

// An answer with its total inside count nested elements.
QByteArray nested(int count)
{
    return "<RESULTS><PTOTAL>" + QByteArray("<a>").repeated(count) + "7" +
           QByteArray("</a>").repeated(count) + "</PTOTAL></RESULTS>";
}

// An answer whose total element carries count attributes.
QByteArray attributes(int count)
{
    QByteArray tag = "<PTOTAL";
    for (int i = 0; i < count; ++i)
        tag += " a" + QByteArray::number(i) + "=\"\"";
    return "<RESULTS>" + tag + ">7</PTOTAL></RESULTS>";
}

// A search answer shaped like the affiliate service's.
const char SearchAnswer[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<RESULTS><PTOTAL>42</PTOTAL>\n"
    "  <PRESULTS>\n"
    "    <ITEM><TITLE>连衣裙 &amp; 外套</TITLE><PRICE>59.00</PRICE></ITEM>\n"
    "    <ITEM><TITLE>女装</TITLE><PRICE>8</PRICE><NICK/></ITEM>\n"
    "    <!-- a comment is not a child -->\n"
    "    <ITEM><TITLE><![CDATA[<b>毛衣</b>]]></TITLE></ITEM>\n"
    "  </PRESULTS>\n"
    "</RESULTS>\n";

} // namespace

class TestXmlReader : public QObject
{
    Q_OBJECT

private slots:
    void walksByPositionAndTag();
    void unusableAnswersGiveEmptyDocument_data();
    void unusableAnswersGiveEmptyDocument();
    void boundedShapesAreRead_data();
    void boundedShapesAreRead();
    void honoursEncodingDeclaration_data();
    void honoursEncodingDeclaration();
    void settingAgainReplacesDocument();
    void timeoutGivesEmptyDocument();

private:
    BlockingFetch m_fetch;
};

void TestXmlReader::walksByPositionAndTag()
{
    ScriptedServer server;
    server.routeFixed("/rpc", xml(SearchAnswer));

    XmlReader reader(&m_fetch);
    reader.setURL(server.url("/rpc"));
    const QDomElement root = reader.root();
    QCOMPARE(root.tagName(), QStringLiteral("RESULTS"));
    QCOMPARE(XmlReader::childText(root, "PTOTAL"), QStringLiteral("42"));

    const QList<QDomElement> items = XmlReader::children(XmlReader::item(root, "PRESULTS"));
    QCOMPARE(items.size(), 3);
    QCOMPARE(XmlReader::childText(items[0], "TITLE"), QStringLiteral("连衣裙 & 外套"));
    QCOMPARE(XmlReader::childText(items[0], "PRICE"), QStringLiteral("59.00"));
    QCOMPARE(XmlReader::childText(items[1], "TITLE"), QStringLiteral("女装"));
    QCOMPARE(XmlReader::childText(items[2], "TITLE"), QStringLiteral("<b>毛衣</b>"));

    // Missing pieces read as empty text, never as an error.
    QCOMPARE(XmlReader::childText(items[1], "NICK"), QString());
    QCOMPARE(XmlReader::childText(items[2], "PRICE"), QString());
    QVERIFY(XmlReader::item(items[2], "PRICE").isNull());
    QCOMPARE(XmlReader::children(XmlReader::item(root, "MISSING")).size(), 0);
    QCOMPARE(XmlReader::childText(XmlReader::item(root, "MISSING"), "TITLE"), QString());
    // Tag names are matched exactly, as XML has them.
    QCOMPARE(XmlReader::childText(root, "ptotal"), QString());
}

void TestXmlReader::unusableAnswersGiveEmptyDocument_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("not closed") << 200 << QByteArray("<RESULTS><PTOTAL>3</PTOTAL>");
    QTest::newRow("mismatched tags") << 200 << QByteArray("<a><b>x</a></b>");
    QTest::newRow("HTML error page") << 200 << QByteArray("<html><body><p>busy<br></body></html>");
    QTest::newRow("plain text") << 200 << QByteArray("service unavailable");
    QTest::newRow("empty body") << 200 << QByteArray();
    QTest::newRow("error status with XML") << 500 << QByteArray(SearchAnswer);
    QTest::newRow("not found") << 404 << QByteArray("<error/>");
    // Shapes no service sends, which the DOM parser would take minutes over at full size.
    QTest::newRow("nested 257 deep") << 200 << nested(255);
    QTest::newRow("nested 100000 deep") << 200 << nested(100000);
    QTest::newRow("129 attributes") << 200 << attributes(129);
    QTest::newRow("500000 attributes") << 200 << attributes(500000);
    QTest::newRow("129 attributes, = hidden in UTF-7")
        << 200
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-7\"?>" +
                      attributes(129).replace("=", "+AD0-"));
}

void TestXmlReader::unusableAnswersGiveEmptyDocument()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);

    ScriptedServer server;
    ScriptedServer::Response r = xml(body);
    r.status = status;
    server.routeFixed("/rpc", r);

    XmlReader reader(&m_fetch);
    reader.setURL(server.url("/rpc"));
    QCOMPARE(server.requestCount("/rpc"), 1);
    QVERIFY(reader.root().isNull());
    QCOMPARE(XmlReader::children(reader.root()).size(), 0);
    QCOMPARE(XmlReader::childText(reader.root(), "PTOTAL"), QString());
    QCOMPARE(XmlReader::text(reader.root()), QString());
}

void TestXmlReader::boundedShapesAreRead_data()
{
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("nested 256 deep") << nested(254);
    QTest::newRow("128 attributes") << attributes(128);
    QTest::newRow("128 = in text") << QByteArray(
        "<RESULTS><PTOTAL>7</PTOTAL><T>" + QByteArray("a=b").repeated(128) + "</T></RESULTS>");
}

void TestXmlReader::boundedShapesAreRead()
{
    QFETCH(QByteArray, body);

    XmlReader reader;
    reader.setContent(body);
    QCOMPARE(reader.root().tagName(), QStringLiteral("RESULTS"));
    QCOMPARE(XmlReader::childText(reader.root(), "PTOTAL"), QStringLiteral("7"));
}

void TestXmlReader::honoursEncodingDeclaration_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");

    // "女装" in GBK is C5 AE D7 B0.
    const QByteArray gbkBody("<?xml version=\"1.0\" encoding=\"GBK\"?>"
                             "<r><cat><name>\xC5\xAE\xD7\xB0</name></cat></r>");
    QTest::newRow("GBK declared, no header charset") << QByteArray("text/xml") << gbkBody;
    QTest::newRow("GBK declared, header says UTF-8")
        << QByteArray("text/xml; charset=utf-8") << gbkBody;
    QTest::newRow("GB2312 declared")
        << QByteArray("text/xml")
        << QByteArray("<?xml version=\"1.0\" encoding=\"gb2312\"?>"
                      "<r><cat><name>\xC5\xAE\xD7\xB0</name></cat></r>");
    QTest::newRow("UTF-8 undeclared")
        << QByteArray("application/xml")
        << QStringLiteral("<r><cat><name>女装</name></cat></r>").toUtf8();
}

void TestXmlReader::honoursEncodingDeclaration()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);

    ScriptedServer server;
    server.routeFixed("/cats", xml(body, contentType));
    XmlReader reader(&m_fetch);
    reader.setURL(server.url("/cats"));
    const QList<QDomElement> cats = XmlReader::children(reader.root());
    QCOMPARE(cats.size(), 1);
    QCOMPARE(XmlReader::childText(cats[0], "name"), QStringLiteral("女装"));
}

void TestXmlReader::settingAgainReplacesDocument()
{
    ScriptedServer server;
    server.routeFixed("/one", xml("<a><RESULT>first</RESULT></a>"));
    server.routeFixed("/two", xml("<b><RESULT>second</RESULT></b>"));

    XmlReader reader(&m_fetch);
    reader.setURL(server.url("/one"));
    QCOMPARE(XmlReader::childText(reader.root(), "RESULT"), QStringLiteral("first"));
    reader.setURL(server.url("/two"));
    QCOMPARE(reader.root().tagName(), QStringLiteral("b"));
    QCOMPARE(XmlReader::childText(reader.root(), "RESULT"), QStringLiteral("second"));
    // A failing load leaves nothing of the earlier document behind.
    reader.setURL(server.url("/missing"));
    QVERIFY(reader.root().isNull());
    QCOMPARE(XmlReader::childText(reader.root(), "RESULT"), QString());
}

void TestXmlReader::timeoutGivesEmptyDocument()
{
    ScriptedServer server;
    ScriptedServer::Response silent;
    silent.kind = ScriptedServer::Response::Silent;
    server.routeFixed("/rpc", silent);

    // The reader's time-out is the one the fetch service was built with.
    FetchOptions options;
    options.xmlTimeoutMs = 2500;
    BlockingFetch fetch(options);
    int ticks = 0, busyTicks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        ++ticks;
        busyTicks += fetch.isBusy() ? 1 : 0;
    });
    ticker.start(100);

    XmlReader reader(&fetch);
    QElapsedTimer clock;
    clock.start();
    reader.setURL(server.url("/rpc"));
    const qint64 elapsed = clock.elapsed();
    ticker.stop();

    qInfo("time-out of %d ms returned after %lld ms, %d timer ticks meanwhile",
          options.xmlTimeoutMs, elapsed, ticks);
    QVERIFY(reader.root().isNull());
    QVERIFY2(elapsed >= options.xmlTimeoutMs - 100 && elapsed < options.xmlTimeoutMs + 5000,
             qPrintable(QString::number(elapsed)));
    QVERIFY(ticks >= 10);
    QCOMPARE(busyTicks, ticks);
    QVERIFY(!fetch.isBusy());
}

QTEST_MAIN(TestXmlReader)
#include "tst_xmlreader.moc"
