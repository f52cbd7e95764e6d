#include "ProgramSetUp.h"

#include "RadioNumber.h"
#include "UserSettings.h"

namespace zekt {

ProgramSetUp SetUpProgram(const CommonOptions& options, LinkBackend& backend,
                          const LinkWarning& settingsWarning) {
    const SettingsRead read = ReadUserSettings(DefaultSettingsPath());
    for (const std::string& warning : read.warnings) {
        if (settingsWarning) {
            settingsWarning(warning);
        }
    }
    const UserSettings& kept = read.settings;
    LinkSettings link = options.link;
    if (link.usbLatencyMs == 0) {
        link.usbLatencyMs = kept.usbLatencyMs;
    }
    ProgramSetUp setUp{backend.Open(link), ChooseJournal(options.journalFile),
                       SharedJournalAddress(options.journalDatabase, [&kept] { return kept; }),
                       options.radioNumber};
    if (setUp.radioNumber.empty() && kept.askRadioNumber) {
        setUp.radioNumber = kRadioNumberAsk;
    }
    return setUp;
}

std::vector<GuardedFile> ProgramKeptFiles(const std::string& journalPath) {
    std::vector<GuardedFile> kept = {{"файл настроек", DefaultSettingsPath()}};
    const std::vector<GuardedFile> journal = JournalKeptFiles(journalPath);
    kept.insert(kept.end(), journal.begin(), journal.end());
    // The bench's own journal too, when this run keeps another or none: it
    // is the one the next run and every lookup without --journal use.
    if (const std::string usual = DefaultJournalPath(); usual != journalPath) {
        const std::vector<GuardedFile> bench = JournalKeptFiles(usual);
        kept.insert(kept.end(), bench.begin(), bench.end());
    }
    return kept;
}

} // namespace zekt
