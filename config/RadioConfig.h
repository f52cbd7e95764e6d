#pragma once

#include <array>
#include <string>

namespace zekt {

inline constexpr int kChannelCount = 16;

struct ChannelConfig {
    std::string tx; // frequency texts as typed, MHz
    std::string rx;
    int ctcss = -1; // item index of the channel's tone box, -1 for none
    bool scan = false;

    bool operator==(const ChannelConfig&) const = default;
};

// The operator's settings, one field per control of the configuration panels,
// with the values the window starts with.
struct RadioConfig {
    int software = 0;  // 0 standard firmware, 1 a file of the operator's choice
    int version = 2;   // 0 "4.1.0", 1 "6.1.0", 2 "6.1.1", -1 none chosen
    int radioType = 0; // 0 memory channels and main array, 1 memory channels only
    int tonePair = 1;  // 0 2100/1450 Hz, 1 1450/1000 Hz
    int bandMode = 0;  // 0 preset band, 1 the operator's limits
    int mainBand = 1;  // 0..4, see kBandPresets
    int gridStep = 0;  // 0 25 kHz, 1 12,5 kHz
    bool readProtect = false;
    std::string bandLow;
    std::string bandHigh;
    std::array<ChannelConfig, kChannelCount> channels{};

    bool operator==(const RadioConfig&) const = default;
};

// The firmware versions by their item index.
inline constexpr int kVersion410 = 0;
inline constexpr int kVersion610 = 1;
inline constexpr int kVersion611 = 2;
inline constexpr int kNoVersion = -1;
inline constexpr std::array<const char*, 3> kVersionTexts = {"4.1.0", "6.1.0", "6.1.1"};

// The version's text; empty for none or a value outside the list.
inline const char* VersionText(int version) {
    return version >= 0 && version < static_cast<int>(kVersionTexts.size())
               ? kVersionTexts[static_cast<std::size_t>(version)]
               : "";
}

inline bool IsVersion6(int version) {
    return version == kVersion610 || version == kVersion611;
}

} // namespace zekt
