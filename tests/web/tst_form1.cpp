// The main window after load, on real widgets and real WebEngine panes.
#include "support/ScriptedServer.h"
#include "support/TestConfiguration.h"
#include "support/TestDoubles.h"
#include "support/WaitUntil.h"
#include "support/pane/PaneInspect.h"

#include "app/BusyNotice.h"
#include "app/Form1.h"
#include "app/WindowAccessibility.h"
#include "catalog/CategoryMenu.h"
#include "catalog/ChildCategories.h"
#include "handlers/Form1Routines.h"
#include "panes/EngineSwitches.h"
#include "panes/PaneScheme.h"
#include "panes/WebEnginePane.h"
#include "platform/PagePane.h"
#include "platform/ProcessSettings.h"
#include "platform/Twips.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "search/ItemClickThrough.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <csignal>
#include <malloc.h>

class TestForm1 : public QObject
{
    Q_OBJECT

    ScriptedServer m_server;
    FakeNetworkState m_network;
    RecordingBrowserLauncher m_browser;
    Form1 *m_form = nullptr;
    QStringList m_messages;

    // A control by object name, or a pane's view by "pane1" to "pane4".
    QWidget *stop(const QString &name)
    {
        const Form1Controls &ui = m_form->context().ui;
        PagePane *panes[] = {ui.WebBrowser1, ui.WebBrowser2, ui.WebBrowser3, ui.WebBrowser4};
        if (name.startsWith(QLatin1String("pane")))
            return static_cast<WebEnginePane *>(panes[name.mid(4).toInt() - 1])->view();
        return m_form->findChild<QWidget *>(name);
    }

    QLabel *labelWithText(const QString &text)
    {
        for (QLabel *label : m_form->findChildren<QLabel *>())
            if (label->text() == text)
                return label;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        // Everything points at a server that answers nothing useful.
        TestConfiguration::installOneHost(m_server.hostPort(), m_server.url(QStringLiteral("/")));
        m_network.connected = false;
        Form1Options options;
        options.network = &m_network;
        options.browser = &m_browser;
        options.messageBox = [this](const QString &, const QString &text) {
            m_messages.append(text);
        };
        WindowAccessibility::install();
        m_form = new Form1(options);
        m_form->Show();
    }
    void cleanupTestCase() { delete m_form; }

