// End to end: the main window against the real sandbox marketplace. The menu comes
// from the sandbox's GBK fragment, selections are made by real clicks inside the
// panes, and the sandbox's own log shows how the signed requests were received.
#include "support/window/SandboxWindow.h"

#include "panes/WebEnginePane.h"
#include "support/WaitUntil.h"
#include "support/pane/PaneInspect.h"
#include "support/pane/PaneTestMain.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStringDecoder>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>

#include <optional>

namespace {

const QString PathStyle =
    QStringLiteral("<style type='text/css'> a{color:#0044dd; text-decoration:none; font-size:12px} "
                   "a:hover{color:#FF5500; text-decoration:underline;} </style>");
const QString ChildStyle = QStringLiteral(
    "<style type='text/css'>  a{color:#0044dd; text-decoration:none; font-size:12px} "
    "a:hover{color:#FF5500; text-decoration:underline;} </style>");

struct Category
{
    QString cid, parent, name;
};

// The sandbox's category tree, read from its data file: what the gateway answers from.
QList<Category> sandboxTree()
{
    QList<Category> tree;
    QFile file(QStringLiteral(KESTROVA_TEST_DATA_DIR "/../../sandbox/data/itemcats.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return tree;
    file.readLine();
    while (!file.atEnd()) {
        const QStringList fields =
            QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char('\t'));
        if (fields.size() >= 3)
            tree.append({fields.at(0), fields.at(1), fields.at(2)});
    }
    return tree;
}

} // namespace

class E2eCatalogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void menuFromTheChineseEncodedFragment();
    void menuFitsItsPane();
    void firstCategorySelectedAtStart();
    void childClickExtendsThePath();
    void pathClickShrinksThePath();
    void menuClickStartsANewPath();
    void signedRequestsAccepted();

private:
    WebEnginePane *pane(int number) const { return m_window.pane(number); }
    QString bodyTag(const QString &image) const;
    QString pathDocument(const QList<Category> &path) const;
    QString childDocument(const QString &parent) const;
    int searchesFor(const QString &cid) const;

    SandboxWindow m_window;
    const SandboxProcess &m_sandbox = m_window.sandbox;
    QList<Category> m_tree;
};

void E2eCatalogTest::initTestCase()
{
#ifndef KESTROVA_SANDBOX_EXE
    QSKIP("built without the sandbox");
#endif
    m_tree = sandboxTree();
    QVERIFY(!m_tree.isEmpty());
    // The probe, the menu and the first selection all run inside.
    QVERIFY(m_window.start());
}

void E2eCatalogTest::cleanupTestCase()
{
    m_window.stop();
}

QString E2eCatalogTest::bodyTag(const QString &image) const
{
    return QStringLiteral("<body background='") + m_sandbox.baseUrl() + QStringLiteral("/images/") +
           image + QStringLiteral("'>");
}

QString E2eCatalogTest::pathDocument(const QList<Category> &path) const
{
    QString html = bodyTag(QStringLiteral("2.jpg")) + PathStyle;
    QString parent;
    for (const Category &c : path) {
        html += QStringLiteral("<a href='http://[p_cid=%1][cid=%2][name=%3]'>%3</a>>>")
                    .arg(parent, c.cid, c.name);
        parent = c.cid;
    }
    return html;
}

QString E2eCatalogTest::childDocument(const QString &parent) const
{
    QString html = bodyTag(QStringLiteral("3.jpg")) + ChildStyle;
    for (const Category &c : m_tree) {
        if (c.parent == parent) {
            html += QStringLiteral("<a href='http://[p_cid=%1][cid=%2][name=%3]'>%3</a>"
                                   "&nbsp&nbsp&nbsp&nbsp")
                        .arg(c.parent, c.cid, c.name);
        }
    }
    return html;
}

int E2eCatalogTest::searchesFor(const QString &cid) const
{
    int count = 0;
    const QByteArray wanted = "&catid=" + cid.toLatin1() + "&";
    for (const SandboxWindow::LogLine &line : m_window.log()) {
        if (line.target.startsWith("/rpc/searchAuctionByRpc.do?") && line.target.contains(wanted) &&
            line.status == 200)
            ++count;
    }
    return count;
}

