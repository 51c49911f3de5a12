#include "ClientWork.h"

#include "support/ContextFixture.h"

#include "platform/BlockingFetch.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"
#include "search/ResultPage.h"

#include <QElapsedTimer>

QList<double> measureClientWork(const QString &hostPort, int rounds)
{
    const Configuration saved = Configuration::current();
    Configuration config = Configuration::compiledIn();
    config.makerHost = config.fileHost = config.gatewayHost = config.affiliateHost = hostPort;
    Configuration::install(config);
    AccessTokenPool::fill(config.accessTokens);

    QList<double> micros;
    {
        ContextFixture f;
        f.makeLoaded();
        MainState &state = f.ctx.state;
        f.CB_Sub->setCurrentIndex(f.CB_Sub->findText(QStringLiteral("所有类目")));
        f.TB_Search->setText(QStringLiteral("韩版"));
        for (int i = -1; i < rounds; ++i) {
            state.UiReady = false;
            f.CB_Sort->setCurrentIndex((i + 4) % 4);
            state.UiReady = true;
            state.PageText = QString::number((i + 5) % 5 + 1);
            state.RowOffset = QString::number((i + 5) % 5 * 20);
            const qint64 fetchedBefore = f.fetch.elapsedNanoseconds();
            QElapsedTimer timer;
            timer.start();
            ShowSearchResults(f.ctx, QString());
            const qint64 total = timer.nsecsElapsed();
            const qint64 fetch = f.fetch.elapsedNanoseconds() - fetchedBefore;
            if (i >= 0 && !f.pane4.text.isEmpty()) // the first one warms the caches
                micros.append(double(total - fetch) / 1000.0);
        }
    }
    Configuration::install(saved);
    return micros;
}
