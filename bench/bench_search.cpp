// Latency of one item search (ShowSearchResults: fetch, grid, labels, page list)
// against the running sandbox marketplace, and the size of the grid document.
#include "support/ContextFixture.h"

#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "search/ResultPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

struct Series
{
    std::vector<double> ms;
    std::vector<qsizetype> chars;
    std::vector<qsizetype> bytes;
};

void print(const char *name, Series s)
{
    std::sort(s.ms.begin(), s.ms.end());
    const double mean = std::accumulate(s.ms.begin(), s.ms.end(), 0.0) / double(s.ms.size());
    const auto at = [&s](double q) { return s.ms[size_t(q * double(s.ms.size() - 1) + 0.5)]; };
    const qsizetype chars = *std::max_element(s.chars.begin(), s.chars.end());
    const qsizetype bytes = *std::max_element(s.bytes.begin(), s.bytes.end());
    std::printf("%-28s runs %3zu  min %7.2f  median %7.2f  mean %7.2f  p90 %7.2f  max %7.2f ms"
                "  document max %lld chars / %lld UTF-8 bytes\n",
                name, s.ms.size(), s.ms.front(), at(0.5), mean, at(0.9), s.ms.back(),
                static_cast<long long>(chars), static_cast<long long>(bytes));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 40;

#ifndef KESTROVA_SANDBOX_EXE
    std::fprintf(stderr, "built without the sandbox\n");
    return 1;
#else
    QProcess sandbox;
    sandbox.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sandbox.start(QStringLiteral(KESTROVA_SANDBOX_EXE),
                  {QStringLiteral("--port"), QStringLiteral("0")});
    QString hostPort;
    static const QRegularExpression listening(QStringLiteral("listening on http://(\\S+)"));
    QElapsedTimer startup;
    startup.start();
    while (hostPort.isEmpty() && sandbox.waitForReadyRead(30000)) {
        const auto match = listening.match(QString::fromUtf8(sandbox.readLine()));
        if (match.hasMatch())
            hostPort = match.captured(1);
    }
    if (hostPort.isEmpty()) {
        std::fprintf(stderr, "the sandbox did not start\n");
        return 1;
    }
    std::printf("sandbox ready at %s after %lld ms\n", qPrintable(hostPort),
                static_cast<long long>(startup.elapsed()));

    Configuration config = Configuration::compiledIn();
    config.makerHost = config.fileHost = config.gatewayHost = config.affiliateHost = hostPort;
    Configuration::install(config);
    AccessTokenPool::fill(config.accessTokens);

    ContextFixture f;
    f.makeLoaded();
    MainState &state = f.ctx.state;
    const auto run = [&](Series &series) {
        QElapsedTimer timer;
        timer.start();
        ShowSearchResults(f.ctx, QString());
        series.ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        series.chars.push_back(f.pane4.text.size());
        series.bytes.push_back(f.pane4.text.toUtf8().size());
    };
    const auto setSort = [&](int index) {
        state.UiReady = false;
        f.CB_Sort->setCurrentIndex(index);
        state.UiReady = true;
    };

    // Keyword over all categories, all four orders, pages 1 to 5.
    f.CB_Sub->setCurrentIndex(f.CB_Sub->findText(QStringLiteral("所有类目")));
    f.TB_Search->setText(QStringLiteral("韩版"));
    state.PageText = QStringLiteral("1");
    state.RowOffset = QStringLiteral("0");
    Series warmUp;
    run(warmUp);
    Series keyword;
    for (int i = 0; i < rounds; ++i) {
        setSort(i % 4);
        state.PageText = QString::number(i % 5 + 1);
        state.RowOffset = QString::number(i % 5 * 20);
        run(keyword);
    }
    std::printf("first search (cold)          %.2f ms, total label %s\n", warmUp.ms.front(),
                qPrintable(f.LB_Total2->text()));
    print("keyword, all categories", keyword);

    // Category only: the last entry of the path, no keyword.
    f.CB_Sub->setCurrentIndex(f.CB_Sub->findText(QStringLiteral("当前类目")));
    f.TB_Search->clear();
    state.CatIds = QStringList{QString(), QStringLiteral("16")};
    state.CatNames = QStringList{QString(), QStringLiteral("女装")};
    Series category;
    for (int i = 0; i < rounds; ++i) {
        setSort(i % 4);
        run(category);
    }
    print("category 16, no keyword", category);

    sandbox.terminate();
    if (!sandbox.waitForFinished(10000)) {
        std::fprintf(stderr, "the sandbox did not stop on SIGTERM; killed\n");
        sandbox.kill();
        sandbox.waitForFinished(5000);
    }
    return 0;
#endif
}
