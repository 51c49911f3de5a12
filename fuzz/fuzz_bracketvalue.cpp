// GetBracketValue over any text: the text strictly between the first "[" and the first
// "]" at or after it.
#include "FuzzInput.h"

#include "search/SearchCriteria.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = FuzzInput::units(data, size);
    const QString value = GetBracketValue(text);

    const qsizetype open = text.indexOf(QLatin1Char('['));
    const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char(']'), open);
    if (close < 0) {
        FUZZ_CHECK(value.isEmpty());
        return 0;
    }
    FUZZ_CHECK(value == text.mid(open + 1, close - open - 1));
    FUZZ_CHECK(!value.contains(QLatin1Char(']')));
    return 0;
}
