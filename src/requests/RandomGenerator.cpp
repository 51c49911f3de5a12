#include "RandomGenerator.h"

#include <cstdint>

namespace {
// A 24-bit linear congruential generator: every value is k / 2^24, which a
// float holds exactly, so the largest is the largest float below 1.
constexpr std::uint32_t StartState = 0x50000;
std::uint32_t state = StartState;
} // namespace

float RandomGenerator::next()
{
    state = (state * 1140671485u + 12820163u) & 0xFFFFFFu;
    return float(state) / 16777216.0f;
}

void RandomGenerator::restart()
{
    state = StartState;
}
