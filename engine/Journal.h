#pragma once

#include "Console.h"
#include "LocalJournal.h"
#include "Project.h"
#include "SafeFile.h"
#include "SharedJournal.h"
#include "USB_Prog.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zekt {

std::string Sha256Hex(std::string_view bytes);
// The SHA-256 of a file's bytes; empty when the file cannot be read.
std::string FileSha256(const std::string& path);
// The configuration a radio holds: the data EEPROM and the frequency page
// (words 7936 to 8191), so the same content hashes the same from any source.
std::string ConfigurationHash(const Project& image);

// Now, as ISO 8601 with the local offset: 2026-12-07T10:42:18+03:00.
std::string JournalTime();
// The bench's time zone by name ("Europe/Moscow"), kept with shared records.
std::string BenchZone();

// The journal a program keeps: the local file (LocalJournal), and with it
// the workshop's shared journal when one is set. A journal that cannot be
// written warns once and never fails a run.
class Journal {
public:
    explicit Journal(std::string path = {}); // empty: no journal
    ~Journal();
    Journal(Journal&&) = default;
    Journal& operator=(Journal&&) = default;
    bool Enabled() const { return !Path().empty(); }
    // Every record also goes to the workshop's shared journal (a libpq URI;
    // empty: none), after the local file, through the outbox beside it and
    // a sender thread; tell gets the sender's news (the server lost, back
    // again, a record refused) on the sender's thread.
    void UseSharedJournal(const std::string& uri, SharedJournal::Tell tell);
    // How many records wait for the shared journal (0 without one).
    int SharedWaiting() const { return shared ? shared->Waiting() : 0; }
    const std::string& Path() const { return local.Path(); }

    // Keeps the record: in the local file, or (with a shared journal) in the
    // outbox beside it; either is enough. One neither takes is held in memory
    // and tried again before every later record and at Flush, each loss told
    // through warn; the shared journal's sender gets the record either way.
    // False when the record is held.
    bool Append(const JournalRecord& record);
    // The held records tried once more; what is still held, one line each
    // ("2026-12-09T10:42:18+03:00 program ok, радиостанция R-1").
    std::vector<std::string> Flush();
    // The result of the last record made here (written or not): a run's
    // own outcome, whatever other runs of the process did.
    const std::string& LastResult() const { return lastResult; }
    // Keeps what a read found, as radios/YYYY-MM-DD_HHMMSS.prg beside the
    // journal; the path, or empty when it could not be kept.
    std::string KeepRadio(const std::string& prgText);
    // The radio's configuration for the next shared record only (a backup
    // keeps its own file).
    void AttachRadioCopy(std::string prgText) { radioCopy = std::move(prgText); }

    std::function<void(const std::string&)> warn;
    // What turns a run's "ok" into a failure after the radio was done (the
    // simulated radio could not be kept); nothing when nothing did.
    std::function<std::optional<std::string>()> spoilsOk;

private:
    LocalJournal local;
    bool warned = false;
    std::unique_ptr<SharedJournal> shared;
    bool sharedWarned = false;
    bool pendingWarned = false; // records wait beside a journal held open
    std::string radioCopy;      // what the last read kept, for the shared record
    std::string lastResult;
    // A record neither the local file nor the outbox took yet.
    struct Held {
        JournalRecord record;
        std::string time;
        bool inLocal = false;
        bool inOutbox = false;
        bool withSender = false; // given to the sender when the outbox took it not
    };
    std::vector<Held> held;
    // Tries what the held record still lacks; whether it is kept now, and
    // why not when not.
    bool Keep(Held& record, std::string& why, std::string copy);
    void KeepHeld();
    std::string bench = BenchName();
    std::string operatorLogin = OperatorLogin();

    void Warn(const std::string& why);
    void Warn(FileError error);
};

// Times one command and writes its journal lines: one for each radio, or
// one for a command that ended before any run.
class CommandJournal {
public:
    CommandJournal(Journal& journal, JournalRecord base);
    ~CommandJournal();
    CommandJournal(const CommandJournal&) = delete;
    CommandJournal& operator=(const CommandJournal&) = delete;
    JournalRecord& Base() { return base; }
    int Lines() const { return lines; }
    int OkLines() const { return okLines; }
    int FailedLines() const { return failedLines; }
    std::string KeepRadio(const std::string& prgText);
    void AttachRadioCopy(std::string prgText);
    // The unit whose serial number each line records.
    void RecordUnitOf(USB_Prog& link) { unitLink = &link; }
    // A radio's runs start now: its seconds are those from its first frame
    // to its last, whatever questions or boxes came before, between or after.
    void StartClock();
    // A radio's runs start, on the radio with this number (empty: none):
    // its line is owed until written.
    void StartRadio(const std::string& radio);
    // A line for what just ended (image: the configuration written or read);
    // the clock starts again for the next radio. Nothing once the process
    // is ending by an insisted stop (its line was written for it).
    void Write(const std::string& result, const std::string& message, const Project* image);

    // The process ends at once (a second stop signal): every command's owed
    // line is written as cancelled, from the thread that ends it, whatever
    // the runs' own threads are doing (a unit may hang mid-exchange).
    static void WriteOwedLines();

private:
    Journal& journal;
    JournalRecord base;
    // Taken by every use of the journal, so that WriteOwedLines writes a
    // line only when the run's own thread is not writing one.
    std::mutex lineMutex;
    bool lineOwed = true; // a command that ends before any run still has its line
    std::string owedUnit; // the unit and latency as its run began
    std::string owedLatency;
    std::chrono::steady_clock::time_point owedSince{};
    void WriteOwedLine();
    int lines = 0;
    int okLines = 0;
    int failedLines = 0;
    USB_Prog* unitLink = nullptr;
    bool clockStarted = false; // a record before any run took no time
};

} // namespace zekt
