#pragma once

#include "Project.h"
#include "RadioConfig.h"
#include "ReadBack.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zekt {

// The *.prg configuration file: line 1 holds seven option numbers, lines 2
// to 17 the 256 data-EEPROM values, sixteen to a line; lines end in CR LF.
inline constexpr int kFileOptionCount = 7;
inline constexpr int kFileDataLines = 16;
inline constexpr int kFileValuesPerLine = 16;

// Line 1 in file order: radioType, mainBand, tonePair, software,
// readProtect, gridStep, version.
using FileOptions = std::array<int, kFileOptionCount>;

FileOptions OptionsOf(const RadioConfig& config);

// The whole file text, CR LF line ends included.
std::string FormatConfigFile(const FileOptions& options, const DataArray& data);

// A file's text with its data lines replaced: everything up to and
// including line 1's end (a byte-order mark, the options as written) is kept.
std::string ReplaceConfigFileData(std::string_view original, const DataArray& data);

// What a read found, as a file: line 1 from the decoded options, the data
// lines as the radio held them, byte for byte.
std::string FormatReadConfigFile(const ReadBackPanels& decoded, const Project& image);

// The channels whose tone code has no item in the tone list (codes 20-37): a
// file keeps them, but panels built from it cannot.
struct UnlistedTone {
    int channel;
    int code;
};
std::vector<UnlistedTone> FindUnlistedTones(const ReadBackPanels& decoded, const DataArray& data);

// What a file holds (a byte-order mark skipped, any line ends): unreadable option values read as 0;
// unreadable data values are left out (their entries keep what they held).
struct ParsedConfigFile {
    FileOptions options{};
    std::array<std::optional<int32_t>, kDataBytes> data{};
};
ParsedConfigFile ParseConfigFile(std::string_view text);

// The options a read applies, in the order it checks them; it stops at the
// first value out of range, keeping what was applied before it.
enum class FileOption { Software, RadioType, TonePair, MainBand, GridStep };
struct AppliedOption {
    FileOption option;
    int value;
};
struct [[nodiscard]] FileReadPlan {
    std::vector<AppliedOption> options;
    std::optional<std::string> refusal; // the plain message of the first value out of range
    // Only when nothing was refused:
    bool versionMessage = false; // the version is not 0, 1 or 2; none is chosen
    int version = kNoVersion;
    bool readProtect = false;
};
FileReadPlan PlanConfigFileRead(const ParsedConfigFile& file);

// The plan's options, version and read protection applied to a configuration
// (the command line's reading; the window sets its controls one by one).
void ApplyFileOptions(const FileReadPlan& plan, RadioConfig& config);

// The data lines over an image: entries that could not be read keep theirs.
void ApplyFileData(const ParsedConfigFile& file, DataArray& data);

// The channel table as the data EEPROM gives it, decoded by the version's rule.
std::array<ChannelConfig, kChannelCount> DecodeFileChannels(const DataArray& data, int version);

// Where a file is not whole: line 1 without seven integers, or one of the
// sixteen data lines missing or short of sixteen values. The window reads
// such a file leniently; the command line refuses it.
struct ConfigFileDefect {
    int line; // 1-based
};
std::optional<ConfigFileDefect> FindConfigFileDefect(std::string_view text);
std::string DescribeConfigFileDefect(const std::string& path, const ConfigFileDefect& defect);

} // namespace zekt
