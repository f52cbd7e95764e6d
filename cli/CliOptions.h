#pragma once

#include "OutputFile.h"
#include "ProgramSetUp.h"

#include <optional>
#include <string>
#include <vector>

namespace zekt {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the programmer or the radio failed
inline constexpr int kExitUsage = 2;  // bad usage or a bad input file
// An output (a file, the trace, standard output) not written whole: a file
// problem like a bad input file, so the same status.
inline constexpr int kExitOutputLost = kExitUsage;
inline constexpr int kExitDifferent = 3; // verify: the radio differs from the file
// The radio is done, but its record is in neither the journal nor the
// shared journal's outbox (a full disk): said with the records at the end.
inline constexpr int kExitRecordLost = 4;
// journal sync: the shared journal could not be reached or used (the
// records wait in the queue).
inline constexpr int kExitSharedJournal = 5;

struct CliOptions {
    bool help = false;
    bool version = false;
    // The units, the link and the journals, as the window takes them too.
    CommonOptions common;
    std::string workdir;            // empty: the current folder
    std::vector<std::string> units; // --unit: serial numbers or their trailing parts
    bool allUnits = false;
    std::string journalAction; // journal: empty (the runs), show, init-db or sync
    std::string journalId;     // journal show: the run's id
    // The journal lookup's filter (the configuration file in inputFile).
    std::string since;
    std::string until;
    std::string bench;
    std::string result;
    std::string radio;    // journal --radio, journal radio: the radio's own number
    std::string htmlFile; // journal report --html: the page
    bool csv = false;
    bool check = false;               // journal sync --check
    std::optional<std::size_t> limit; // the runs shown; nothing: the default, 0: all

    std::string command;    // test, units, program, write-frequencies, read, verify, backup,
                            // export-csv, import-csv, journal
    std::string inputFile;  // CONFIG.prg (program, write-frequencies, verify, export-csv,
                            // journal --config), CHANNELS.csv (import-csv)
    std::string outputFile; // OUT.prg of read --save and journal show --save, OUT.hex of
                            // backup, OUT.csv of export-csv, CONFIG.prg of import-csv
    std::string traceFile;
    // The command's output (outputFile or htmlFile) once checked against
    // everything the program reads or keeps; the commands write only this.
    std::optional<OutputFile> output;
    std::string firmware;
    bool band = false;
    std::string bandLow;
    std::string bandHigh;
    bool yes = false;
    bool repeat = false;
    bool forceBand = false; // program channels outside the chosen band

    std::optional<std::string> error; // why the command line was refused
};

[[nodiscard]] CliOptions ParseCliOptions(const std::vector<std::string>& args);

// Where a command line names a file the program writes: an option's value
// (--trace) or a command's file (the second of export-csv).
struct OutputPlace {
    std::string option;   // empty for a command's file
    std::string command;  // empty for an option
    std::size_t file = 0; // the command's file, counted from 1
};
std::vector<OutputPlace> CliOutputPlaces();

extern const char* const kCliUsage;

} // namespace zekt
