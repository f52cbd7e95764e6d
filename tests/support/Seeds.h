#pragma once

// Seeded random sequences. Each fixed seed is a case that fails the test;
// one rotating seed per run (ZEKT_ROTATING_SEED, which CI sets anew, else one
// drawn here) looks for new faults and only reports: its seed is printed,
// and a fault it finds is said with the seed to add to the fixed ones.

#include <QtTest>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>

namespace seeds {

inline uint32_t RotatingSeed() {
    bool given = false;
    const uint32_t seed = qEnvironmentVariable("ZEKT_ROTATING_SEED").toUInt(&given);
    return given ? seed : std::random_device{}();
}

// Runs check(seed) for every fixed seed and for the rotating one; check
// returns what broke, or nothing when every invariant held.
template <typename Check>
void ForEachSeed(std::initializer_list<uint32_t> fixed, Check check) {
    for (const uint32_t seed : fixed) {
        const std::string broke = check(seed);
        QVERIFY2(broke.empty(), qPrintable(QString("seed %1: %2").arg(seed).arg(broke.c_str())));
    }
    const uint32_t rotating = RotatingSeed();
    const std::string broke = check(rotating);
    if (broke.empty()) {
        qInfo("rotating seed %u: every invariant held", rotating);
    } else {
        qWarning("rotating seed %u found a fault (add it to the fixed seeds): %s", rotating,
                 broke.c_str());
    }
}

} // namespace seeds