void E2eCatalogTest::menuFromTheChineseEncodedFragment()
{
    const SandboxProcess::Reply menu = m_sandbox.get(QStringLiteral("/Excel/Menu.rar"));
    QCOMPARE(menu.status, 200);
    QVERIFY2(menu.contentType.toLower().contains("gbk"), menu.contentType.constData());
    // Really GBK on the wire, not UTF-8 in disguise.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8.decode(menu.body);
    QVERIFY(utf8.hasError() || !asUtf8.contains(QStringLiteral("女装")));
    QStringDecoder gbk("GBK");
    QVERIFY(gbk.isValid());
    const QString fragment = gbk.decode(menu.body);
    QVERIFY(fragment.contains(QStringLiteral("女装")));

    QCOMPARE(pane(1)->content(), bodyTag(QStringLiteral("1.jpg")) + fragment);
    // The fragment adds no scope entries.
    QCOMPARE(m_window.context().ui.CB_Sub->count(), 2);
    QVERIFY(PaneInspect::waitForDocument(pane(1)));
    QVERIFY(waitUntil(
        [&] { return PaneInspect::toPlainText(pane(1)).contains(QStringLiteral("女装/女士精品")); },
        20000));
}

void E2eCatalogTest::menuFitsItsPane()
{
    WebEnginePane *menu = pane(1);
    QVERIFY(PaneInspect::waitForDocument(menu));
    // The view lies wholly inside the frame that clips the pane.
    QWidget *frame = m_window.form().frame(1);
    const QRect view(menu->view()->mapTo(frame, QPoint(0, 0)), menu->view()->size());
    QVERIFY2(frame->rect().contains(view), qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                                                          .arg(view.x())
                                                          .arg(view.y())
                                                          .arg(view.width())
                                                          .arg(view.height())
                                                          .arg(frame->width())
                                                          .arg(frame->height())));
    // Laid out in the real pane: the page is no wider than the room beside the scroll bar,
    // and every link ends inside it.
    const QString script = QStringLiteral(
        "(function(){var e=document.scrollingElement||document.documentElement;"
        "var w=e.clientWidth,cut=0,links=document.querySelectorAll('a');"
        "for(var i=0;i<links.length;++i){var r=links[i].getBoundingClientRect();"
        "if(r.left<0||r.right>w)++cut;}"
        "return [e.scrollWidth,w,window.innerWidth,e.scrollHeight,e.clientHeight,links.length,cut];"
        "})()");
    QVariantList figures;
    QVERIFY(waitUntil(
        [&] {
            auto result = std::make_shared<std::optional<QVariant>>();
            menu->view()->page()->runJavaScript(
                script, QWebEngineScript::ApplicationWorld,
                [result](const QVariant &value) { *result = value; });
            if (!waitUntil([result] { return result->has_value(); }, 5000))
                return false;
            figures = result->value_or(QVariant()).toList();
            return figures.size() == 7 && figures.at(5).toInt() > 1 && figures.at(1).toInt() > 0;
        },
        20000));
    int topLevel = 0;
    for (const Category &c : std::as_const(m_tree))
        topLevel += c.parent == QLatin1String("0");
    qInfo("menu pane: scrollWidth %d, clientWidth %d, innerWidth %d, scrollHeight %d, "
          "clientHeight %d, %d links, %d cut",
          figures[0].toInt(), figures[1].toInt(), figures[2].toInt(), figures[3].toInt(),
          figures[4].toInt(), figures[5].toInt(), figures[6].toInt());
    QCOMPARE(figures[5].toInt(), topLevel + 1);
    QCOMPARE(figures[6].toInt(), 0);
    QVERIFY(figures[0].toInt() <= figures[1].toInt());
    // The list is long enough to scroll down, and only down.
    QVERIFY(figures[3].toInt() > figures[4].toInt());
}

void E2eCatalogTest::firstCategorySelectedAtStart()
{
    const Form1Context &ctx = m_window.context();
    // The fragment's link at character 100 is the start category's.
    QCOMPARE(ctx.state.CatIds, QStringList{QStringLiteral("16")});
    QCOMPARE(ctx.state.CatNames, QStringList{QStringLiteral("女装/女士精品")});
    QCOMPARE(pane(2)->content(), pathDocument({{"16", "0", "女装/女士精品"}}));
    QCOMPARE(pane(3)->content(), childDocument(QStringLiteral("16")));
    QVERIFY(pane(4)->content().contains(QStringLiteral("<dt><span><a href='http://[catid=")));
    QCOMPARE(ctx.ui.LB_Total1->text(), QStringLiteral("在【当前类目：女装/女士精品】下"));
    QVERIFY(ctx.ui.CB_page->count() > 1);
    QCOMPARE(ctx.ui.CB_page->currentText(), QStringLiteral("1"));
    QCOMPARE(searchesFor(QStringLiteral("16")), 1);
    QVERIFY(m_window.messages.isEmpty());
    QVERIFY(waitUntil(
        [&] {
            return PaneInspect::toPlainText(pane(2)).contains(QStringLiteral("女装/女士精品>>"));
        },
        20000));
}

