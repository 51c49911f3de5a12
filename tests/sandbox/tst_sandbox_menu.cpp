// The sandbox's menu copies, portal page and background pictures over real
// HTTP, held to what the program requires of them: a table for the menu's
// routes and one for the portal, each with the options that change them.

#include "support/SandboxProcess.h"

#include "kestrova_config.h"

#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

class TestSandboxMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void menu_data();
    void menu();
    void namesGoInAsRead_data();
    void namesGoInAsRead();
    void portal_data();
    void portal();
    void backgrounds();

private:
    SandboxProcess m_sandbox;
    QList<QStringList> m_rows;
};

void TestSandboxMenu::initTestCase()
{
    if (SandboxProcess::executable().isEmpty())
        QSKIP("built without the sandbox");
    m_rows = SandboxProcess::categoryRows();
    QVERIFY(m_rows.size() > 4000);
    QVERIFY2(m_sandbox.start(), "the sandbox did not start");
}

void TestSandboxMenu::menu_data()
{
    QTest::addColumn<QStringList>("arguments"); // the sandbox's options; none: the shared one
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("encoding"); // of the menu served
    const QString primary = QStringLiteral("/Excel/Menu.rar");
    const QString copy = QStringLiteral("/ContentPane.aspx?down=ok&filepath=%1%2fMenu.rar")
                             .arg(KESTROVA_FILE_FOLDER);
    const QStringList noPrimary{"--no-primary-menu"};
    QTest::newRow("primary") << QStringList() << primary << 200 << "GBK";
    QTest::newRow("file host copy") << QStringList() << copy << 200 << "GBK";
    QTest::newRow("file host, another folder")
        << QStringList() << "/ContentPane.aspx?down=ok&filepath=elsewhere%2fMenu.rar" << 404 << "";
    QTest::newRow("primary, switched off") << noPrimary << primary << 404 << "";
    QTest::newRow("file host copy, primary switched off") << noPrimary << copy << 200 << "GBK";
    QTest::newRow("primary in UTF-8")
        << QStringList{"--menu-encoding", "UTF-8"} << primary << 200 << "UTF-8";
    QTest::newRow("primary in GB18030")
        << QStringList{"--menu-encoding", "GB18030"} << primary << 200 << "GB18030";
}

void TestSandboxMenu::menu()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, target);
    QFETCH(int, status);
    QFETCH(QString, encoding);
    SandboxProcess own;
    if (!arguments.isEmpty())
        QVERIFY(own.start(arguments));
    const auto reply = (arguments.isEmpty() ? m_sandbox : own).get(target);
    QCOMPARE(reply.status, status);
    if (status != 200) {
        QVERIFY(!QString::fromUtf8(reply.body).contains("女装"));
        return;
    }
    QCOMPARE(SandboxProcess::charsetOf(reply.contentType).toUpper(), encoding.toUpper());
    QStringDecoder decoder(encoding.toLatin1().constData());
    const QString text = decoder.decode(reply.body);
    QVERIFY(!decoder.hasError());
    // Really bytes of that encoding: UTF-8 bytes of the mark appear only for UTF-8.
    QCOMPARE(reply.body.toUpper() == text.toUtf8().toUpper(), encoding == "UTF-8");
    QCOMPARE(reply.body.contains(QStringLiteral("女装").toUtf8()), encoding == "UTF-8");

    // 1. the validity mark
    QVERIFY(text.contains("女装"));
    // 2. every link a pseudo-link with cid and name, one per top-level category
    static const QRegularExpression anchor("<a ([^>]*)>([^<]*)</a>");
    static const QRegularExpression pseudo("^href='http://\\[cid=(\\d+)\\]\\[name=([^\\]]+)\\]'$");
    QSet<QString> cids;
    for (const auto &m : anchor.globalMatch(text)) {
        const auto p = pseudo.match(m.captured(1));
        QVERIFY2(p.hasMatch(), qPrintable(m.captured(0)));
        QCOMPARE(m.captured(2), p.captured(2));
        cids.insert(p.captured(1));
    }
    QSet<QString> topLevel;
    for (const QStringList &row : std::as_const(m_rows)) {
        if (row.value(1) == "0")
            topLevel.insert(row.value(0));
    }
    QCOMPARE(cids, topLevel);
    // 3. the first "href=" from position 100 (1-based) opens the start category,
    //    whose fields end within the 50 characters from there
    const qsizetype at = text.indexOf("href=", 99);
    QVERIFY(at >= 99);
    const QString window = text.mid(at, 50);
    QVERIFY2(window.startsWith("href='http://[cid=16][name=女装/女士精品]"), qPrintable(window));

    // Its own look: a style block ahead of every link, small type, no line kept from
    // wrapping, so that no name runs out of the narrow pane.
    const qsizetype style = text.indexOf("<style type='text/css'>");
    QVERIFY(style >= 0);
    QVERIFY(style < text.indexOf("href="));
    const QString block = text.mid(style, text.indexOf("</style>") - style);
    QVERIFY2(block.contains(" a{color:#0044dd; text-decoration:none; font-size:12px}"),
             qPrintable(block));
    QVERIFY(block.contains("a:hover{color:#FF5500; text-decoration:underline;}"));
    QVERIFY(!text.contains("<nobr>"));
    QVERIFY(!block.contains("white-space"));
    // Only the start link precedes the list itself.
    QCOMPARE(text.count("href="), topLevel.size() + 1);
}

