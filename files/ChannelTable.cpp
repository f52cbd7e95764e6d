#include "ChannelTable.h"

#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "Csv.h"
#include "FrequencyCodec.h"
#include "PanelTexts.h"
#include "RadioLayout.h"
#include "SafeFile.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace zekt {

namespace {

constexpr float kToneTolerance = 0.01f;

// One CSV line (RFC 4180 quoting) into trimmed fields.
std::vector<std::string> Fields(std::string_view line, char separator) {
    std::vector<std::string> fields = CsvFields(line, separator);
    for (std::string& f : fields) {
        const std::size_t first = f.find_first_not_of(" \t");
        const std::size_t last = f.find_last_not_of(" \t");
        f = first == std::string::npos ? std::string() : f.substr(first, last - first + 1);
    }
    return fields;
}

int ChannelIndex(const std::string& name) {
    for (int n = 0; n < kChannelCount; ++n) {
        if (name.size() == 1 &&
            (name[0] == kChannelNames[n] || name[0] == (kChannelNames[n] | 0x20))) {
            return n;
        }
    }
    return -1;
}

// Lower case for Latin and Russian letters (two-byte UTF-8), so that a
// header or a scan flag typed in capitals still reads.
std::string Lower(std::string_view text) {
    std::string lower;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c >= 'A' && c <= 'Z') {
            lower += static_cast<char>(c | 0x20);
        } else if (c == 0xD0 && next >= 0x90 && next <= 0x9F) { // А-П
            lower += {'\xD0', static_cast<char>(next + 0x20)};
            ++i;
        } else if (c == 0xD0 && next >= 0xA0 && next <= 0xAF) { // Р-Я
            lower += {'\xD1', static_cast<char>(next - 0x20)};
            ++i;
        } else if (c == 0xD0 && next == 0x81) { // Ё
            lower += "ё";
            ++i;
        } else {
            lower += static_cast<char>(c);
        }
    }
    return lower;
}

// The columns by their header names; a spreadsheet may have moved them.
enum Column { colChannel, colTx, colRx, colScan, colTone, kColumns };

const std::vector<std::string>& ColumnNames() {
    static const std::vector<std::string> names = Fields(kChannelCsvHeader, ';');
    return names;
}

int ColumnOf(const std::string& header) {
    const std::vector<std::string>& names = ColumnNames();
    std::string name = Lower(header);
    if (name == Lower("Прием")) {
        name = Lower("Приём");
    }
    for (int c = 0; c < kColumns; ++c) {
        if (name == Lower(names[static_cast<std::size_t>(c)])) {
            return c;
        }
    }
    return -1;
}

// The tone box item for a text, -1 for none; -2 when the list has no such tone.
int ToneItem(const std::string& text) {
    if (text.empty()) {
        return -1;
    }
    const std::optional<float> hz = ParseFrequency(text);
    for (int i = 0; hz && i < kCtcssListedTones; ++i) {
        const std::optional<float> listed =
            ParseFrequency(kCtcssToneTexts[static_cast<std::size_t>(i)]);
        if (listed && std::fabs(*listed - *hz) < kToneTolerance) {
            return i;
        }
    }
    return -2;
}

bool FrequencyOk(const std::string& text) {
    return text.empty() || ParseFrequency(text).has_value();
}

std::string Escaped(const std::string& field) {
    return CsvField(field, ';');
}

} // namespace

std::string FormatChannelCsv(const ChannelArray& channels) {
    std::string text = std::string(kChannelCsvHeader) + "\r\n";
    for (int n = 0; n < kChannelCount; ++n) {
        const ChannelConfig& c = channels[static_cast<std::size_t>(n)];
        const std::string tone = c.ctcss >= 0 && c.ctcss < kCtcssListedTones
                                     ? kCtcssToneTexts[static_cast<std::size_t>(c.ctcss)]
                                     : "";
        text += std::string(1, kChannelNames[n]) + ";" + Escaped(c.tx) + ";" + Escaped(c.rx) + ";" +
                YesNo(c.scan) + ";" + Escaped(tone) + "\r\n";
    }
    return text;
}

