#include "Backup.h"

#include "ChipMemory.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "EngineMessages.h"
#include "ProgramThread.h"
#include "ReadBack.h"

namespace zekt {

namespace {

constexpr ProgramOp kOpsWholeChip = opReadConfig | opReadCode | opReadData;

void Say(const CommandHost& host, const std::string& text) {
    host.prompts.Tell({text, {}, BoxKind::Error, false, PromptKind::Notice});
}

// A pass that failed: said, and the line written.
CommandOutcome RunEnded(const StepResult& run, const CommandHost& host, CommandJournal& journal) {
    Say(host, run.message);
    journal.Write(run.stopped ? kJournalCancelled : kJournalFailed, run.message, nullptr);
    return run.stopped ? CommandOutcome::Cancelled : CommandOutcome::RunFailed;
}

} // namespace

CommandOutcome BackupRadioJournaled(CommandContext& context, const CommandHost& host,
                                    CommandJournal& journal, const BackupCopy& copy) {
    journal.Base().command = "backup";
    journal.RecordUnitOf(context.link);
    if (!TestUnit(host.owner, context.link)) {
        Say(host, msg::kReadTestFailed);
        journal.Write(kJournalFailed, msg::kReadTestFailed, nullptr);
        return CommandOutcome::TestFailed;
    }
    Project& image = context.image;
    image.SetStartWord(0);
    const std::optional<std::string> radio = host.prompts.AskRadioNumber();
    if (!radio) {
        journal.Write(kJournalCancelled, "", nullptr);
        return CommandOutcome::Cancelled;
    }
    journal.StartRadio(*radio);
    const StepResult run =
        RunProgramThread(host.owner, kOpsWholeChip, image, context.link, host.runs.Progress());
    host.runs.HideProgress();
    host.runs.RunFinished();
    if (!run.ok) {
        return RunEnded(run, host, journal);
    }
    // Before anything read is believed: a second pass that agrees.
    if (const StepResult again = ConfirmRead(host, kOpsWholeChip, image, context.link); !again.ok) {
        return RunEnded(again, host, journal);
    }
    if (ChipProtected(image)) {
        Say(host, msg::kReadProtected);
        journal.Write(kJournalFailed, msg::kReadProtected, &image);
        return CommandOutcome::RunFailed;
    }
    if (const Outcome saved = copy.save(image); !saved.Ok()) {
        Say(host, msg::kCopyNotWritten + saved.Why());
        journal.Write(kJournalFailed, saved.Why(), &image);
        return CommandOutcome::OutputLost;
    }
    // The copy is the file this command made: named where files are named.
    journal.Base().configFile = copy.path;
    journal.Base().configFileHash = FileSha256(copy.path);
    // The shared journal keeps the radio's configuration, as for a read.
    journal.AttachRadioCopy(FormatReadConfigFile(DecodeReadBack(image, RadioConfig{}), image));
    journal.Write(kJournalOk, "", &image);
    return CommandOutcome::Done;
}

} // namespace zekt
