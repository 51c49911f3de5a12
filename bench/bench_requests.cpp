// Figures for request building: microseconds per call of the URL builders, the digest and
// the link reader. Prints figures only; nothing passes or fails.
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "requests/CreateURL.h"
#include "requests/Module1.h"
#include "requests/RandomGenerator.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTextStream>

#include <functional>

namespace {

volatile qsizetype sink = 0;

// Runs f in rounds of growing size until a round takes at least 300 ms.
double microsecondsPerCall(const std::function<qsizetype()> &f)
{
    for (qint64 calls = 1000;; calls *= 4) {
        QElapsedTimer timer;
        timer.start();
        for (qint64 i = 0; i < calls; ++i)
            sink = sink + f();
        const qint64 ns = timer.nsecsElapsed();
        if (ns >= 300'000'000)
            return double(ns) / 1000.0 / double(calls);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const Configuration &config = Configuration::current();
    AccessTokenPool::fill(config.accessTokens);
    RandomGenerator::restart();

    const QDateTime fixed(QDate(2024, 3, 5), QTime(7, 8, 9));
    const QString signatureText = config.appSecret + QStringLiteral("api_key") + config.appKey +
                                  QStringLiteral("fieldscid,parent_cid,name,is_parent,status,"
                                                 "sort_orderformatxmlmethodtaobao.itemcats.get.v2"
                                                 "parent_cid50010850timestamp2024-03-05 07:08:09"
                                                 "v1.0");
    const QString link = QStringLiteral("http://[cid=50010850][name=\u8FDE\u8863\u88D9]"
                                        "[p_cid=16]");

    QTextStream out(stdout);
    out << "request building, microseconds per call\n";
    const auto report = [&](const char *what, const std::function<qsizetype()> &f) {
        out << QString::asprintf("  %-44s %9.3f us\n", what, microsecondsPerCall(f));
        out.flush();
    };
    report("BuildItemCatsUrl (local clock)",
           [] { return CreateURL::BuildItemCatsUrl(QStringLiteral("50010850")).size(); });
    report("BuildItemCatsUrl (fixed time)",
           [&] { return CreateURL::BuildItemCatsUrl(QStringLiteral("50010850"), fixed).size(); });
    report("Md5Hex (typical signature text)",
           [&] { return Module1::Md5Hex(signatureText).size(); });
    const QByteArray signatureBytes = Module1::TextToUtf8Bytes(signatureText);
    report("Md5Digest (its bytes)", [&] { return Module1::Md5Digest(signatureBytes).size(); });
    report("QCryptographicHash Md5 (its bytes, reference)", [&] {
        return QCryptographicHash::hash(signatureBytes, QCryptographicHash::Md5).size();
    });
    report("BuildSearchUrl", [] {
        return CreateURL::BuildSearchUrl(QStringLiteral("40"), QStringLiteral("16"),
                                         QStringLiteral("\u8FDE\u8863\u88D9 red"),
                                         QStringLiteral("4"))
            .size();
    });
    report("BuildLinkCodeUrl", [] {
        return CreateURL::BuildLinkCodeUrl(QStringLiteral("123456789"), QStringLiteral("13"))
            .size();
    });
    report("GetTagValue (p_cid, three-field link)",
           [&] { return CreateURL::GetTagValue(link, QStringLiteral("p_cid")).size(); });
    report("UrlEncodeUtf8 (signature text)",
           [&] { return Module1::UrlEncodeUtf8(signatureText).size(); });
    out << "signature text length: " << signatureText.size() << " units\n";
    return 0;
}