namespace {

using ColumnPositions = std::array<int, kColumns>;

// Where each column is among the header's fields; the refusal when one is
// unknown, named twice or missing.
std::optional<std::string> FindColumns(const std::vector<std::string>& head,
                                       ColumnPositions& position) {
    position.fill(-1);
    for (std::size_t i = 0; i < head.size(); ++i) {
        const int column = ColumnOf(head[i]);
        if (column < 0) {
            return "в заголовке неизвестный столбец \"" + head[i] + "\" (ожидается \"" +
                   kChannelCsvHeader + "\")";
        }
        if (position[static_cast<std::size_t>(column)] >= 0) {
            return "в заголовке столбец \"" + head[i] + "\" указан второй раз";
        }
        position[static_cast<std::size_t>(column)] = static_cast<int>(i);
    }
    for (int c = 0; c < kColumns; ++c) {
        if (position[static_cast<std::size_t>(c)] < 0) {
            return "в заголовке нет столбца \"" + ColumnNames()[static_cast<std::size_t>(c)] + "\"";
        }
    }
    return std::nullopt;
}

// One channel's row (its fields where the header put them) into `read`;
// the refusal when it is no channel's row or names a channel again.
std::optional<std::string> TakeChannelRow(const std::vector<std::string>& row,
                                          const ColumnPositions& position, int line,
                                          std::array<bool, kChannelCount>& seen,
                                          ChannelCsvRead& read) {
    const auto field = [&](Column c) -> const std::string& {
        return row[static_cast<std::size_t>(position[static_cast<std::size_t>(c)])];
    };
    const int n = ChannelIndex(field(colChannel));
    if (n < 0) {
        return "нет канала \"" + field(colChannel) + "\" (каналы 1-9, A-F, 0)";
    }
    if (seen[static_cast<std::size_t>(n)]) {
        return "канал " + field(colChannel) + " указан второй раз";
    }
    for (const bool transmit : {true, false}) {
        const std::string& frequency = field(transmit ? colTx : colRx);
        if (!FrequencyOk(frequency)) {
            return ChannelFieldName(n, transmit) + ": \"" + frequency +
                   "\" не является частотой в МГц";
        }
    }
    const std::string scan = Lower(field(colScan));
    if (!scan.empty() && scan != YesNo(true) && scan != YesNo(false)) {
        return std::string("в столбце \"Сканер\" ожидается \"да\" или \"нет\"");
    }
    const int tone = ToneItem(field(colTone));
    if (tone == -2) {
        return "частоты CTCSS \"" + field(colTone) + "\" нет в списке";
    }
    read.channels[static_cast<std::size_t>(n)] = {field(colTx), field(colRx), tone,
                                                  scan == YesNo(true)};
    seen[static_cast<std::size_t>(n)] = true;
    read.lineOf[static_cast<std::size_t>(n)] = line;
    return std::nullopt;
}

bool BlankRow(std::string_view line) {
    return line.find_first_not_of(" \t;,") == std::string::npos;
}

} // namespace

