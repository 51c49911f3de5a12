#include "search/ItemClickThrough.h"

#include "context/Form1Context.h"
#include "platform/BlockingFetch.h"
#include "platform/BrowserLauncher.h"
#include "platform/XmlReader.h"
#include "requests/CreateURL.h"

namespace {

constexpr int MaxAttempts = 6;
// Shorter answers are the service's refusals, not addresses.
constexpr int MinAddressLength = 6;

// Asks the link-code service for the address of one item or seller, sharing the
// click's attempt counter, and opens the address it accepted. Nothing is opened
// when no answer was accepted: the server's text is never handed on unchecked.
void openAffiliateAddress(Form1Context &ctx, const QString &aid, const QString &mode, int &attempts)
{
    QString answer;
    for (;;) {
        XmlReader reader(ctx.services.fetch);
        reader.setURL(CreateURL::BuildLinkCodeUrl(aid, mode));
        const QDomElement result = XmlReader::item(reader.root(), QStringLiteral("RESULT"));
        if (!result.isNull())
            answer = XmlReader::text(result);
        ++attempts;
        if (attempts >= MaxAttempts || answer.size() >= MinAddressLength)
            break;
    }
    if (answer.size() >= MinAddressLength && ctx.services.browser)
        ctx.services.browser->open(answer);
}

} // namespace

void WebBrowser4_BeforeNavigate2(Form1Context &ctx, const QString &link, int flags, bool &cancel)
{
    cancel = ctx.state.CancelNav;
    if (flags == 0)
        return;
    const BlockingFetch::PaneScope forPane(ctx.services.fetch, ctx.ui.WebBrowser4);
    const QString item = CreateURL::GetTagValue(link, QStringLiteral("catid"));
    const QString seller = CreateURL::GetTagValue(link, QStringLiteral("nick_id"));
    int attempts = 0;
    if (!item.isEmpty())
        openAffiliateAddress(ctx, item, QStringLiteral("13"), attempts);
    if (!seller.isEmpty())
        openAffiliateAddress(ctx, seller, QStringLiteral("43"), attempts);
}
