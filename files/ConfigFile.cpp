#include "ConfigFile.h"

#include "FileMessages.h"
#include "FrequencyCodec.h"
#include "RadioLayout.h"
#include "SafeFile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

namespace zekt {

namespace {

enum FilePosition {
    posRadioType,
    posMainBand,
    posTonePair,
    posSoftware,
    posReadProtect,
    posGridStep,
    posVersion
};

constexpr const char* kLineEnd = "\r\n";
constexpr int kLastFileBand = 5; // one past the list: read as its last entry

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Reads fields the way a scanf conversion does: blanks skipped, then the
// longest run the conversion takes; the first field that cannot be read
// ends the line.
class FieldReader {
public:
    explicit FieldReader(std::string_view line) : line(line) {}

    std::optional<int> Decimal() {
        SkipBlanks();
        std::size_t p = pos;
        bool negative = false;
        if (p < line.size() && (line[p] == '+' || line[p] == '-')) {
            negative = line[p] == '-';
            ++p;
        }
        long long value = 0;
        const std::size_t digits = p;
        while (p < line.size() && line[p] >= '0' && line[p] <= '9') {
            value = std::min<long long>(value * 10 + (line[p] - '0'), LLONG_MAX / 20);
            ++p;
        }
        if (p == digits) {
            failed = true;
            return std::nullopt;
        }
        pos = p;
        value = negative ? -value : value;
        return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
    }

    std::optional<int32_t> Hex(int width) {
        SkipBlanks();
        int32_t value = 0;
        int taken = 0;
        while (taken < width && pos < line.size() &&
               std::isxdigit(static_cast<unsigned char>(line[pos]))) {
            const char c = line[pos];
            value = value * 16 + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
            ++pos;
            ++taken;
        }
        if (taken == 0) {
            failed = true;
            return std::nullopt;
        }
        return value;
    }

    bool Failed() const { return failed; }

private:
    std::string_view line;
    std::size_t pos = 0;
    bool failed = false;

    void SkipBlanks() {
        while (pos < line.size() && IsBlank(line[pos])) {
            ++pos;
        }
    }
};

} // namespace

FileOptions OptionsOf(const RadioConfig& c) {
    FileOptions o{};
    o[posRadioType] = c.radioType;
    o[posMainBand] = c.mainBand;
    o[posTonePair] = c.tonePair;
    o[posSoftware] = c.software;
    o[posReadProtect] = c.readProtect ? 1 : 0;
    o[posGridStep] = c.gridStep;
    o[posVersion] = c.version;
    return o;
}

std::string FormatConfigFile(const FileOptions& options, const DataArray& data) {
    std::string text;
    char buffer[32];
    for (int i = 0; i < kFileOptionCount; ++i) {
        std::snprintf(buffer, sizeof buffer, i + 1 < kFileOptionCount ? "%1d " : "%1d", options[i]);
        text += buffer;
    }
    text += kLineEnd;
    for (int row = 0; row < kFileDataLines; ++row) {
        for (int k = 0; k < kFileValuesPerLine; ++k) {
            std::snprintf(buffer, sizeof buffer, "%04x ",
                          static_cast<unsigned>(
                              data[static_cast<std::size_t>(row * kFileValuesPerLine + k)]));
            text += buffer;
        }
        text += kLineEnd;
    }
    return text;
}

std::string ReplaceConfigFileData(std::string_view original, const DataArray& data) {
    const std::size_t end = original.find_first_of("\r\n");
    // Every line keeps the file's own line end, as its first line has it.
    const std::string_view lineEnd =
        end == std::string_view::npos
            ? std::string_view(kLineEnd)
            : original.substr(end, original.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    std::string text(original.substr(0, end));
    text += lineEnd;
    const std::string formatted = FormatConfigFile({}, data);
    const std::string_view dataLines = std::string_view(formatted).substr(formatted.find('\n') + 1);
    for (const std::string_view line : SplitLines(dataLines)) {
        text.append(line).append(lineEnd);
    }
    return text;
}

std::string FormatReadConfigFile(const ReadBackPanels& decoded, const Project& image) {
    return FormatConfigFile(OptionsOf(decoded.config), image.DataMemory());
}

std::vector<UnlistedTone> FindUnlistedTones(const ReadBackPanels& decoded, const DataArray& data) {
    std::vector<UnlistedTone> unlisted;
    for (int n = 0; n < kChannelCount; ++n) {
        const int scan = data[static_cast<std::size_t>(layout::kScanBytes + n)];
        const int code =
            data[static_cast<std::size_t>(layout::kToneCodes + n)] & layout::kToneCodeMask;
        if (decoded.BoxesEnabled(n) && (scan & layout::kScanToneBit) != 0 &&
            code >= kCtcssListedTones && code < kCtcssToneCount) {
            unlisted.push_back({n, code});
        }
    }
    return unlisted;
}

ParsedConfigFile ParseConfigFile(std::string_view text) {
    ParsedConfigFile file;
    const std::vector<std::string_view> lines = SplitLines(SkipByteOrderMark(text));
    if (!lines.empty()) {
        FieldReader reader(lines[0]);
        for (int& option : file.options) {
            option = reader.Failed() ? 0 : reader.Decimal().value_or(0);
        }
    }
    for (int row = 0; row < kFileDataLines && row + 1 < static_cast<int>(lines.size()); ++row) {
        FieldReader reader(lines[static_cast<std::size_t>(row + 1)]);
        for (int k = 0; k < kFileValuesPerLine && !reader.Failed(); ++k) {
            file.data[static_cast<std::size_t>(row * kFileValuesPerLine + k)] = reader.Hex(4);
        }
    }
    return file;
}

FileReadPlan PlanConfigFileRead(const ParsedConfigFile& file) {
    struct Check {
        FileOption option;
        int position;
        int highest;
        const char* refusal;
    };
    static constexpr Check kChecks[] = {
        {FileOption::Software, posSoftware, 1, msg::kFileSoftware},
        {FileOption::RadioType, posRadioType, 1, msg::kFileRadioType},
        {FileOption::TonePair, posTonePair, 1, msg::kFileTonePair},
        {FileOption::MainBand, posMainBand, kLastFileBand, msg::kFileMainBand},
        {FileOption::GridStep, posGridStep, 1, msg::kFileGridStep},
    };
    FileReadPlan plan;
    for (const Check& check : kChecks) {
        int value = file.options[check.position];
        if (value < 0 || value > check.highest) {
            plan.refusal = check.refusal;
            return plan;
        }
        if (check.option == FileOption::MainBand) {
            value = std::min(value, layout::kBandPresetCount - 1);
        }
        plan.options.push_back({check.option, value});
    }
    const int version = file.options[posVersion];
    plan.versionMessage = version < kVersion410 || version > kVersion611;
    plan.version = plan.versionMessage ? kNoVersion : version;
    plan.readProtect = file.options[posReadProtect] != 0;
    return plan;
}

void ApplyFileOptions(const FileReadPlan& plan, RadioConfig& config) {
    for (const AppliedOption& applied : plan.options) {
        int RadioConfig::*field = nullptr;
        switch (applied.option) {
        case FileOption::Software:
            field = &RadioConfig::software;
            break;
        case FileOption::RadioType:
            field = &RadioConfig::radioType;
            break;
        case FileOption::TonePair:
            field = &RadioConfig::tonePair;
            break;
        case FileOption::MainBand:
            field = &RadioConfig::mainBand;
            break;
        case FileOption::GridStep:
            field = &RadioConfig::gridStep;
            break;
        }
        config.*field = applied.value;
    }
    if (!plan.refusal) {
        config.version = plan.version;
        config.readProtect = plan.readProtect;
    }
}

void ApplyFileData(const ParsedConfigFile& file, DataArray& data) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (file.data[i]) {
            data[i] = *file.data[i];
        }
    }
}