void E2eCatalogTest::childClickExtendsThePath()
{
    const Form1Context &ctx = m_window.context();
    const Category child = [this] {
        for (const Category &c : m_tree)
            if (c.parent == QLatin1String("16"))
                return c;
        return Category();
    }();
    QVERIFY(!child.cid.isEmpty());
    m_window.context().ui.TB_Search->clear();

    QVERIFY(m_window.click(3, QStringLiteral("a")));

    QVERIFY(waitUntil([&] { return ctx.state.CatIds == (QStringList{"16", child.cid}); }, 30000));
    QCOMPARE(ctx.state.CatIds, (QStringList{"16", child.cid}));
    QCOMPARE(ctx.state.CatNames, (QStringList{"女装/女士精品", child.name}));
    QCOMPARE(pane(2)->content(), pathDocument({{"16", "0", "女装/女士精品"}, child}));
    QCOMPARE(pane(3)->content(), childDocument(child.cid));
    QCOMPARE(ctx.ui.LB_Total1->text(), "在【当前类目：" + child.name + "】下");
    QCOMPARE(ctx.state.PageText, QStringLiteral("1"));
    QCOMPARE(ctx.state.RowOffset, QStringLiteral("0"));
    QCOMPARE(searchesFor(child.cid), 1);
}

void E2eCatalogTest::pathClickShrinksThePath()
{
    const Form1Context &ctx = m_window.context();
    QCOMPARE(ctx.state.CatIds.size(), 2);

    QVERIFY(m_window.click(2, QStringLiteral("a")));

    QVERIFY(
        waitUntil([&] { return ctx.state.CatIds == QStringList{QStringLiteral("16")}; }, 30000));
    QCOMPARE(ctx.state.CatIds, QStringList{QStringLiteral("16")});
    QCOMPARE(pane(2)->content(), pathDocument({{"16", "0", "女装/女士精品"}}));
    QCOMPARE(pane(3)->content(), childDocument(QStringLiteral("16")));
    QCOMPARE(ctx.ui.LB_Total1->text(), QStringLiteral("在【当前类目：女装/女士精品】下"));
    QCOMPARE(searchesFor(QStringLiteral("16")), 2);
}

void E2eCatalogTest::menuClickStartsANewPath()
{
    Form1Context &ctx = m_window.context();
    const Category other = [this] {
        for (const Category &c : m_tree)
            if (c.parent == QLatin1String("0") && c.cid != QLatin1String("16"))
                return c;
        return Category();
    }();
    ctx.ui.TB_Search->setText(QStringLiteral("韩版"));

    QVERIFY(m_window.click(1, QStringLiteral("a[href*='[cid=%1]']").arg(other.cid)));

    QVERIFY(waitUntil([&] { return ctx.state.CatIds == QStringList{other.cid}; }, 30000));
    QCOMPARE(ctx.state.CatIds, QStringList{other.cid});
    // A menu click searches by category alone.
    QCOMPARE(ctx.ui.TB_Search->text(), QString());
    QCOMPARE(ctx.state.Keyword, QString());
    QCOMPARE(pane(2)->content(), pathDocument({other}));
    QCOMPARE(pane(3)->content(), childDocument(other.cid));
    QCOMPARE(searchesFor(other.cid), 1);
}

void E2eCatalogTest::signedRequestsAccepted()
{
    const QList<SandboxWindow::LogLine> lines = m_window.log();
    QList<SandboxWindow::LogLine> signedRequests;
    for (const SandboxWindow::LogLine &line : lines) {
        if (line.target.startsWith("/router/rest"))
            signedRequests.append(line);
    }
    // The start selection, the child, the path element, the menu click.
    QCOMPARE(signedRequests.size(), 4);
    for (const SandboxWindow::LogLine &line : signedRequests) {
        QCOMPARE(line.method, QByteArray("GET"));
        QCOMPARE(line.status, 200);
        // The gateway refuses with status 200 and an error document: ask again with
        // the same target (within the gateway's clock window) and look at the answer.
        const SandboxProcess::Reply again = m_sandbox.getRaw(line.target);
        QCOMPARE(again.status, 200);
        QVERIFY2(!again.body.contains("error_rsp"), again.body.left(300).constData());
        QCOMPARE(SandboxProcess::xmlRoot(again.body).tagName(), QStringLiteral("rsp"));
    }
    qInfo("sandbox log: %lld requests, %lld signed", static_cast<long long>(lines.size()),
          static_cast<long long>(signedRequests.size()));
    // No menu fallback was needed.
    for (const SandboxWindow::LogLine &line : lines)
        QVERIFY2(!line.target.startsWith("/ContentPane.aspx"), line.target.constData());
}

KESTROVA_PANE_TEST_MAIN(E2eCatalogTest)
#include "tst_e2e_catalog.moc"
