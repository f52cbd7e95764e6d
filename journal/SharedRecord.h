#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zekt {

// The local journal's columns, in its order.
enum JournalColumn : int {
    kTimeColumn,
    kProgramColumn,
    kCommandColumn,
    kResultColumn,
    kMessageColumn,
    kConfigFileColumn,
    kConfigFileHashColumn,
    kConfigHashColumn,
    kFirmwareFileColumn,
    kFirmwareHashColumn,
    kVersionColumn,
    kSecondsColumn,
    kUnitColumn,
    kLatencyColumn,
    kRadioColumn, // the radio's own number; lines of 1.0.0 end before it
    kIdColumn,    // the record's id, as the shared journal keys it; lines of 1.1.0 end before it
    kJournalColumns
};

// Lines of 1.0.0 have every column but the radio's number; lines of 1.1.0
// every column but the record's id.
inline constexpr std::size_t kJournalColumnsBefore11 = kRadioColumn;
inline constexpr std::size_t kJournalColumnsBefore12 = kIdColumn;

// One journal record as the workshop's shared journal keeps it.
struct SharedRecord {
    std::string id; // unique: bench, time and 128 random bits
    std::string bench;
    std::string operatorLogin;
    std::array<std::string, kJournalColumns> columns; // as in the local journal
    std::string radioCopy;                            // a read's *.prg; empty otherwise
    std::string zone = {}; // the bench's time zone ("Europe/Moscow"); the time has its offset

    const std::string& operator[](JournalColumn c) const {
        return columns[static_cast<std::size_t>(c)];
    }
    std::string& operator[](JournalColumn c) { return columns[static_cast<std::size_t>(c)]; }
};

// A new record's id: this bench, the time and 128 random bits, so that no
// two processes anywhere share one (containers share host names and pids).
std::string NewRecordId(const std::string& bench, const std::string& time);

// The outbox's line for a record and back (fields percent-encoded). A
// seconds column that an older version wrote in the Russian locale ("0,0")
// is read as the number it is.
std::string OutboxLine(const SharedRecord& record);
bool ParseOutboxLine(std::string_view line, SharedRecord& record);

// How a row's text is spelled on the server (its text_escaping column).
// 1.1.0 (NULL): valid UTF-8 as it is, anything else with each backslash
// doubled and each byte that is no UTF-8 (and NUL) as \xHH, so that the text
// \xFF and the byte 0xFF were stored alike. From version 5 of the table (2):
// every field spelled out as EscapedText does, which tells them apart.
inline constexpr int kTextRule110 = 1;
inline constexpr int kTextRule = 2;

// A field spelled out so that it is valid UTF-8 and its bytes can be had
// back: each byte that is no UTF-8 and NUL as \xHH (with `controls`, each
// control character too, C1 ones as their two bytes), and a backslash doubled
// where the next thing written is `x` or a backslash; everything else as it is.
std::string EscapedText(std::string_view field, bool controls);
// A field as the server stores text under a rule, and back.
std::string ServerText(std::string_view field, int rule = kTextRule);
std::string FieldOfServerText(std::string_view stored, int rule);
// A field as the lookups print it (the table, --csv, the report): nothing
// a terminal or a page would act on, and a byte told from its spelling.
inline std::string PrintableText(std::string_view field) {
    return EscapedText(field, true);
}

} // namespace zekt
