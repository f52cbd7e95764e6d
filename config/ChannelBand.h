#pragma once

#include "ConfigBuilder.h"
#include "RadioConfig.h"

#include <optional>
#include <string>
#include <vector>

// Channel frequencies against what the radios can tune to at all and
// against the band the panels choose.
namespace zekt {

// Every radio's synthesizer lies within these, whatever its band.
inline constexpr float kLowestTunableMHz = 33.0f;
inline constexpr float kHighestTunableMHz = 174.0f;

// A channel field with its frequency.
struct ChannelFrequency {
    FrequencyField field;
    float mhz = 0;
    std::string text; // as the panels show it
};

// The channel fields no radio can tune to, in the panels' order (text that
// is no number is the field checks' concern).
std::vector<ChannelFrequency> UntunableChannels(const RadioConfig& config);

// What a radio is refused: the first untunable field above 10 MHz (10 MHz
// and below stay the build's syntax error).
std::optional<FieldProblem> CheckTunableChannels(const RadioConfig& config);

// The heading, then a "Канал 3, передача: 30 МГц" line per field.
std::string UntunableText(const char* heading, const std::vector<ChannelFrequency>& fields);

// The band the panels choose: the preset's, or the own limits when both
// are numbers.
struct ChosenBand {
    float low = 0;
    float high = 0;
    std::string text; // "40 - 48,5 МГц"
};
std::optional<ChosenBand> BandOf(const RadioConfig& config);

// Channel fields a radio can tune to that lie outside the chosen band.
std::vector<ChannelFrequency> ChannelsOutsideBand(const RadioConfig& config);

// The warning for those fields, naming the band and each field.
std::string OutsideBandText(const ChosenBand& band, const std::vector<ChannelFrequency>& fields);

} // namespace zekt
