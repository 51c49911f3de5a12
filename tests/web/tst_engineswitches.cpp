// The program's own engine policy: its Chromium switches added to a user's
// QTWEBENGINE_CHROMIUM_FLAGS, the four panes sharing one renderer process under
// them, and a profile that keeps nothing on disk.
#include "support/HeadlessEngine.h"
#include "support/ScriptedServer.h"
#include "support/WaitUntil.h"
#include "support/pane/PaneInspect.h"

#include "panes/EngineSwitches.h"
#include "panes/PaneEngine.h"
#include "panes/PaneScheme.h"
#include "panes/WebEnginePane.h"

#include <QApplication>
#include <QDirIterator>
#include <QFrame>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QtTest>

namespace {
// Each with its measured reason in EngineSwitches.cpp.
const QByteArray OwnSwitches = "--renderer-process-limit=1 --disable-gpu --disable-gpu-compositing "
                               "--js-flags=--optimize-for-size";
// Home and the XDG folders of the run: whatever the engine stores goes under it.
QTemporaryDir *home = nullptr;
} // namespace

class TestEngineSwitches : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Before any view exists, as the program does it before its windows.
        m_userFlags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        EngineSwitches::install();
    }

    void userFlagsAreKept_data()
    {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("after"); // what follows the program's own switches

        QTest::newRow("none") << QByteArray() << QByteArray();
        QTest::newRow("blank") << QByteArray("   ") << QByteArray();
        QTest::newRow("one") << QByteArray("--disable-gpu") << QByteArray(" --disable-gpu");
        QTest::newRow("several, trimmed") << QByteArray("  --disable-gpu --no-sandbox ")
                                          << QByteArray(" --disable-gpu --no-sandbox");
        // The same switch again: Chromium takes the last value, so the user's wins.
        QTest::newRow("the user's own limit") << QByteArray("--renderer-process-limit=4")
                                              << QByteArray(" --renderer-process-limit=4");
    }

    void userFlagsAreKept()
    {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, after);
        QCOMPARE(EngineSwitches::merged(user), OwnSwitches + after);
    }

    void installAddsToTheEnvironment()
    {
        // The suite's environment brings the user's flags.
        const QByteArray user = m_userFlags.simplified();
        QVERIFY(!user.isEmpty());
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), OwnSwitches + ' ' + user);
    }

    void fourPanesShareOneRenderer()
    {
        QWidget window;
        window.resize(900, 700);
        WebEnginePane *panes[4];
        for (int i = 0; i < 4; ++i) {
            auto *frame = new QFrame(&window);
            frame->setGeometry(i % 2 * 450, i / 2 * 350, 440, 340);
            panes[i] = new WebEnginePane(frame);
            panes[i]->setWidth(6000);
            panes[i]->setHeight(4800);
        }
        window.show();
        for (int i = 0; i < 4; ++i) {
            panes[i]->open();
            panes[i]->write(
                QStringLiteral("<p>pane %1</p><a href='http://[cid=%1]'>link</a>").arg(i));
        }
        QSet<qint64> renderers;
        for (WebEnginePane *pane : panes) {
            QVERIFY(PaneInspect::waitForDocument(pane));
            QVERIFY(waitUntil([pane] { return pane->view()->page()->renderProcessPid() > 0; }));
            renderers.insert(pane->view()->page()->renderProcessPid());
        }
        QCOMPARE(renderers.size(), 1);
        // Each pane still shows its own document.
        for (int i = 0; i < 4; ++i)
            QVERIFY(
                PaneInspect::toPlainText(panes[i]).startsWith(QStringLiteral("pane %1\n").arg(i)));
    }

    void engineKeepsNothingOnDisk()
    {
        // A document with a picture and a style sheet, which a disk cache would keep.
        ScriptedServer server;
        ScriptedServer::Response picture;
        picture.contentType = "image/gif";
        picture.body = QByteArray::fromBase64("R0lGODlhAQABAAAAACwAAAAAAQABAAACAkQBADs=");
        server.routeFixed(QStringLiteral("/p.gif"), picture);
        QFrame frame;
        WebEnginePane pane(&frame);
        pane.open();
        pane.write(QStringLiteral("<img src='%1'>").arg(server.url(QStringLiteral("/p.gif"))));
        QVERIFY(PaneInspect::waitForDocument(&pane));
        QCOMPARE(PaneInspect::evaluate(&pane, QStringLiteral("document.images[0].naturalWidth")),
                 QVariant(1));

        const QWebEngineProfile *profile = pane.view()->page()->profile();
        QCOMPARE(profile, PaneEngine::profile());
        QVERIFY(profile->isOffTheRecord());
        QCOMPARE(profile->httpCacheType(), QWebEngineProfile::MemoryHttpCache);
        QCOMPARE(profile->httpCacheMaximumSize(), PaneEngine::HttpCacheBytes);
        QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::NoPersistentCookies);
        QVERIFY(!profile->settings()->testAttribute(QWebEngineSettings::LocalStorageEnabled));
        QStringList files;
        QDirIterator all(home->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (all.hasNext())
            files << all.next();
        QVERIFY2(files.isEmpty(), qPrintable(files.join(QLatin1Char(' '))));
    }

private:
    QByteArray m_userFlags;
};

int main(int argc, char **argv)
{
    QTemporaryDir folder;
    home = &folder;
    for (const char *name : {"HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        qputenv(name, folder.path().toUtf8());
    prepareHeadlessEngine();
    PaneScheme::registerScheme();
    QApplication app(argc, argv);
    TestEngineSwitches test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_engineswitches.moc"
