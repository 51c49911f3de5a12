// Figures for the sandbox marketplace: start-up time, memory with the full
// catalogue, and search throughput and latency under concurrent loopback clients.
// Usage: kestrova-bench-sandbox [threads] [requests-per-thread]

#include "support/ProcessMemory.h"
#include "support/SandboxProcess.h"

#include "kestrova_config.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

std::string searchTarget(const QString &keyword, const QString &catId, int page, int sr, int token)
{
    const QString text = QStringLiteral("/rpc/searchAuctionByRpc.do?pw=") +
                         QString::fromLatin1(KestrovaDefaults::AccessTokens[token % 54]) +
                         "&pid=" + KESTROVA_MEMBER_ID + "&keyword=" + keyword + "&catid=" + catId +
                         "&rowoffset=" + QString::number(page * 20) +
                         "&rowcount=20&mid =0&sr=" + QString::number(sr);
    const QUrl url(QStringLiteral("http://h") + text, QUrl::TolerantMode);
    return url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority).toStdString();
}

struct Scenario
{
    const char *name;
    QString keyword;
    QString catId;
    int pages; // requests spread over pages 1..pages
};

void runScenario(quint16 port, const Scenario &scenario, int threads, int perThread)
{
    std::vector<std::vector<double>> latencies{size_t(threads)};
    std::atomic<int> failures{0};
    std::atomic<long> bytes{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", port);
            client.set_url_encode(false);
            client.set_keep_alive(true);
            for (int i = 0; i < perThread; ++i) {
                const int n = t * perThread + i;
                const std::string target = searchTarget(scenario.keyword, scenario.catId,
                                                        n % scenario.pages, 7 + n % 4, n);
                const auto begin = std::chrono::steady_clock::now();
                const auto result = client.Get(target);
                const auto end = std::chrono::steady_clock::now();
                if (!result || result->status != 200 ||
                    result->body.find("<PTOTAL>") == std::string::npos) {
                    ++failures;
                    continue;
                }
                bytes += long(result->body.size());
                latencies[size_t(t)].push_back(
                    std::chrono::duration<double, std::milli>(end - begin).count());
            }
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<double> all;
    for (const auto &list : latencies)
        all.insert(all.end(), list.begin(), list.end());
    std::sort(all.begin(), all.end());
    const auto at = [&](double q) {
        return all.empty() ? 0.0 : all[std::min(all.size() - 1, size_t(q * double(all.size())))];
    };
    std::printf("%-34s %6zu req %8.0f req/s  p50 %6.2f ms  p90 %6.2f ms  p99 %6.2f ms  "
                "max %7.2f ms  %5.1f KiB/answer  failures %d\n",
                scenario.name, all.size(), double(all.size()) / seconds, at(0.50), at(0.90),
                at(0.99), all.empty() ? 0.0 : all.back(),
                all.empty() ? 0.0 : double(bytes) / double(all.size()) / 1024.0, int(failures));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int threads = argc > 1 ? std::max(1, atoi(argv[1])) : 8;
    const int perThread = argc > 2 ? std::max(1, atoi(argv[2])) : 500;

    // Start-up: from process start to the "listening on" line, catalogue built.
    std::vector<double> startups;
    for (int i = 0; i < 3; ++i) {
        SandboxProcess sandbox;
        QElapsedTimer timer;
        timer.start();
        if (!sandbox.start()) {
            std::fprintf(stderr, "the sandbox did not start\n");
            return 1;
        }
        startups.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(startups.begin(), startups.end());
    std::printf("start-up to listening: min %.0f ms, median %.0f ms (3 runs)\n", startups[0],
                startups[1]);

    SandboxProcess sandbox;
    if (!sandbox.start())
        return 1;
    const qint64 pid = sandbox.process().processId();
    std::printf("VmRSS after start-up (full catalogue): %lld KiB\n",
                ProcessMemory::residentKiB(pid));
    std::printf("%d client threads x %d requests, keep-alive, sort orders 7-10 in turn\n", threads,
                perThread);

    const Scenario scenarios[] = {
        {"keyword 连衣裙 in 16, pages 1-10", QStringLiteral("连衣裙"), QStringLiteral("16"), 10},
        {"keyword 修身 连衣裙 in 16, pages 1-5", QStringLiteral("修身 连衣裙"),
         QStringLiteral("16"), 5},
        {"no keyword in 16, pages 1-100", QString(), QStringLiteral("16"), 100},
        {"keyword 休闲 everywhere, pages 1-10", QStringLiteral("休闲"), QString(), 10},
    };
    runScenario(sandbox.port(), scenarios[0], threads, 50); // warm-up
    for (const Scenario &scenario : scenarios)
        runScenario(sandbox.port(), scenario, threads, perThread);
    std::printf("VmRSS after the load: %lld KiB\n", ProcessMemory::residentKiB(pid));

    // Item pictures: first requests draw them, repeats come from the cache.
    httplib::Client client("127.0.0.1", sandbox.port());
    std::vector<std::string> pictures;
    for (int page = 0; page < 3; ++page) {
        const auto answer = client.Get(searchTarget(QString(), QString(), page, 9, page));
        const std::string body = answer ? answer->body : std::string();
        for (size_t at = body.find("/pic/"); at != std::string::npos;
             at = body.find("/pic/", at + 1))
            pictures.push_back(body.substr(at, body.find('<', at) - at));
    }
    for (const char *pass : {"drawn", "cached"}) {
        QElapsedTimer timer;
        timer.start();
        int ok = 0;
        for (const std::string &path : pictures) {
            const auto result = client.Get(path);
            ok += result && result->status == 200;
        }
        std::printf("item pictures %-6s: %d of %zu, %.2f ms each\n", pass, ok, pictures.size(),
                    pictures.empty() ? 0.0 : double(timer.nsecsElapsed()) / 1e6 / pictures.size());
    }
    std::printf("VmRSS after the pictures: %lld KiB\n", ProcessMemory::residentKiB(pid));
    return 0;
}
