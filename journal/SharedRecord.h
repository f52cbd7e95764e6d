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

// A field as the server stores text: valid UTF-8 as it is; anything else
// with each backslash doubled and each byte that is no UTF-8 (and NUL) as
// \xHH, so that nothing is refused and the bytes can be had back.
std::string ServerText(std::string_view field);

} // namespace zekt
