#pragma once

#include "ConfigBuilder.h"
#include "RadioConfig.h"

#include <array>
#include <string>
#include <string_view>

namespace zekt {

// The channel table as CSV, the way a Russian-locale spreadsheet writes it:
// UTF-8, ';'-separated, a decimal comma, channels "1" .. "F", "0".
inline constexpr const char* kChannelCsvHeader = "Канал;Передача;Приём;Сканер;CTCSS, Гц";

using ChannelArray = std::array<ChannelConfig, kChannelCount>;

std::string FormatChannelCsv(const ChannelArray& channels);

// Reads a channel table: ';' with a decimal comma or ',' with a decimal dot,
// a byte-order mark and any line ends, rows in any order; every channel
// exactly once.
struct ChannelCsvRead {
    bool ok = false;
    int line = 0;      // 1-based line of the refusal
    std::string error; // why, in the operator's words
    ChannelArray channels{};
    std::array<int, kChannelCount> lineOf{}; // where each channel's row was
};
ChannelCsvRead ParseChannelCsv(std::string_view text);

// The channel bytes of a configuration file's data replaced by channels,
// built as a save builds them; every other byte is kept. A refused build
// gives the build's own message and the channel at fault.
struct ChannelImport {
    bool ok = false;
    int channel = -1;
    std::string error;
    DataArray data{};
};
ChannelImport ImportChannels(const RadioConfig& options, const DataArray& data,
                             const ChannelArray& channels);

} // namespace zekt