std::array<ChannelConfig, kChannelCount> DecodeFileChannels(const DataArray& data, int version) {
    std::array<ChannelConfig, kChannelCount> channels{};
    for (int n = 0; n < kChannelCount; ++n) {
        const auto at = [&](int address) { return data[static_cast<std::size_t>(address)]; };
        const int base = layout::kChannelTable + layout::kChannelBytes * n;
        const int rxHigh = at(base + layout::kRxHigh), rxLow = at(base + layout::kRxLow);
        const int txHigh = at(base + layout::kTxHigh), txLow = at(base + layout::kTxLow);
        ChannelConfig& channel = channels[static_cast<std::size_t>(n)];
        if (IsVersion6(version)) {
            const ChannelTexts texts = ChannelToText(txHigh, txLow, rxHigh, rxLow);
            channel.tx = texts.tx;
            channel.rx = texts.rx;
        } else {
            channel.rx = WordToText(rxHigh, rxLow, false);
            channel.tx = WordToText(txHigh, txLow, true);
        }
        const int scan = at(layout::kScanBytes + n);
        channel.scan = (scan & layout::kScanFlagBit) != 0;
        if ((scan & layout::kScanToneBit) != 0) {
            const int code = at(layout::kToneCodes + n) & layout::kToneCodeMask;
            channel.ctcss = code < kCtcssListedTones ? code : -1; // the list has no such item
        }
    }
    return channels;
}

std::optional<ConfigFileDefect> FindConfigFileDefect(std::string_view text) {
    const std::vector<std::string_view> lines = SplitLines(SkipByteOrderMark(text));
    const auto lineAt = [&lines](std::size_t i) {
        return i < lines.size() ? lines[i] : std::string_view();
    };
    FieldReader options(lineAt(0));
    for (int i = 0; i < kFileOptionCount; ++i) {
        if (!options.Decimal()) {
            return ConfigFileDefect{1};
        }
    }
    for (int row = 0; row < kFileDataLines; ++row) {
        const auto index = static_cast<std::size_t>(row + 1);
        FieldReader values(lineAt(index));
        for (int k = 0; k < kFileValuesPerLine; ++k) {
            if (!values.Hex(4)) {
                return ConfigFileDefect{static_cast<int>(index) + 1};
            }
        }
    }
    return std::nullopt;
}

std::string DescribeConfigFileDefect(const std::string& path, const ConfigFileDefect& defect) {
    if (defect.line == 1) {
        return "Файл конфигурации " + path + " повреждён: в строке 1 нет семи чисел опций.";
    }
    return "Файл конфигурации " + path + " повреждён или обрезан: в строке " +
           std::to_string(defect.line) + " нет 16 шестнадцатеричных значений.";
}

} // namespace zekt