ChannelCsvRead ParseChannelCsv(std::string_view text) {
    ChannelCsvRead read;
    const auto refuse = [&read](int line, const std::string& why) {
        read.ok = false;
        read.line = line;
        read.error = why;
        return read;
    };
    const std::vector<std::string_view> lines = SplitLines(SkipByteOrderMark(text));
    std::size_t header = 0;
    while (header < lines.size() && BlankRow(lines[header])) {
        ++header;
    }
    if (header == lines.size()) {
        return refuse(1, "нет заголовка и строк каналов");
    }
    // A ';' table uses the decimal comma; without one it is ',' with dots.
    const char separator = lines[header].find(';') != std::string_view::npos ? ';' : ',';
    const std::vector<std::string> head = Fields(lines[header], separator);
    ColumnPositions position;
    if (const std::optional<std::string> refused = FindColumns(head, position)) {
        return refuse(static_cast<int>(header) + 1, *refused);
    }
    std::array<bool, kChannelCount> seen{};
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        if (BlankRow(lines[i])) {
            continue;
        }
        const std::vector<std::string> row = Fields(lines[i], separator);
        if (row.size() != head.size()) {
            return refuse(line, "полей " + std::to_string(row.size()) + ", а в заголовке " +
                                    std::to_string(head.size()));
        }
        if (const std::optional<std::string> refused =
                TakeChannelRow(row, position, line, seen, read)) {
            return refuse(line, *refused);
        }
    }
    for (int n = 0; n < kChannelCount; ++n) {
        if (!seen[static_cast<std::size_t>(n)]) {
            return refuse(static_cast<int>(lines.size()) + 1,
                          std::string("нет строки канала ") + kChannelNames[n]);
        }
    }
    read.ok = true;
    return read;
}

namespace {

// The data bytes that belong to channel n.
std::vector<int> ChannelByteAddresses(int n) {
    std::vector<int> addresses;
    for (int k = 0; k < layout::kChannelBytes; ++k) {
        addresses.push_back(layout::kChannelTable + layout::kChannelBytes * n + k);
        if (n == 0) {
            addresses.push_back(layout::kChannel0Copy + k);
        }
    }
    addresses.push_back(layout::kScanBytes + n);
    addresses.push_back(layout::kToneCodes + n);
    return addresses;
}

// The channels built into a scratch image over data with every channel byte
// empty.
DataBuildResult BuildChannels(const RadioConfig& options, const DataArray& data,
                              const ChannelArray& channels, Project& scratch) {
    scratch.DataMemory() = data;
    for (int n = 0; n < kChannelCount; ++n) {
        for (const int a : ChannelByteAddresses(n)) {
            scratch.DataMemory()[static_cast<std::size_t>(a)] = kBlankByte;
        }
    }
    RadioConfig config = options;
    config.bandMode = 0;
    // Encode by the rule the file's channels were decoded with.
    config.version = config.version == kVersion410 ? kVersion410 : kVersion611;
    config.channels = channels;
    return BuildConfigurationData(config, scratch);
}

} // namespace

ChannelImport ImportChannels(const RadioConfig& options, const DataArray& data,
                             const ChannelArray& channels) {
    ChannelImport result;
    result.data = data;
    RadioConfig checked = options;
    checked.channels = channels;
    checked.bandMode = 0; // the table holds channels only
    if (const std::optional<FieldProblem> problem = CheckFrequencyFields(checked)) {
        result.channel = problem->field.channel;
        result.error = problem->message;
        return result;
    }
    Project imported;
    const DataBuildResult built = BuildChannels(options, data, channels, imported);
    if (built.outcome != DataBuildResult::Outcome::Complete) {
        result.channel = built.field.channel;
        result.error = built.outcome == DataBuildResult::Outcome::InvalidFrequency
                           ? FrequencyFieldName(built.field) + ": " + msg::kSyntaxError
                           : built.conversionError;
        return result;
    }
    // A channel the table leaves as the file has it keeps its bytes, even
    // those a build would not reproduce (a tone the list does not hold).
    Project unchanged;
    const bool fileBuilds =
        BuildChannels(options, data, DecodeFileChannels(data, options.version), unchanged)
            .outcome == DataBuildResult::Outcome::Complete;
    for (int n = 0; n < kChannelCount; ++n) {
        const std::vector<int> addresses = ChannelByteAddresses(n);
        const bool same = fileBuilds && std::all_of(addresses.begin(), addresses.end(), [&](int a) {
                              const auto i = static_cast<std::size_t>(a);
                              return imported.DataMemory()[i] == unchanged.DataMemory()[i];
                          });
        if (!same) {
            for (const int a : addresses) {
                const auto i = static_cast<std::size_t>(a);
                result.data[i] = imported.DataMemory()[i];
            }
        }
    }
    result.ok = true;
    return result;
}

} // namespace zekt
