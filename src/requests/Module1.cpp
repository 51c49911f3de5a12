#include "Module1.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr char HexUpper[] = "0123456789ABCDEF";
constexpr char HexLower[] = "0123456789abcdef";

void appendEscaped(QString &out, unsigned byte)
{
    out.append(QLatin1Char('%'));
    out.append(QLatin1Char(HexUpper[byte >> 4]));
    out.append(QLatin1Char(HexUpper[byte & 0xF]));
}

// The bytes of one UTF-16 unit: one for ASCII, two below 0x800, three otherwise.
// There is no four-byte form; surrogate halves are encoded like any other unit.
int unitBytes(char16_t c, unsigned char *bytes)
{
    if (c < 0x80) {
        bytes[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        bytes[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    bytes[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    bytes[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 3;
}

// RFC 1321, section 3.4.
// Rotation amounts, four per round, used in turn.
constexpr unsigned Shifts[4][4] = {
    {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// The sine-derived constants, one per step.
constexpr std::array<std::uint32_t, 64> Sines = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

inline std::uint32_t rotateLeft(std::uint32_t x, unsigned n)
{
    return (x << n) | (x >> (32 - n));
}

void transform(std::array<std::uint32_t, 4> &state, const unsigned char *block)
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        // Message words are little-endian whatever the machine.
        x[i] = std::uint32_t(block[4 * i]) | (std::uint32_t(block[4 * i + 1]) << 8) |
               (std::uint32_t(block[4 * i + 2]) << 16) | (std::uint32_t(block[4 * i + 3]) << 24);
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int step = 0; step < 64; ++step) {
        std::uint32_t f;
        int word;
        switch (step / 16) {
        case 0:
            f = (b & c) | (~b & d);
            word = step;
            break;
        case 1:
            f = (b & d) | (c & ~d);
            word = (5 * step + 1) % 16;
            break;
        case 2:
            f = b ^ c ^ d;
            word = (3 * step + 5) % 16;
            break;
        default:
            f = c ^ (b | ~d);
            word = (7 * step) % 16;
            break;
        }
        const std::uint32_t rotated =
            rotateLeft(a + f + x[word] + Sines[step], Shifts[step / 16][step % 4]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

QString Module1::UrlEncodeUtf8(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        unsigned char bytes[3];
        const int count = unitBytes(ch.unicode(), bytes);
        if (count == 1) {
            out.append(ch);
            continue;
        }
        for (int i = 0; i < count; ++i)
            appendEscaped(out, bytes[i]);
    }
    return out;
}

QByteArray Module1::TextToUtf8Bytes(const QString &text)
{
    // Same bytes as reading back the UrlEncodeUtf8 form of each unit, without the detour.
    QByteArray out(text.size() * 3, Qt::Uninitialized);
    auto *next = reinterpret_cast<unsigned char *>(out.data());
    for (const QChar ch : text) {
        if (ch == QLatin1Char('+'))
            *next++ = 0x20;
        else
            next += unitBytes(ch.unicode(), next);
    }
    out.truncate(next - reinterpret_cast<unsigned char *>(out.data()));
    return out;
}

QByteArray Module1::Md5Digest(const QByteArray &bytes)
{
    std::array<std::uint32_t, 4> state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const std::uint64_t length = std::uint64_t(bytes.size());

    std::uint64_t offset = 0;
    for (; length - offset >= 64; offset += 64)
        transform(state, data + offset);

    // Tail: the remaining bytes, 0x80, zeros up to 56 modulo 64, then the bit length.
    unsigned char tail[128] = {};
    const std::size_t rest = std::size_t(length - offset);
    if (rest > 0)
        std::memcpy(tail, data + offset, rest);
    tail[rest] = 0x80;
    const std::size_t tailSize = rest < 56 ? 64 : 128;
    const std::uint64_t bits = length * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailSize - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
    transform(state, tail);
    if (tailSize == 128)
        transform(state, tail + 64);

    QByteArray digest(16, Qt::Uninitialized);
    for (int word = 0; word < 4; ++word) {
        for (int i = 0; i < 4; ++i)
            digest[4 * word + i] = char(state[word] >> (8 * i));
    }
    return digest;
}

QString Module1::Md5Hex(const QString &text)
{
    const QByteArray digest = Md5Digest(TextToUtf8Bytes(text));
    QString hex(32, Qt::Uninitialized);
    QChar *next = hex.data();
    for (const char byte : digest) {
        const auto value = static_cast<unsigned char>(byte);
        *next++ = QLatin1Char(HexLower[value >> 4]);
        *next++ = QLatin1Char(HexLower[value & 0xF]);
    }
    return hex;
}