void TestSandboxMenu::namesGoInAsRead_data()
{
    QTest::addColumn<QString>("startName"); // of category 16
    QTest::addColumn<QString>("otherName");
    QTest::newRow("apostrophe") << "女装/女士精品"
                                << "Levi's 牛仔";
    QTest::newRow("closing bracket") << "女装/女士精品"
                                     << "[特价]书籍]";
    QTest::newRow("both, in the start category") << "女装'精品]"
                                                 << "a]b'c";
}

void TestSandboxMenu::namesGoInAsRead()
{
    QFETCH(QString, startName);
    QFETCH(QString, otherName);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath("cats.tsv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("cid\tparent_cid\tname\tis_parent\n"
                              "11\t0\t电脑硬件\tfalse\n16\t0\t%1\tfalse\n30\t0\t%2\tfalse\n")
                   .arg(startName, otherName)
                   .toUtf8());
    file.close();
    SandboxProcess sandbox;
    QVERIFY(sandbox.start({"--categories", file.fileName(), "--items", "30", "--sellers", "3"}));
    const auto reply = sandbox.get("/Excel/Menu.rar");
    QCOMPARE(reply.status, 200);
    const QString text = QStringDecoder("GBK").decode(reply.body);

    // Each link exactly as the program composes its own, nothing escaped.
    const auto link = [](const QString &cid, const QString &name) {
        return QStringLiteral("<a href='http://[cid=%1][name=%2]'>%2</a>").arg(cid, name);
    };
    QCOMPARE(text.count(link("16", startName)), 2); // the start link and its line in the list
    QCOMPARE(text.count(link("30", otherName)), 1);
    QCOMPARE(text.count(link("11", "电脑硬件")), 1);
    const qsizetype at = text.indexOf("href=", 99);
    QVERIFY(at >= 99);
    QVERIFY2(text.mid(at, 50).startsWith("href='http://[cid=16][name=" + startName + "]"),
             qPrintable(text.mid(at, 50)));
}

void TestSandboxMenu::portal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("encoding");
    QTest::newRow("by default") << QStringList() << "UTF-8";
    QTest::newRow("in GBK") << QStringList{"--probe-encoding", "GBK"} << "GBK";
}

void TestSandboxMenu::portal()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, encoding);
    SandboxProcess own;
    if (!arguments.isEmpty())
        QVERIFY(own.start(arguments));
    const auto reply = (arguments.isEmpty() ? m_sandbox : own).get("/");
    QCOMPARE(reply.status, 200);
    QCOMPARE(SandboxProcess::charsetOf(reply.contentType).toUpper(), encoding.toUpper());
    QStringDecoder decoder(encoding.toLatin1().constData());
    QVERIFY(decoder.isValid());
    const QString text = decoder.decode(reply.body);
    QVERIFY(!decoder.hasError());
    // The probe's mark, in bytes of that encoding.
    QVERIFY(text.contains("百度"));
    QCOMPARE(reply.body.contains(QStringLiteral("百度").toUtf8()), encoding == "UTF-8");
}

void TestSandboxMenu::backgrounds()
{
    for (int n = 1; n <= 4; ++n) {
        const auto reply = m_sandbox.get(QStringLiteral("/images/%1.jpg").arg(n));
        QCOMPARE(reply.status, 200);
        const QImage image = QImage::fromData(reply.body, "JPG");
        QVERIFY(!image.isNull());
        // Light enough to read link text on: every sampled pixel is pale.
        for (int y = 0; y < image.height(); y += 7) {
            for (int x = 0; x < image.width(); x += 7)
                QVERIFY(qGray(image.pixel(x, y)) > 215);
        }
    }
    QCOMPARE(m_sandbox.get("/images/5.jpg").status, 404);
    QCOMPARE(m_sandbox.get("/no/such/page").status, 404);
}

QTEST_GUILESS_MAIN(TestSandboxMenu)
#include "tst_sandbox_menu.moc"
