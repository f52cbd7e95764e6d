#include "SharedRecord.h"

#include <cstdio>
#include <random>
#include <vector>

namespace zekt {

namespace {

// The id, bench, operator and copy, the journal's columns, the zone. Version
// 1.1.0 wrote no id among the columns; 1.0.0 no zone and no radio number.
constexpr std::size_t kOutboxFields = 5 + kJournalColumns;
constexpr std::size_t kOutboxFields110 = 5 + kJournalColumnsBefore12;
constexpr std::size_t kOutboxFields100 = 4 + kJournalColumnsBefore11;

// How many of the journal's columns a line of so many fields has.
std::size_t ColumnsOfOutboxLine(std::size_t fields) {
    switch (fields) {
    case kOutboxFields:
        return kJournalColumns;
    case kOutboxFields110:
        return kJournalColumnsBefore12;
    case kOutboxFields100:
        return kJournalColumnsBefore11;
    default:
        return 0;
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string Hex(unsigned char byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 15]};
}

std::string Encoded(const std::string& field) {
    std::string out;
    for (const char c : field) {
        if (c == '%' || c == ';' || c == '\n' || c == '\r') {
            out += '%' + Hex(static_cast<unsigned char>(c));
        } else {
            out += c;
        }
    }
    return out;
}

bool Decoded(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size() || HexValue(field[i + 1]) < 0 || HexValue(field[i + 2]) < 0) {
            return false;
        }
        out += static_cast<char>(HexValue(field[i + 1]) * 16 + HexValue(field[i + 2]));
        i += 2;
    }
    return true;
}

// The length of the valid UTF-8 sequence at text[i], or 0 (overlong forms,
// surrogates and code points above U+10FFFF are not valid).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead >= 0x01 && lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace

namespace {

// U+0000-U+001F, U+007F and U+0080-U+009F: what a terminal may act on.
bool IsControl(std::string_view text, std::size_t i, std::size_t length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    return (length == 1 && (byte(i) < 0x20 || byte(i) == 0x7F)) ||
           (length == 2 && byte(i) == 0xC2 && byte(i + 1) <= 0x9F);
}

// The length of what starts at i and is spelled as \xHH (one byte that is
// no UTF-8, or a whole control character), or 0.
std::size_t SpelledAt(std::string_view text, std::size_t i, bool controls) {
    const std::size_t length = Utf8SequenceAt(text, i);
    if (length == 0) {
        return 1;
    }
    return controls && IsControl(text, i, length) ? length : 0;
}

// Each \\ as one backslash and each \xHH as its byte; anything else as it is.
std::string Unescaped(std::string_view stored) {
    std::string out;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored.compare(i, 2, "\\\\") == 0) {
            out += '\\';
            ++i;
        } else if (stored.compare(i, 2, "\\x") == 0 && i + 3 < stored.size() &&
                   HexValue(stored[i + 2]) >= 0 && HexValue(stored[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(stored[i + 2]) * 16 + HexValue(stored[i + 3]));
            i += 3;
        } else {
            out += stored[i];
        }
    }
    return out;
}

// 1.1.0 spelled out only what was no UTF-8, every backslash doubled then.
std::string ServerText110(std::string_view field) {
    if (IsUtf8(field)) {
        return std::string(field);
    }
    std::string out;
    for (std::size_t i = 0; i < field.size();) {
        const std::size_t length = Utf8SequenceAt(field, i);
        if (length == 0) {
            out += "\\x" + Hex(static_cast<unsigned char>(field[i]));
            ++i;
        } else if (field[i] == '\\') {
            out += "\\\\";
            ++i;
        } else {
            out.append(field.substr(i, length));
            i += length;
        }
    }
    return out;
}

} // namespace

std::string EscapedText(std::string_view field, bool controls) {
    std::string out;
    for (std::size_t i = 0; i < field.size();) {
        if (const std::size_t spelled = SpelledAt(field, i, controls); spelled > 0) {
            for (const char byte : field.substr(i, spelled)) {
                out += "\\x" + Hex(static_cast<unsigned char>(byte));
            }
            i += spelled;
            continue;
        }
        const std::size_t length = Utf8SequenceAt(field, i);
        if (field[i] == '\\') {
            // Doubled only where it would read as the start of an escape.
            const std::size_t next = i + 1;
            const bool escapeFollows =
                next < field.size() &&
                (field[next] == 'x' || field[next] == '\\' || SpelledAt(field, next, controls) > 0);
            out += escapeFollows ? "\\\\" : "\\";
        } else {
            out.append(field.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string ServerText(std::string_view field, int rule) {
    return rule == kTextRule110 ? ServerText110(field) : EscapedText(field, false);
}

std::string FieldOfServerText(std::string_view stored, int rule) {
    if (rule != kTextRule110) {
        return Unescaped(stored);
    }
    // 1.1.0 left valid UTF-8 as it was: a text is taken as spelled out only
    // when that is what 1.1.0 made of bytes that were no UTF-8.
    std::string bytes = Unescaped(stored);
    return !IsUtf8(bytes) && ServerText110(bytes) == stored ? bytes : std::string(stored);
}

std::string NewRecordId(const std::string& bench, const std::string& time) {
    thread_local std::mt19937_64 bits{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    std::string id = bench + "/" + time + "/";
    for (int half = 0; half < 2; ++half) {
        const std::uint64_t value = bits();
        for (int shift = 56; shift >= 0; shift -= 8) {
            id += Hex(static_cast<unsigned char>(value >> shift));
        }
    }
    return id;
}

std::string OutboxLine(const SharedRecord& record) {
    std::string line;
    for (const std::string* field :
         {&record.id, &record.bench, &record.operatorLogin, &record.radioCopy}) {
        line.append(Encoded(*field)).push_back(';');
    }
    for (const std::string& column : record.columns) {
        line.append(Encoded(column)).push_back(';');
    }
    line.append(Encoded(record.zone)).push_back('\n');
    return line;
}

bool ParseOutboxLine(std::string_view line, SharedRecord& record) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(';', start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    const std::size_t count = fields.size();
    const std::size_t columns = ColumnsOfOutboxLine(count);
    if (columns == 0) {
        return false;
    }
    record.zone.clear();
    if (count != kOutboxFields100 && !Decoded(fields.back(), record.zone)) {
        return false;
    }
    for (std::size_t c = columns; c < kJournalColumns; ++c) {
        record.columns[c].clear();
    }
    bool ok = Decoded(fields[0], record.id) && Decoded(fields[1], record.bench) &&
              Decoded(fields[2], record.operatorLogin) && Decoded(fields[3], record.radioCopy);
    for (std::size_t c = 0; ok && c < columns; ++c) {
        ok = Decoded(fields[4 + c], record.columns[c]);
    }
    for (char& c : record[kSecondsColumn]) {
        c = c == ',' ? '.' : c; // 1.0.0 under ru_RU
    }
    if (record[kIdColumn].empty()) {
        record[kIdColumn] = record.id; // queued by 1.1.0: the id it is sent under
    }
    return ok && !record.id.empty();
}

} // namespace zekt
