#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Helpers shared by the fuzz targets: ways of reading the input bytes, and a check that
// ends the run with a message libFuzzer reports as a crash.
namespace FuzzInput {

inline QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Every pair of bytes is one UTF-16 unit, so lone surrogates and any unit can occur.
inline QString units(const std::uint8_t *data, std::size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return text;
}

// The bytes up to the first line feed, and the rest after it.
inline void splitFirstLine(const QByteArray &input, QByteArray *first, QByteArray *rest)
{
    const qsizetype at = input.indexOf('\n');
    *first = at < 0 ? input : input.left(at);
    *rest = at < 0 ? QByteArray() : input.mid(at + 1);
}

[[noreturn]] inline void fail(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "check failed at %s:%d: %s\n", file, line, what);
    std::abort();
}

} // namespace FuzzInput

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzInput::fail(#condition, __FILE__, __LINE__);                                       \
    } while (false)
