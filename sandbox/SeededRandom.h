#pragma once

#include <QtGlobal>

// SplitMix64: tiny, fast and the same on every platform and compiler, which
// the standard library's distributions are not. The catalogue must come out
// identical from the same seed everywhere.
class SeededRandom
{
public:
    explicit SeededRandom(quint64 seed) : m_state(seed) {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound); bound > 0.
    int below(int bound) { return int(next() % quint64(bound)); }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    bool chance(double probability) { return unit() < probability; }

private:
    quint64 m_state;
};
