#include "support/TestDoubles.h"

#include <QtTest>

class TestBrowserLauncher : public QObject
{
    Q_OBJECT

private slots:
    void opensOnlyWebAddresses_data();
    void opensOnlyWebAddresses();
};

void TestBrowserLauncher::opensOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");

    QTest::newRow("affiliate http") << "http://s.click.taobao.com/t_8?e=7HZ6jHSTbIQ&p=mm_1" << true;
    QTest::newRow("https") << "https://item.taobao.com/item.htm?id=123" << true;
    QTest::newRow("upper-case scheme") << "HTTP://example.com/" << true;
    QTest::newRow("loopback with port") << "http://127.0.0.1:8780/item?id=5" << true;
    QTest::newRow("Chinese in query") << "http://example.com/s?q=女装" << true;

    QTest::newRow("empty") << "" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("javascript") << "javascript:x" << false;
    QTest::newRow("javascript split by newline") << "javasc\nript:x" << false;
    QTest::newRow("windows program") << "C:\\x.exe" << false;
    QTest::newRow("ftp") << "ftp://x" << false;
    QTest::newRow("no host") << "http://" << false;
    QTest::newRow("scheme only, no slashes") << "http:evil.com" << false;
    QTest::newRow("second argument") << "http://a.com/ --new-window file:///etc/passwd" << false;
    QTest::newRow("newline inside") << "http://a.com/\nfile:///etc/passwd" << false;
    QTest::newRow("leading blank") << " http://a.com/" << false;
    QTest::newRow("pseudo-link") << "http://[cid=16][name=女装]" << false;
    QTest::newRow("server error text") << "<error>no such item</error>" << false;
}

void TestBrowserLauncher::opensOnlyWebAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);

    RecordingBrowserLauncher launcher;
    QCOMPARE(BrowserLauncher::isOpenable(address), opened);
    QCOMPARE(launcher.open(address), opened);
    QCOMPARE(launcher.attempts, 1);
    QCOMPARE(launcher.opened, opened ? QStringList{address} : QStringList());
}

QTEST_GUILESS_MAIN(TestBrowserLauncher)
#include "tst_browserlauncher.moc"