    void stateAfterLoadWithoutNetwork()
    {
        const MainState &s = m_form->context().state;
        QCOMPARE(s.CancelNav, true);
        QCOMPARE(s.IsOnline, false);
        QCOMPARE(s.OnlineCount, 0);
        QCOMPARE(s.CatIds, QStringList{QString()});
        QCOMPARE(s.CatNames, QStringList{QString()});
        QVERIFY(s.CatParentIds.isEmpty());
        QCOMPARE(s.UiReady, true);
        QCOMPARE(m_network.queries, 1);
        QCOMPARE(m_server.requestCount(), 0);
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->timer1().interval(), 5000);
        QVERIFY(m_form->timer1().isActive());
        QCOMPARE(m_form->timer2().interval(), 100);
        QVERIFY(m_form->timer2().isActive());
    }

    void listsAfterLoad()
    {
        const Form1Controls &ui = m_form->context().ui;
        QCOMPARE(ui.TB_Search->text(), QString());
        QCOMPARE(ui.CB_Sub->count(), 2);
        QCOMPARE(ui.CB_Sub->itemText(0), QStringLiteral("当前类目"));
        QCOMPARE(ui.CB_Sub->itemText(1), QStringLiteral("所有类目"));
        QCOMPARE(ui.CB_Sub->currentText(), QStringLiteral("当前类目"));
        QCOMPARE(ui.CB_page->count(), 1);
        QCOMPARE(ui.CB_page->itemText(0), QStringLiteral("1"));
        QCOMPARE(ui.CB_page->currentIndex(), -1);
        const QStringList sorts = {
            QStringLiteral("价格从高到低               [7]"),
            QStringLiteral("价格从低到高               [8]"),
            QStringLiteral("成交量成高到低             [9]"),
            QStringLiteral("成交量从低到高             [10]"),
        };
        QCOMPARE(ui.CB_Sort->count(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(ui.CB_Sort->itemText(i), sorts[i]);
        QCOMPARE(ui.CB_Sort->currentIndex(), 2);
        QVERIFY(!ui.CB_Sub->isEditable() && !ui.CB_page->isEditable() && !ui.CB_Sort->isEditable());
        // The count labels keep their design texts until the first search.
        QCOMPARE(ui.LB_Total1->text(), QStringLiteral("在当前类目下 找到"));
        QCOMPARE(ui.LB_Total2->text(), QStringLiteral("3000个商品"));
    }

    void repaintsDoNotFillTheHeap()
    {
        // Under its style sheet a list box is painted with a new palette every time, and
        // the style keeps a picture of it for each palette; a large box makes it plain.
        QComboBox *list = m_form->context().ui.CB_Sort;
        const QRect design = list->geometry();
        list->resize(1200, 400);
        const auto heapBytes = [] {
            const struct mallinfo2 info = mallinfo2();
            return qint64(info.uordblks + info.hblkhd);
        };
        list->grab();
        const qint64 before = heapBytes();
        for (int i = 0; i < 100; ++i)
            list->grab();
        const qint64 grownKiB = (heapBytes() - before) / 1024;
        list->setGeometry(design);
        qInfo("heap after 100 more paints: %+lld KiB", grownKiB);
        QVERIFY2(grownKiB < 4096, qPrintable(QString::number(grownKiB)));
    }

    void menuPaneShowsTheNetworkMessage()
    {
        auto *menu = static_cast<WebEnginePane *>(m_form->context().ui.WebBrowser1);
        QVERIFY(PaneInspect::waitForDocument(menu));
        QCOMPARE(PaneInspect::toPlainText(menu), QStringLiteral("获取数据失败，请检查网络连接！"));
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Frame1") << "Frame1" << QRect(90, 360, 2655, 9945);
        QTest::newRow("Frame2") << "Frame2" << QRect(3000, 60, 11595, 435);
        QTest::newRow("Frame3") << "Frame3" << QRect(3000, 420, 11595, 1125);
        QTest::newRow("Frame4") << "Frame4" << QRect(2970, 1290, 11595, 1575);
        QTest::newRow("Frame5") << "Frame5" << QRect(2760, 2760, 11835, 7365);
        QTest::newRow("TB_Search") << "TB_Search" << QRect(750, 390, 3915, 345);
        QTest::newRow("CB_Sub") << "CB_Sub" << QRect(4740, 390, 3615, 300);
        QTest::newRow("Cmd_Search") << "Cmd_Search" << QRect(8550, 390, 525, 315);
        QTest::newRow("LB_Total1") << "LB_Total1" << QRect(150, 840, 5805, 225);
        QTest::newRow("LB_Total2") << "LB_Total2" << QRect(180, 1140, 4545, 225);
        QTest::newRow("Cmd_UpPage") << "Cmd_UpPage" << QRect(4920, 930, 795, 315);
        QTest::newRow("Cmd_DownPage") << "Cmd_DownPage" << QRect(5820, 930, 735, 315);
        QTest::newRow("CB_page") << "CB_page" << QRect(6960, 930, 705, 300);
        QTest::newRow("CB_Sort") << "CB_Sort" << QRect(8760, 900, 2175, 300);
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        auto *widget = m_form->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(),
                 Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    }

    void windowAndCaptions()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("KestrovaV1.0"));
        QCOMPARE(m_form->size(), Twips::rect(0, 0, 14475, 10320).size());
        QCOMPARE(QAccessible::queryAccessibleInterface(m_form)->role(), QAccessible::Window);
        QCOMPARE(m_form->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(qobject_cast<QGroupBox *>(m_form->frame(1))->title(), QStringLiteral("所有分类"));
        QCOMPARE(qobject_cast<QGroupBox *>(m_form->frame(4))->title(), QStringLiteral("条件"));
        const Form1Controls &ui = m_form->context().ui;
        QCOMPARE(ui.Cmd_Search->text(), QStringLiteral("搜"));
        QCOMPARE(ui.Cmd_UpPage->text(), QStringLiteral("上一页"));
        QCOMPARE(ui.Cmd_DownPage->text(), QStringLiteral("下一页"));
        QCOMPARE(ui.LB_Total1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(ui.LB_Total2->palette().color(QPalette::WindowText), QColor(255, 0, 0));

        QLabel *label6 = labelWithText(QStringLiteral("所有分类"));
        QVERIFY(label6);
        QCOMPARE(label6->geometry(), Twips::rect(690, 60, 975, 255));
        QCOMPARE(label6->font().pointSizeF(), 12.0);
        QCOMPARE(label6->palette().color(QPalette::WindowText), QColor(192, 64, 0));
        // The narrow vertical captions show one character a line.
        QLabel *nav = labelWithText(QStringLiteral("导\n航"));
        QVERIFY(nav);
        QCOMPARE(nav->geometry(), Twips::rect(2760, 30, 255, 525));
        QCOMPARE(nav->font().pointSizeF(), 10.5);
        QVERIFY(labelWithText(QStringLiteral("当\n前\n子\n类")));
        QVERIFY(labelWithText(QStringLiteral("筛\n选\n条\n件")));
        for (const char *caption : {"关键词：", "第", "页", "排序："}) {
            QLabel *label = labelWithText(QString::fromUtf8(caption));
            QVERIFY2(label, caption);
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(192, 0, 0));
        }
    }

    // A screen too small for the layout (a scale of 1.5 or 2, a small screen) gets a window
    // that fits it, and the laid-out controls scroll into view as they take the focus.
    void windowFitsTheScreen_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("1920x1080 at 1") << QSize(1920, 1040) << false;
        QTest::newRow("1920x1200 at 1.5") << QSize(1280, 780) << false;
        QTest::newRow("1920x1080 at 2") << QSize(960, 520) << true;
        QTest::newRow("640x480") << QSize(640, 480) << true;
        QTest::newRow("smaller than 640x480") << QSize(320, 200) << true;
        QTest::newRow("tall and narrow") << QSize(600, 1900) << true;
    }
    void windowFitsTheScreen()
    {
        QFETCH(QSize, available);
        QFETCH(bool, scrolls);
        const QSize laidOut = Twips::rect(0, 0, 14475, 10320).size();
        QScrollArea *area = m_form->scrollArea();
        m_form->fitTo(available);
        const auto restore =
            qScopeGuard([this] { m_form->fitTo(m_form->screen()->availableGeometry().size()); });
        QVERIFY2(waitUntil([&] { return area->viewport()->size() != QSize(); }), "no viewport");
        QVERIFY2(m_form->width() <= available.width() && m_form->height() <= available.height(),
                 qPrintable(QStringLiteral("%1x%2").arg(m_form->width()).arg(m_form->height())));
        QCOMPARE(area->widget()->size(), laidOut);
        if (!scrolls) {
            QCOMPARE(m_form->size(), laidOut);
            QCOMPARE(m_form->minimumSize(), laidOut);
            return;
        }
        QVERIFY(waitUntil([&] {
            return area->horizontalScrollBar()->maximum() > 0 ||
                   area->verticalScrollBar()->maximum() > 0;
        }));
        // The window may be made smaller still, and no larger than the layout needs.
        QVERIFY(m_form->minimumWidth() <= qMin(available.width(), 240));
        QVERIFY(m_form->maximumWidth() >= laidOut.width());
        // The sort list lies right of and below a small window's view until it has the focus.
        QWidget *sort = stop(QStringLiteral("CB_Sort"));
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        stop(QStringLiteral("TB_Search"))->setFocus(Qt::OtherFocusReason);
        sort->setFocus(Qt::TabFocusReason);
        QVERIFY(waitUntil([&] {
            const QRect shown(sort->mapTo(area->viewport(), QPoint()), sort->size());
            return area->viewport()->rect().contains(shown);
        }));
    }

    void controlsAreNamedByTheirLabels_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("said");  // its name, or a list's description
        QTest::addColumn<QString>("label"); // the label beside it, if any
        QTest::newRow("keyword box") << "TB_Search"
                                     << "关键词"
                                     << "关键词：";
        QTest::newRow("scope list") << "CB_Sub"
                                    << "搜索类目"
                                    << "";
        QTest::newRow("page list") << "CB_page"
                                   << "页码"
                                   << "第";
        QTest::newRow("sort list") << "CB_Sort"
                                   << "排序"
                                   << "排序：";
    }
    void controlsAreNamedByTheirLabels()
    {
        QFETCH(QString, control);
        QFETCH(QString, said);
        QFETCH(QString, label);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(stop(control));
        QVERIFY(a);
        const bool list = a->role() == QAccessible::ComboBox;
        QCOMPARE(a->text(list ? QAccessible::Description : QAccessible::Name), said);
        QStringList labels;
        for (const auto &[other, relation] : a->relations(QAccessible::Label))
            labels.append(other->text(QAccessible::Name));
        // Besides the group box, whose title Qt relates to every control in it.
        if (!label.isEmpty())
            QVERIFY2(labels.contains(label), qPrintable(labels.join(QLatin1Char(','))));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("focusAfter"); // empty: where it was
        QTest::addColumn<QString>("clicked");    // the button the keys pressed, if any
        QTest::newRow("Ctrl+F from the grid") << "pane4" << QKeySequence("Ctrl+F") << "TB_Search"
                                              << "";
        QTest::newRow("Ctrl+L from the sort list")
            << "CB_Sort" << QKeySequence("Ctrl+L") << "TB_Search"
            << "";
        QTest::newRow("F6 from the keyword box")
            << "TB_Search" << QKeySequence(Qt::Key_F6) << "pane1"
            << "";
        QTest::newRow("F6 from a list counts from the controls")
            << "CB_Sub" << QKeySequence(Qt::Key_F6) << "pane1"
            << "";
        QTest::newRow("F6 from the last pane") << "pane4" << QKeySequence(Qt::Key_F6) << "TB_Search"
                                               << "";
        QTest::newRow("Shift+F6 from the keyword box")
            << "TB_Search" << QKeySequence(Qt::SHIFT | Qt::Key_F6) << "pane4"
            << "";
        QTest::newRow("Return on 下一页") << "Cmd_DownPage" << QKeySequence(Qt::Key_Return) << ""
                                          << "Cmd_DownPage";
        QTest::newRow("Enter on 搜") << "Cmd_Search" << QKeySequence(Qt::Key_Enter) << ""
                                     << "Cmd_Search";
        QTest::newRow("Page Down") << "TB_Search" << QKeySequence(Qt::Key_PageDown) << ""
                                   << "Cmd_DownPage";
        QTest::newRow("Page Up on page 1") << "TB_Search" << QKeySequence(Qt::Key_PageUp) << ""
                                           << "";
    }
    void keys()
    {
        QFETCH(QString, focused);
        QFETCH(QKeySequence, keys);
        QFETCH(QString, focusAfter);
        QFETCH(QString, clicked);
        Form1Context &ctx = m_form->context();
        // Page 1 of 3: only 下一页 is enabled.
        ctx.state.UiReady = false;
        ctx.ui.CB_page->clear();
        ctx.ui.CB_page->addItems({"1", "2", "3"});
        ctx.ui.CB_page->setCurrentIndex(0);
        ctx.state.UiReady = true;
        QVERIFY(waitUntil(
            [&] { return !ctx.ui.Cmd_UpPage->isEnabled() && ctx.ui.Cmd_DownPage->isEnabled(); }));
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QWidget *start = stop(focused);
        start->setFocus(Qt::OtherFocusReason);
        QVERIFY(waitUntil(
            [&] { return start->hasFocus() || start->isAncestorOf(qApp->focusWidget()); }));

        QList<QPushButton *> buttons = {ctx.ui.Cmd_Search, ctx.ui.Cmd_UpPage, ctx.ui.Cmd_DownPage};
        QList<std::shared_ptr<QSignalSpy>> spies;
        for (QPushButton *button : buttons)
            spies.append(std::make_shared<QSignalSpy>(button, &QPushButton::clicked));
        QTest::keySequence(qApp->focusWidget(), keys);

        QWidget *expected = stop(focusAfter.isEmpty() ? focused : focusAfter);
        QVERIFY2(waitUntil([&] {
                     QWidget *now = qApp->focusWidget();
                     return now == expected || expected->isAncestorOf(now);
                 }),
                 qPrintable(qApp->focusWidget() ? qApp->focusWidget()->objectName() : "none"));
        for (int i = 0; i < buttons.size(); ++i)
            QCOMPARE(spies[i]->count(), buttons[i]->objectName() == clicked ? 1 : 0);
    }

    // F6 into a pane leaves the page's own focus where it starts: Tab then goes to its
    // first link, whichever way the pane was reached.
    void tabAfterF6StartsAtThePanesTop_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("F6") << QKeySequence(Qt::Key_F6, Qt::Key_F6, Qt::Key_F6, Qt::Key_F6);
        QTest::newRow("Shift+F6") << QKeySequence(Qt::SHIFT | Qt::Key_F6);
    }
    void tabAfterF6StartsAtThePanesTop()
    {
        QFETCH(QKeySequence, keys);
        auto *grid = static_cast<WebEnginePane *>(m_form->context().ui.WebBrowser4);
        grid->open();
        grid->write(QStringLiteral("<a href=\"http://[1]\">first</a> <a href=\"http://[2]\">"
                                   "second</a> <a href=\"http://[3]\">last</a>"));
        QVERIFY(PaneInspect::waitForDocument(grid));
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QWidget *keyword = stop(QStringLiteral("TB_Search"));
        keyword->setFocus(Qt::OtherFocusReason);
        QVERIFY(waitUntil([&] { return keyword->hasFocus(); }));
        QTest::keySequence(qApp->focusWidget(), keys);
        QVERIFY(waitUntil([&] { return grid->view()->isAncestorOf(qApp->focusWidget()); }));
        QTest::keyClick(qApp->focusWidget(), Qt::Key_Tab);
        QString focused;
        QVERIFY2(waitUntil([&] {
                     focused = PaneInspect::evaluate(
                                   grid, QStringLiteral("document.activeElement.textContent"))
                                   .toString();
                     return focused == QLatin1String("first");
                 }),
                 qPrintable(focused));
    }

    void panesAreLaidOutLargerThanTheirFrames_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<QRect>("twips"); // left, top, width, height of the pane in its frame
        QTest::newRow("menu") << 1 << QRect(-25, -25, 2655 + 50, 9945 + 50);
        QTest::newRow("path") << 2 << QRect(-25, -300, 11595 + 600, 435 + 200);
        QTest::newRow("children") << 3 << QRect(-25, -250, 11595 + 200, 1125 + 300);
        QTest::newRow("grid") << 5 << QRect(-25, -25, 11835 + 200, 7365 + 50);
    }
    void panesAreLaidOutLargerThanTheirFrames()
    {
        QFETCH(int, frame);
        QFETCH(QRect, twips);
        const Form1Controls &ui = m_form->context().ui;
        PagePane *panes[] = {nullptr,        ui.WebBrowser1, ui.WebBrowser2,
                             ui.WebBrowser3, nullptr,        ui.WebBrowser4};
        auto *pane = static_cast<WebEnginePane *>(panes[frame]);
        QCOMPARE(pane->box()->parentWidget(), m_form->frame(frame));
        QCOMPARE(pane->box()->geometry(),
                 Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    }

    void pageButtons_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("upEnabled");
        QTest::addColumn<bool>("downEnabled");
        QTest::newRow("1 of 1") << QStringList{"1"} << "1" << false << false;
        QTest::newRow("1 of 3") << QStringList{"1", "2", "3"} << "1" << false << true;
        QTest::newRow("2 of 3") << QStringList{"1", "2", "3"} << "2" << true << true;
        QTest::newRow("3 of 3") << QStringList{"1", "2", "3"} << "3" << true << false;
        QTest::newRow("empty list") << QStringList{} << QString() << false << false;
        QTest::newRow("none current of 2") << QStringList{"1", "2"} << QString() << false << true;
    }
    void pageButtons()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, current);
        QFETCH(bool, upEnabled);
        QFETCH(bool, downEnabled);
        Form1Context &ctx = m_form->context();
        ctx.state.UiReady = false;
        ctx.ui.CB_page->clear();
        ctx.ui.CB_page->addItems(entries);
        ctx.ui.CB_page->setCurrentIndex(ctx.ui.CB_page->findText(current));
        ctx.state.UiReady = true;
        // Flip both buttons to the wrong state; the 100 ms timer must put them right.
        ctx.ui.Cmd_UpPage->setEnabled(!upEnabled);
        ctx.ui.Cmd_DownPage->setEnabled(!downEnabled);
        QTRY_COMPARE(ctx.ui.Cmd_UpPage->isEnabled(), upEnabled);
        QTRY_COMPARE(ctx.ui.Cmd_DownPage->isEnabled(), downEnabled);
    }

    void rendererDeathCostsNothingInAnyPane()
    {
        const Form1Controls &ui = m_form->context().ui;
        QList<WebEnginePane *> panes;
        for (PagePane *p : {ui.WebBrowser1, ui.WebBrowser2, ui.WebBrowser3, ui.WebBrowser4})
            panes.append(static_cast<WebEnginePane *>(p));
        QStringList texts;
        QSet<qint64> renderers;
        for (WebEnginePane *pane : panes) {
            QVERIFY(PaneInspect::waitForDocument(pane));
            texts.append(PaneInspect::toPlainText(pane));
            renderers.insert(pane->view()->page()->renderProcessPid());
        }
        QVERIFY(texts[0].contains(QStringLiteral("获取数据失败")));
        QVERIFY(!renderers.contains(0));
        qInfo("%lld renderer process(es) for the four panes", qint64(renderers.size()));

        int notifications = 0;
        QList<QMetaObject::Connection> watches;
        for (WebEnginePane *pane : panes) {
            watches << connect(pane, &PagePane::BeforeNavigate2, this, [&] { ++notifications; });
            watches << connect(pane, &PagePane::DocumentComplete, this, [&] { ++notifications; });
        }
        const MainState before = m_form->context().state;
        const int requests = m_server.requestCount();

        QElapsedTimer recovery;
        recovery.start();
        for (qint64 pid : renderers)
            QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        const auto recovered = [&] {
            for (WebEnginePane *pane : panes) {
                const qint64 pid = pane->view()->page()->renderProcessPid();
                if (pid == 0 || renderers.contains(pid) || pane->isLoading())
                    return false;
            }
            return true;
        };
        QVERIFY(waitUntil(recovered, 10000));
        qInfo("all four panes shown again %lld ms after their renderer was killed",
              recovery.elapsed());
        for (int i = 0; i < panes.size(); ++i)
            QCOMPARE(PaneInspect::toPlainText(panes[i]), texts[i]);
        for (const QMetaObject::Connection &c : watches)
            disconnect(c);
        QCOMPARE(notifications, 0);
        QCOMPARE(m_server.requestCount(), requests);
        const MainState &after = m_form->context().state;
        QCOMPARE(after.CatIds, before.CatIds);
        QCOMPARE(after.CatNames, before.CatNames);
        QCOMPARE(after.CatParentIds, before.CatParentIds);
        QCOMPARE(after.CurCatId, before.CurCatId);
        QCOMPARE(after.PageText, before.PageText);
        QCOMPARE(after.IsOnline, before.IsOnline);
    }

    void paneNavigationIsCancelledAfterLoad()
    {
        const Form1Controls &ui = m_form->context().ui;
        for (PagePane *pane : {ui.WebBrowser1, ui.WebBrowser2, ui.WebBrowser3, ui.WebBrowser4}) {
            for (int flags : {0, 64}) {
                bool cancel = false;
                emit pane->BeforeNavigate2(QStringLiteral("http://[cid=16][name=女装]"), flags,
                                           &cancel);
                QVERIFY(cancel);
            }
        }
        // Offline, so nothing was asked of any server.
        QCOMPARE(m_server.requestCount(), 0);
    }

    // Last: it goes online and writes into the panes.
    void busyNoticeOverThePaneItWaitsFor_data()
    {
        QTest::addColumn<QString>("slowPath");
        QTest::addColumn<int>("frame"); // the frame of the pane the notice covers
        QTest::newRow("menu at start") << "/Excel/Menu.rar" << 1;
        QTest::newRow("children") << "/router/rest" << 3;
        QTest::newRow("search") << "/rpc/searchAuctionByRpc.do" << 5;
        QTest::newRow("link code") << "/rpc/genCodeByRpc.do" << 5;
    }
    void busyNoticeOverThePaneItWaitsFor()
    {
        QFETCH(QString, slowPath);
        QFETCH(int, frame);
        constexpr int delayMs = 2500;
        const QByteArray menu =
            QByteArray(100, ' ') + "<a href='http://[cid=16][name=女装]'>女装</a>";
        const QMap<QString, QByteArray> answers = {
            {"/Excel/Menu.rar", menu},
            {"/router/rest", "<itemcats_get_response><item_cats/></itemcats_get_response>"},
            {"/rpc/searchAuctionByRpc.do", "<rsp><PTOTAL>0</PTOTAL><PRESULTS/></rsp>"},
            {"/rpc/genCodeByRpc.do", "<rsp><RESULT>http://127.0.0.1/item</RESULT></rsp>"},
        };
        for (auto it = answers.begin(); it != answers.end(); ++it) {
            const QString path = it.key();
            const QByteArray body = it.value();
            m_server.route(path, [=](const ScriptedServer::Request &) {
                ScriptedServer::Response response;
                response.contentType = path.startsWith("/Excel") ? "text/html; charset=utf-8"
                                                                 : "text/xml; charset=utf-8";
                response.body = body;
                response.delayMs = path == slowPath ? delayMs : 0;
                return response;
            });
        }

        Form1Context &ctx = m_form->context();
        ctx.state.IsOnline = true;
        ctx.ui.TB_Search->setText(QStringLiteral("x"));
        auto visibleNotices = [this] {
            QList<QLabel *> shown;
            for (QLabel *label : m_form->findChildren<QLabel *>(BusyNotice::ObjectName))
                if (label->isVisible())
                    shown.append(label);
            return shown;
        };
        // Watched from inside the blocking fetch, whose event loop runs timers: when a
        // notice first shows, and what it shows once its caption reaches one second.
        QElapsedTimer sinceStart;
        qint64 firstShownMs = -1;
        qsizetype lateCount = -1;
        QWidget *lateFrame = nullptr;
        QString lateText;
        bool lateWaitCursor = false;
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const QList<QLabel *> shown = visibleNotices();
            if (shown.isEmpty())
                return;
            if (firstShownMs < 0)
                firstShownMs = sinceStart.elapsed();
            if (shown.first()->text() != BusyNotice::caption(1000))
                return;
            watch.stop();
            lateCount = shown.size();
            lateFrame = shown.first()->parentWidget()->parentWidget();
            lateText = shown.first()->text();
            const QCursor *cursor = QGuiApplication::overrideCursor();
            lateWaitCursor = cursor && cursor->shape() == Qt::WaitCursor;
        });
        sinceStart.start();
        watch.start();

        if (frame == 1) {
            LoadCategoryMenu(ctx);
        } else if (frame == 3) {
            ShowChildCategories(ctx, QStringLiteral("http://[cid=16][name=女装]"));
        } else if (slowPath.contains(QLatin1String("search"))) {
            QTest::mouseClick(ctx.ui.Cmd_Search, Qt::LeftButton);
        } else {
            bool cancel = false;
            WebBrowser4_BeforeNavigate2(ctx, QStringLiteral("http://[catid=5]"), 64, cancel);
        }
        ctx.state.IsOnline = false;

        // Not before half a second of waiting, less the 5 % a coarse timer may fire early;
        // measured from before the fetch began, so a late look only makes it seem longer.
        QVERIFY2(firstShownMs >= BusyNotice::ShowAfterMs * 95 / 100,
                 qPrintable(QString::number(firstShownMs)));
        QCOMPARE(lateCount, 1);
        QCOMPARE(lateFrame, m_form->frame(frame));
        QCOMPARE(lateText, QStringLiteral("正在加载… 1 秒"));
        QVERIFY(lateWaitCursor);
        // Gone the moment the fetch ended.
        QVERIFY(m_form->findChildren<QLabel *>(BusyNotice::ObjectName).isEmpty());
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

int main(int argc, char *argv[])
{
    // The panes share one renderer, as in the program.
    EngineSwitches::install();
    PaneScheme::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ProcessSettings::apply();
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_form1.moc"
