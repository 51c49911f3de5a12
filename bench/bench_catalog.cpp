// Figures for category browsing against a loopback server: the menu load by each of
// its sources, a child list, and drawing the path. Prints; passes or fails nothing.
#include "support/ContextFixture.h"
#include "support/ScriptedServer.h"

#include "catalog/CategoryMenu.h"
#include "catalog/CategoryPath.h"
#include "catalog/ChildCategories.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

struct Category
{
    QByteArray cid, parent, name;
};

// The sandbox's category tree, or a made-up one when it is not at hand.
QList<Category> loadTree()
{
    QList<Category> tree;
    QFile file(QStringLiteral(KESTROVA_TEST_DATA_DIR "/../../sandbox/data/itemcats.tsv"));
    if (file.open(QIODevice::ReadOnly)) {
        file.readLine();
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
            if (fields.size() >= 3)
                tree.append({fields[0], fields[1], fields[2]});
        }
    }
    if (tree.isEmpty()) {
        tree.append({"16", "0", "女装/女士精品"});
        for (int i = 0; i < 180; ++i)
            tree.append({QByteArray::number(100 + i), "0", "类目" + QByteArray::number(i)});
    }
    return tree;
}

QByteArray answerFor(const QList<Category> &tree, const QByteArray &parent)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rsp>";
    for (const Category &c : tree) {
        if (c.parent == parent)
            xml += "<item_cat><cid>" + c.cid + "</cid><parent_cid>" + c.parent +
                   "</parent_cid><name>" + c.name + "</name></item_cat>";
    }
    return xml + "</rsp>";
}

ScriptedServer::Response xml(const QByteArray &body)
{
    ScriptedServer::Response r;
    r.body = body;
    return r;
}

double medianMs(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.isEmpty() ? 0 : samples.at(samples.size() / 2);
}

template <typename Setup, typename Run> double measure(int rounds, Setup setup, Run run)
{
    QList<double> samples;
    for (int i = 0; i < rounds; ++i) {
        ContextFixture fixture;
        fixture.makeLoaded();
        setup(fixture);
        QElapsedTimer clock;
        clock.start();
        run(fixture);
        samples.append(clock.nsecsElapsed() / 1e6);
    }
    return medianMs(samples);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QList<Category> tree = loadTree();

    ScriptedServer server;
    QByteArray menu = "<div class='menu'><p>" + QByteArray(120, ' ') + "</p>";
    int topLevel = 0;
    for (const Category &c : tree) {
        if (c.parent == "0") {
            menu += "<nobr><a href='http://[cid=" + c.cid + "][name=" + c.name + "]'>" + c.name +
                    "</a></nobr></br>";
            ++topLevel;
        }
    }
    menu += "</div>";
    server.route(QStringLiteral("/router/rest"), [&tree](const ScriptedServer::Request &request) {
        return xml(answerFor(tree, request.query.value(QStringLiteral("parent_cid")).toUtf8()));
    });
    server.routeFixed(QStringLiteral("/rpc/searchAuctionByRpc.do"),
                      xml("<?xml version=\"1.0\"?><A><PTOTAL>45</PTOTAL><PRESULTS/></A>"));
    ScriptedServer::Response menuPage;
    menuPage.contentType = "text/html; charset=utf-8";
    menuPage.body = menu;

    Configuration config = Configuration::compiledIn();
    config.makerHost = config.fileHost = config.gatewayHost = config.affiliateHost =
        server.hostPort();
    Configuration::install(config);
    AccessTokenPool::fill(config.accessTokens);

    const int rounds = 15;
    std::printf("category tree: %lld categories, %d top level, menu fragment %lld bytes\n",
                static_cast<long long>(tree.size()), topLevel, static_cast<long long>(menu.size()));

    server.routeFixed(QStringLiteral("/Excel/Menu.rar"), menuPage);
    double ms = measure(
        rounds, [](ContextFixture &) {}, [](ContextFixture &f) { LoadCategoryMenu(f.ctx); });
    std::printf("menu load, primary fragment accepted (3 requests): median %.2f ms\n", ms);

    ScriptedServer::Response missing;
    missing.status = 404;
    server.routeFixed(QStringLiteral("/Excel/Menu.rar"), missing);
    server.routeFixed(QStringLiteral("/ContentPane.aspx"), menuPage);
    ms = measure(
        rounds, [](ContextFixture &) {}, [](ContextFixture &f) { LoadCategoryMenu(f.ctx); });
    std::printf("menu load, file-host copy (4 requests): median %.2f ms\n", ms);

    server.routeFixed(QStringLiteral("/ContentPane.aspx"), missing);
    ms = measure(
        rounds, [](ContextFixture &) {}, [](ContextFixture &f) { LoadCategoryMenu(f.ctx); });
    std::printf("menu load, built from the open platform (%d records): median %.2f ms\n", topLevel,
                ms);

    QByteArray widest = "16";
    int widestCount = 0;
    QMap<QByteArray, int> counts;
    for (const Category &c : tree)
        counts[c.parent] += 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.key() != "0" && it.value() > widestCount) {
            widest = it.key();
            widestCount = it.value();
        }
    }
    const QString link =
        QStringLiteral("http://[cid=") + QString::fromUtf8(widest) + QStringLiteral("][name=x]");
    ms = measure(
        rounds, [](ContextFixture &) {},
        [&link](ContextFixture &f) { ShowChildCategories(f.ctx, link); });
    std::printf("child list of cid %s (%d children): median %.2f ms\n", widest.constData(),
                widestCount, ms);

    ContextFixture fixture;
    fixture.makeLoaded();
    const int calls = 20000;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < calls; ++i) {
        // Alternates a three-element path and its top element.
        ShowCategoryPath(fixture.ctx, QStringLiteral("http://[cid=16][name=女装/女士精品]"));
        ShowCategoryPath(fixture.ctx, QStringLiteral("http://[p_cid=16][cid=1622][name=裤子]"));
        ShowCategoryPath(fixture.ctx,
                         QStringLiteral("http://[p_cid=1622][cid=162201][name=休闲裤]"));
    }
    std::printf("path update and draw, no network: %.2f us per call (%d calls)\n",
                clock.nsecsElapsed() / 1e3 / (3.0 * calls), 3 * calls);
    return 0;
}
