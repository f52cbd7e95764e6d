#include "ChannelTable.h"

#include "ConfigMessages.h"
#include "Csv.h"
#include "FrequencyCodec.h"
#include "PanelTexts.h"
#include "RadioLayout.h"
#include "SafeFile.h"

#include <cmath>
#include <vector>

namespace zekt {

namespace {

constexpr int kColumns = 5;
constexpr const char* kYes = "да";
constexpr const char* kNo = "нет";
constexpr float kToneTolerance = 0.01f;

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// One CSV line (RFC 4180 quoting) into trimmed fields.
std::vector<std::string> Fields(std::string_view line, char separator) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
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

std::string Lower(std::string text) {
    // Only what the scan column needs: Д, А, Н, Е, Т and Latin letters.
    for (const auto& [upper, lower] :
         {std::pair{"Д", "д"}, {"А", "а"}, {"Н", "н"}, {"Е", "е"}, {"Т", "т"}}) {
        for (std::size_t at; (at = text.find(upper)) != std::string::npos;) {
            text.replace(at, std::string_view(upper).size(), lower);
        }
    }
    for (char& c : text) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c | 0x20) : c;
    }
    return text;
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
                (c.scan ? kYes : kNo) + ";" + Escaped(tone) + "\r\n";
    }
    return text;
}

ChannelCsvRead ParseChannelCsv(std::string_view text) {
    ChannelCsvRead read;
    const auto refuse = [&read](int line, const std::string& why) {
        read.ok = false;
        read.line = line;
        read.error = why;
        return read;
    };
    const std::vector<std::string_view> lines = Lines(SkipByteOrderMark(text));
    std::size_t header = 0;
    while (header < lines.size() && lines[header].find_first_not_of(" \t;,") == std::string::npos) {
        ++header;
    }
    if (header == lines.size()) {
        return refuse(1, "нет заголовка и строк каналов");
    }
    // A ';' table uses the decimal comma; without one it is ',' with dots.
    const char separator = lines[header].find(';') != std::string_view::npos ? ';' : ',';
    const std::vector<std::string> head = Fields(lines[header], separator);
    if (head.size() < kColumns || Lower(head[0]) != Lower("Канал")) {
        return refuse(static_cast<int>(header) + 1,
                      std::string("ожидается заголовок \"") + kChannelCsvHeader + "\"");
    }
    std::array<bool, kChannelCount> seen{};
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        if (lines[i].find_first_not_of(" \t;,") == std::string::npos) {
            continue;
        }
        std::vector<std::string> f = Fields(lines[i], separator);
        f.resize(std::max<std::size_t>(f.size(), kColumns));
        const int n = ChannelIndex(f[0]);
        if (n < 0) {
            return refuse(line, "нет канала \"" + f[0] + "\" (каналы 1-9, A-F, 0)");
        }
        if (seen[static_cast<std::size_t>(n)]) {
            return refuse(line, "канал " + f[0] + " указан второй раз");
        }
        for (const std::string& frequency : {f[1], f[2]}) {
            if (!FrequencyOk(frequency)) {
                return refuse(line, "\"" + frequency + "\" не является частотой в МГц");
            }
        }
        const std::string scan = Lower(f[3]);
        if (!scan.empty() && scan != kYes && scan != kNo) {
            return refuse(line, "в столбце \"Сканер\" ожидается \"да\" или \"нет\"");
        }
        const int tone = ToneItem(f[4]);
        if (tone == -2) {
            return refuse(line, "частоты CTCSS \"" + f[4] + "\" нет в списке");
        }
        ChannelConfig& c = read.channels[static_cast<std::size_t>(n)];
        c = {f[1], f[2], tone, scan == kYes};
        seen[static_cast<std::size_t>(n)] = true;
        read.lineOf[static_cast<std::size_t>(n)] = line;
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

ChannelImport ImportChannels(const RadioConfig& options, const DataArray& data,
                             const ChannelArray& channels) {
    // The build writes more than the channels; only their bytes are taken.
    struct Range {
        int first;
        int count;
    };
    static constexpr Range kChannelBytes[] = {
        {layout::kChannelTable, layout::kChannelBytes * kChannelCount},
        {layout::kChannel0Copy, layout::kChannelBytes},
        {layout::kScanBytes, kChannelCount},
        {layout::kToneCodes, kChannelCount},
    };
    ChannelImport result;
    result.data = data;
    Project scratch;
    scratch.DataMemory() = data;
    for (const Range& r : kChannelBytes) {
        for (int a = r.first; a < r.first + r.count; ++a) {
            scratch.DataMemory()[static_cast<std::size_t>(a)] = kBlankByte; // an empty channel
        }
    }
    RadioConfig config = options;
    config.bandMode = 0;
    config.channels = channels;
    const DataBuildResult built = BuildConfigurationData(config, scratch);
    if (built.outcome != DataBuildResult::Outcome::Complete) {
        result.channel = built.field.channel;
        result.error = built.outcome == DataBuildResult::Outcome::InvalidFrequency
                           ? msg::kSyntaxError
                           : built.conversionError;
        return result;
    }
    for (const Range& r : kChannelBytes) {
        for (int a = r.first; a < r.first + r.count; ++a) {
            result.data[static_cast<std::size_t>(a)] =
                scratch.DataMemory()[static_cast<std::size_t>(a)];
        }
    }
    result.ok = true;
    return result;
}

} // namespace zekt
