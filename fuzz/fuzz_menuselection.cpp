// Any text as a downloaded menu file: the selection link it opens at start, and the
// fields the category routines read from that link.
#include "FuzzInput.h"

#include "catalog/CatalogDocuments.h"
#include "requests/CreateURL.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString menu = QString::fromUtf8(FuzzInput::bytes(data, size));
    const QString link = CatalogDocuments::menuFileSelectionLink(menu);

    const qsizetype at = menu.indexOf(QLatin1String("href="), 99);
    if (at < 0) {
        FUZZ_CHECK(link.isEmpty());
    } else {
        FUZZ_CHECK(link.startsWith(QLatin1String("href=")));
        FUZZ_CHECK(link.size() == qMin<qsizetype>(50, menu.size() - at));
        FUZZ_CHECK(menu.indexOf(link, 99) == at);
    }

    // The fields lie whole inside the link: a value ends at its own "]".
    for (const char *key : {"cid", "name", "p_cid"}) {
        const QString value = CreateURL::GetTagValue(link, QLatin1String(key));
        FUZZ_CHECK(value.size() < 50);
        FUZZ_CHECK(value.isEmpty() || link.toLower().contains(value + QLatin1Char(']')));
    }
    return 0;
}
