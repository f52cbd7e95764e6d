#pragma once

#include "OutputFile.h"
#include "SafeFile.h"
#include "SharedJournal.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zekt {

// One run that touched a radio, as the journal keeps it.
struct JournalRecord {
    std::string program; // zekt-cli or zekt-programmer
    std::string command; // program, write-frequencies, read, verify, backup
    std::string result;  // ok, failed, cancelled or refused
    std::string message; // the operator's text
    std::string configFile;
    std::string configFileHash;
    std::string imageHash; // the configuration written or read
    std::string firmwareFile;
    std::string firmwareHash;
    std::string version;
    double seconds = 0;
    std::string unit;       // the programmer unit's serial number (SIM1 for the simulated unit)
    std::string latency;    // the latency timer a run set, in ms, or kJournalDefaultLatency
    std::string radio = {}; // the radio's own number; empty: none given
    std::string id = {};    // unique (NewRecordId): the shared journal's key of the same record
};

inline constexpr const char* kJournalOk = "ok";
inline constexpr const char* kJournalFailed = "failed";
inline constexpr const char* kJournalCancelled = "cancelled";
inline constexpr const char* kJournalRefused = "refused"; // ended before the radio was touched
inline constexpr const char* kJournalDefaultLatency = "default"; // the chip's own timer

// A result and a command as the operator reads them ("успешно",
// "Программирование"); what the journal does not know stays as it is.
std::string JournalResultText(const std::string& result);
std::string JournalCommandText(const std::string& command);
// The journal's own value of a result the operator names either way
// ("отказ" or "refused"); any other word stays as it is.
std::string JournalResultOf(const std::string& word);

// journal.csv in the per-user data place (UserFilePath); empty when the
// system names none (then NoJournalPlaceText is the warning).
std::string DefaultJournalPath();
std::string NoJournalPlaceText();

// The journal a program keeps: the file its option gave (an empty name: none),
// else the default, with the warning when the default has no place.
struct JournalChoice {
    std::string path; // empty: no journal
    std::optional<std::string> warning;
};
JournalChoice ChooseJournal(const std::optional<std::string>& given);

// The shared journal's outbox beside a local journal.
std::string OutboxPath(const std::string& journalPath);
// The records waiting beside a journal another program holds open without
// sharing it (a spreadsheet on Windows), until it is free.
std::string PendingPath(const std::string& journalPath);
// The folder of a journal's radio copies (radios/ beside it).
std::string CopiesFolder(const std::string& journalPath);
// The journal and everything kept beside it (its copies' folder, the
// outbox, its lock and refused file, the pending file), which no output may
// name; none without a journal.
std::vector<GuardedFile> JournalKeptFiles(const std::string& journalPath);

// The header and one record as ';'-separated CSV lines (RFC 4180 quoting),
// and the record's columns as they stand in the line.
std::string JournalHeader();
std::array<std::string, kJournalColumns> JournalColumns(const JournalRecord& record,
                                                        const std::string& time);
std::string FormatJournalLine(const JournalRecord& record, const std::string& time);
// Fields as one journal line: ';'-separated, RFC 4180 quoting, CR LF.
std::string JournalCsvLine(const std::vector<std::string>& fields);

// The bench's own journal file, journal.csv, with the radios a read kept in
// radios/ beside it. Each line goes out in one write on an O_APPEND
// descriptor under a lock, so several programs can share the file.
class LocalJournal {
public:
    explicit LocalJournal(std::string path) : path(std::move(path)) {}
    const std::string& Path() const { return path; }

    // Appends the record's line (time: as JournalTime gives it), whole or not
    // at all: a write cut short is taken back. A new file gets the header.
    // The records waiting in the pending file go in first, in their order;
    // while another program holds the journal open without sharing it, the
    // line waits there instead (error InUse, pending true: nothing lost).
    struct [[nodiscard]] Appended {
        FileError error = FileError::None;
        bool pending = false;
    };
    Appended Append(const JournalRecord& record, const std::string& time) const;
    // Only the waiting records, when the journal is free again.
    FileError AppendPending() const;
    // How many records wait beside the journal for it.
    std::size_t PendingCount() const;

    struct [[nodiscard]] Kept {
        FileError error = FileError::None;
        std::string path;
    };
    // Keeps a read's *.prg as radios/STAMP.prg (STAMP_2.prg, ... for more
    // reads in the same second), never over another file.
    Kept KeepRadio(const std::string& prgText, const std::string& stamp) const;

private:
    std::string path;

    FileError AppendLines(const std::string& lines) const;
};

// The local journal's records that are wanted, oldest first; a run's id is
// its line's number, as an editor counts it, its bench this one. Ended
// early once stop (when given) is set.
FoundRuns LocalRuns(const std::string& path, const std::function<bool(const SharedRecord&)>& wanted,
                    std::size_t limit, const EachRun& each, const LookupStop* stop = nullptr);
// A read's copy: the file it kept in radios/ beside the journal (a file
// named anywhere else is no copy of the journal's); empty when none.
std::string LocalCopy(const std::string& journalPath, const SharedRecord& run);

} // namespace zekt
