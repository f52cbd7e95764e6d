#pragma once

#include "CommandFlow.h"
#include "Journal.h"

#include <functional>
#include <string>

namespace zekt {

// Where a backup's copy goes: the file it names, written by save from the
// chip as read (the command line's Intel HEX file).
struct BackupCopy {
    std::string path;
    std::function<Outcome(const Project& image)> save;
};

// "Резервная копия": the unit's test, the radio's number, the whole chip
// read twice and believed only when both passes agree, refused when it is
// read-protected (its zeros would restore nothing), then the copy saved,
// with one journal line that names the copy and keeps what the radio held.
// OutputLost: everything was read, the copy could not be written.
CommandOutcome BackupRadioJournaled(CommandContext& context, const CommandHost& host,
                                    CommandJournal& journal, const BackupCopy& copy);

} // namespace zekt
