#include "ChannelBand.h"

#include "ConfigMessages.h"
#include "FrequencyCodec.h"
#include "PanelTexts.h"

#include <array>

namespace zekt {

namespace {

using Kind = FrequencyField::Kind;

// The presets' ranges, as their captions name them.
constexpr std::array<std::array<float, 2>, kMainBandItems.size()> kPresetRanges = {
    {{33.0f, 40.0f}, {36.0f, 44.0f}, {40.0f, 48.5f}, {57.0f, 57.5f}, {144.0f, 174.0f}}};

// Frequencies at or below this are the build's syntax error.
constexpr float kInvalidMHz = 10.0f;

bool Tunable(float mhz) {
    return mhz >= kLowestTunableMHz && mhz <= kHighestTunableMHz;
}

// Every channel field that holds a number, in the panels' order.
std::vector<ChannelFrequency> ChannelFrequencies(const RadioConfig& config) {
    std::vector<ChannelFrequency> fields;
    for (int n = 0; n < kChannelCount; ++n) {
        const ChannelConfig& channel = config.channels[static_cast<std::size_t>(n)];
        for (const auto& [kind, text] :
             {std::pair{Kind::ChannelTx, &channel.tx}, std::pair{Kind::ChannelRx, &channel.rx}}) {
            if (const std::optional<float> mhz = ParseFrequency(*text); mhz && !text->empty()) {
                fields.push_back({{kind, n}, *mhz, *text});
            }
        }
    }
    return fields;
}

std::string FieldLines(const std::vector<ChannelFrequency>& fields) {
    std::string lines;
    for (const ChannelFrequency& f : fields) {
        lines += "\n  " + FrequencyFieldName(f.field) + ": " + f.text + " МГц";
    }
    return lines;
}

} // namespace

std::vector<ChannelFrequency> UntunableChannels(const RadioConfig& config) {
    std::vector<ChannelFrequency> fields = ChannelFrequencies(config);
    std::erase_if(fields, [](const ChannelFrequency& f) { return Tunable(f.mhz); });
    return fields;
}

std::optional<FieldProblem> CheckTunableChannels(const RadioConfig& config) {
    for (const ChannelFrequency& f : UntunableChannels(config)) {
        if (f.mhz > kInvalidMHz) {
            return FieldProblem{f.field, FrequencyFieldName(f.field) + ": " + f.text + " МГц - " +
                                             msg::kUntunable};
        }
    }
    return std::nullopt;
}

std::string UntunableText(const char* heading, const std::vector<ChannelFrequency>& fields) {
    return heading + FieldLines(fields);
}

std::optional<ChosenBand> BandOf(const RadioConfig& config) {
    if (config.bandMode == 1) {
        const std::optional<float> low = ParseFrequency(config.bandLow);
        const std::optional<float> high = ParseFrequency(config.bandHigh);
        if (!low || !high || config.bandLow.empty() || config.bandHigh.empty()) {
            return std::nullopt;
        }
        return ChosenBand{*low, *high, config.bandLow + " - " + config.bandHigh + " МГц"};
    }
    if (config.mainBand < 0 || config.mainBand >= static_cast<int>(kPresetRanges.size())) {
        return std::nullopt;
    }
    const auto preset = static_cast<std::size_t>(config.mainBand);
    return ChosenBand{kPresetRanges[preset][0], kPresetRanges[preset][1], kMainBandItems[preset]};
}

std::vector<ChannelFrequency> ChannelsOutsideBand(const RadioConfig& config) {
    const std::optional<ChosenBand> band = BandOf(config);
    if (!band) {
        return {};
    }
    std::vector<ChannelFrequency> fields = ChannelFrequencies(config);
    std::erase_if(fields, [&](const ChannelFrequency& f) {
        return !Tunable(f.mhz) || (f.mhz >= band->low && f.mhz <= band->high);
    });
    return fields;
}

std::string OutsideBandText(const ChosenBand& band, const std::vector<ChannelFrequency>& fields) {
    return std::string(msg::kOutsideBand) + band.text + ":" + FieldLines(fields);
}

} // namespace zekt
