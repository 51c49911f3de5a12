// GetTagValue over any link text and key, against the reading rule taken literally:
// every "[" with every later "=", the first closing "]" after a whole-key match.
#include "FuzzInput.h"

#include "requests/CreateURL.h"

#include <algorithm>

namespace {

QString literalTagValue(const QString &link, const QString &key)
{
    const QString s = link.toLower();
    const QString k = key.toLower();
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != QLatin1Char('['))
            continue;
        for (qsizetype j = i; j < s.size(); ++j) {
            if (s[j] != QLatin1Char('=') || j - i - 1 != k.size() || s.mid(i + 1, j - i - 1) != k)
                continue;
            const qsizetype m = s.indexOf(QLatin1Char(']'), j);
            if (m >= 0)
                return s.mid(j + 1, m - j - 1);
        }
    }
    return QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray keyBytes, linkBytes;
    FuzzInput::splitFirstLine(FuzzInput::bytes(data, size), &keyBytes, &linkBytes);
    const QString key = QString::fromUtf8(keyBytes);
    const QString link = QString::fromUtf8(linkBytes);

    const QString value = CreateURL::GetTagValue(link, key);
    FUZZ_CHECK(value == literalTagValue(link, key));
    FUZZ_CHECK(!value.contains(QLatin1Char(']')));
    FUZZ_CHECK(value.isEmpty() ||
               link.toLower().contains(QLatin1Char('=') + value + QLatin1Char(']')));
    // For ASCII, where case maps one to one, the case of either side does not matter.
    const auto ascii = [](const QString &t) {
        return std::all_of(t.begin(), t.end(), [](QChar c) { return c.unicode() < 0x80; });
    };
    if (ascii(link) && ascii(key)) {
        FUZZ_CHECK(CreateURL::GetTagValue(link.toUpper(), key.toLower()) == value);
        FUZZ_CHECK(CreateURL::GetTagValue(link, key.toUpper()) == value);
    }
    return 0;
}
