#pragma once

#include "LinkBackend.h"
#include "LocalJournal.h"
#include "Outcome.h"
#include "OutputFile.h"

#include <optional>
#include <string>
#include <vector>

namespace zekt {

// What both programs' command lines say about the units and the journal.
struct CommonOptions {
    LinkSettings link;
    std::optional<std::string> journalFile; // nothing: the default; empty: no journal
    std::string journalDatabase;            // the shared journal's URI; empty: the settings file's
    // kRadioNumberAsk, one radio's number, or empty: as the settings file says.
    std::string radioNumber;
};

// What a program runs with: the link backend opened, the journals, and
// whether radio numbers are asked, each from its option, else from the
// user's settings file.
struct [[nodiscard]] ProgramSetUp {
    Outcome opened;            // the link backend's: what was refused, naming the option
    JournalChoice journal;     // the local journal, with the warning when there is none
    std::string sharedJournal; // the shared journal's URI; empty: none
    std::string radioNumber;   // kRadioNumberAsk, one radio's number, or empty: none
};

// The one set-up both programs make; the settings file's lines that were not
// taken go to `settingsWarning` first.
ProgramSetUp SetUpProgram(const CommonOptions& options, LinkBackend& backend,
                          const LinkWarning& settingsWarning);

// Everything either program keeps, which no output may name: the settings
// file and the journal with what lives beside it (JournalKeptFiles), the
// bench's default journal as well when the run keeps another or none.
std::vector<GuardedFile> ProgramKeptFiles(const std::string& journalPath);

} // namespace zekt
