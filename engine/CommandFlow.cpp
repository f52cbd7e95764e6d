#include "CommandFlow.h"

#include "ChannelBand.h"
#include "ChipMemory.h"
#include "CommandMessages.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "EngineMessages.h"
#include "Firmware.h"
#include "Journal.h"
#include "ProgramThread.h"
#include "ReadBack.h"
#include "RecordingPrompts.h"
#include "SafeFile.h"

#include <filesystem>

namespace zekt {

namespace {

// The build's questions, asked by the host.
class HostQuestions : public BuildQuestions {
public:
    explicit HostQuestions(OperatorPrompts& prompts) : prompts(prompts) {}
    std::optional<std::string> ChooseFirmwareFile() override {
        return prompts.ChooseFirmwareFile();
    }
    bool ConfirmReadProtection() override { return prompts.ConfirmReadProtection(); }

private:
    OperatorPrompts& prompts;
};

// An outcome, a warning or an error in a box with OK; advice, what to do,
// below it.
void Notify(const CommandHost& host, const std::string& text, const std::string& title,
            BoxKind icon, const std::string& advice = {}) {
    host.prompts.Tell({text, title, icon, false, PromptKind::Notice, advice});
}

// Where the firmware that did not open was, and where the standard ones are
// looked for (the start folder is current): the file names themselves.
std::string FirmwareAdvice(const std::string& opened) {
    std::error_code ec;
    const auto full = [&ec](const std::filesystem::path& path) {
        return TextOf(std::filesystem::absolute(path, ec).lexically_normal());
    };
    std::string files;
    for (const char* standard : kStandardFirmwareFiles) {
        files += (files.empty() ? "" : ", ") + TextOf(PathOf(standard).filename());
    }
    return msg::kAdviceFirmwareOpened + full(PathOf(opened)) + ".\n" + msg::kAdviceFirmwareFolder +
           full(PathOf(kStandardFirmwareFiles[0]).parent_path()) + ": " + files + ".";
}

// The programmer test failed: why the unit did not open when the host knows
// (another program holds it, no driver), else the usual causes.
void NotifyTestFailed(const CommandHost& host, const char* text, const char* title) {
    const std::optional<std::string> held = host.prompts.WhyUnitNotOpened();
    host.prompts.Tell({text, title, BoxKind::Error, false, PromptKind::Notice,
                       held ? *held : std::string(msg::kAdviceTestFailed)});
}

// The prompt before a run; false when the operator cancelled.
bool AskToConnect(const CommandHost& host, const std::string& text, const std::string& title,
                  bool okCancel) {
    return host.prompts.Tell(
        {text, title, BoxKind::Information, okCancel, PromptKind::ConnectRadio});
}

// The panels, where the host has them.
bool ConfigShown(const CommandHost& host) {
    return host.panels == nullptr || host.panels->ConfigShown();
}

void HideConfig(const CommandHost& host) {
    if (host.panels != nullptr) {
        host.panels->HideConfig();
    }
}

void ShowConfig(const CommandHost& host) {
    if (host.panels != nullptr) {
        host.panels->ShowConfig();
    }
}

void FocusCommand(const CommandHost& host) {
    if (host.panels != nullptr) {
        host.panels->FocusCommand();
    }
}

void FocusField(const CommandHost& host, const FrequencyField& field) {
    if (host.panels != nullptr) {
        host.panels->FocusField(field);
    }
}

std::string ProgramPrompt(const RadioConfig& config) {
    const std::string_view prompt = msg::kProgPromptStandard;
    const std::size_t at = prompt.find("%s");
    std::string text(prompt.substr(0, at));
    text.append(VersionText(config.version));
    text.append(prompt.substr(at + 2));
    return text;
}

bool ConfirmWrite(const WriteCommand& command, const RadioConfig& config, const CommandHost& host) {
    if (!command.loadsFirmware) {
        return AskToConnect(host, msg::kConnectRadio, command.title, true);
    }
    if (config.software == 1) {
        return host.prompts.Tell({msg::kProgPromptUserFile, msg::kProgPromptCaption,
                                  BoxKind::Information, true, PromptKind::Question});
    }
    return AskToConnect(host, ProgramPrompt(config), msg::kProgPromptCaption, true);
}

// Channels outside the chosen band: the operator decides (the command line
// by an option); declined, the first of them takes the focus.
bool AcceptOutsideBand(const RadioConfig& config, const CommandHost& host) {
    const std::vector<ChannelFrequency> outside = ChannelsOutsideBand(config);
    if (outside.empty()) {
        return true;
    }
    if (host.prompts.Tell({OutsideBandText(*BandOf(config), outside) + msg::kOutsideBandQuestion,
                           msg::kOutsideBandCaption, BoxKind::Warning, true,
                           PromptKind::OutsideBand})) {
        return true;
    }
    ShowConfig(host);
    FocusField(host, outside.front().field);
    return false;
}

void MakeStartDirCurrent(const CommandContext& context) {
    if (!context.startDir.empty()) {
        std::error_code ec;
        std::filesystem::current_path(PathOf(context.startDir), ec);
    }
}

StepResult Run(ProgramOp ops, CommandContext& context, const CommandHost& host) {
    const StepResult result =
        RunProgramThread(host.owner, ops, context.image, context.link, host.runs.Progress());
    host.runs.RunFinished();
    return result;
}

// A radio's number is asked once it is connected; false when the operator
// cancelled there. Then its runs start.
bool RunStarting(const CommandContext& context, const CommandHost& host) {
    const std::optional<std::string> radio = host.prompts.AskRadioNumber();
    if (!radio) {
        return false;
    }
    if (context.runStarting) {
        context.runStarting(*radio);
    }
    return true;
}

} // namespace

StepResult ConfirmRead(const CommandHost& host, ProgramOp ops, const Project& image,
                       USB_Prog& link) {
    const ReadAgain again = ReadAgainAndCompare(host.owner, ops, image, link, host.runs.Progress());
    host.runs.RunFinished();
    if (again.run.ok && !again.same) {
        return StepResult::Failure(msg::kReadsDiffer);
    }
    return again.run;
}

std::string RunFaultAdvice(const StepResult& result, RunKind kind) {
    if (result.stopped) {
        return {}; // the text says it all
    }
    std::string advice = result.linkFault           ? msg::kAdviceCheckLink
                         : kind == RunKind::Writing ? msg::kAdviceChipFault
                                                    : "";
    if (kind == RunKind::Writing) {
        advice += std::string("\n") + msg::kAdviceWriteAgain;
    } else if (result.linkFault) {
        advice += std::string(" ") + msg::kAdviceReadAgain;
    }
    return advice;
}

namespace {

// A failed run's message in a plain box, with what to do; how the command ends.
CommandOutcome ReportFailedRun(const StepResult& result, const CommandHost& host, RunKind kind) {
    host.prompts.Tell({result.message,
                       {},
                       BoxKind::None,
                       false,
                       PromptKind::Notice,
                       RunFaultAdvice(result, kind)});
    return result.stopped ? CommandOutcome::Cancelled : CommandOutcome::RunFailed;
}

CommandOutcome RunLoop(const WriteCommand& command, CommandContext& context,
                       const CommandHost& host) {
    for (bool first = true;; first = false) {
        if (!RunStarting(context, host)) {
            // Cancelled at the first radio's number; at a later one, the series ends.
            return first ? CommandOutcome::Cancelled : CommandOutcome::Done;
        }
        const StepResult result = Run(command.ops, context, host);
        if (context.runDone) {
            context.runDone(result);
        }
        if (!result.ok) {
            return ReportFailedRun(result, host, RunKind::Writing);
        }
        if (!host.prompts.Tell({NextRadioQuestion(command), command.title, BoxKind::None, true,
                                PromptKind::NextRadio})) {
            return CommandOutcome::Done;
        }
    }
}

} // namespace

DataBuildResult::Outcome BuildDataReporting(const RadioConfig& config, Project& image,
                                            const CommandHost& host) {
    const DataBuildResult data = BuildConfigurationData(config, image);
    if (host.panels != nullptr) {
        for (const FrequencyField& stored : data.storedFields) {
            host.panels->ShowStoredField(stored);
        }
    }
    if (data.outcome == DataBuildResult::Outcome::NotANumber) {
        // The operator sees the error, the panels and the field to mend.
        Notify(host, data.conversionError, {}, BoxKind::Error);
        ShowConfig(host);
        host.prompts.ShowRefusedField(data.field);
        FocusField(host, data.field);
    } else if (data.outcome == DataBuildResult::Outcome::InvalidFrequency) {
        host.prompts.ShowRefusedField(data.field);
        Notify(host, msg::kSyntaxError, msg::kSyntaxErrorCaption, BoxKind::Error);
        ShowConfig(host);
        FocusField(host, data.field);
    }
    return data.outcome;
}

bool BuildForRun(const RadioConfig& config, CommandContext& context, const CommandHost& host) {
    const DataBuildResult::Outcome data = BuildDataReporting(config, context.image, host);
    if (data == DataBuildResult::Outcome::NotANumber) {
        return false; // no run
    }
    if (data == DataBuildResult::Outcome::InvalidFrequency) {
        // The tone bytes were never built: checking them would only blame
        // the operator's tones for the frequency's fault.
        context.buildAborted = true;
        return false;
    }
    HostQuestions questions(host.prompts);
    const IdentificationResult id =
        BuildIdentification(config, context.image, context.date, context.firmwareFile, questions);
    context.firmwareFile = id.firmwareFile;
    switch (id.outcome) {
    case IdentificationResult::Outcome::Complete:
        break;
    case IdentificationResult::Outcome::BadTone:
        Notify(host, msg::kBadTone, msg::kBadToneCaption, BoxKind::Error);
        context.buildAborted = true;
        if (host.panels != nullptr) {
            host.panels->ShowConfig(); // the tone box can take the focus only when shown
            host.panels->FocusToneBox(id.toneChannel);
        }
        break;
    case IdentificationResult::Outcome::FirmwareCancelled:
    case IdentificationResult::Outcome::ProtectionDeclined:
        context.buildAborted = true;
        break;
    }
    return !context.buildAborted;
}

CommandOutcome RunWriteCommand(const WriteCommand& command, const RadioConfig& config,
                               CommandContext& context, const CommandHost& host) {
    PrepareImage(context.image, command);
    context.buildAborted = false;
    // A field to mend is said before the operator fetches a radio, and
    // nothing goes to the unit.
    std::optional<FieldProblem> problem = CheckFrequencyFields(config);
    if (!problem) {
        problem = CheckTunableChannels(config);
    }
    if (problem) {
        host.prompts.ShowRefusedField(problem->field);
        Notify(host, problem->message, msg::kFieldCaption, BoxKind::Error);
        ShowConfig(host);
        FocusField(host, problem->field);
        return CommandOutcome::Refused;
    }
    if (context.link.IsReady() && !TestUnit(host.owner, context.link)) {
        NotifyTestFailed(host, command.testFailed, msg::kTestFailedCaption);
        return CommandOutcome::TestFailed;
    }
    if (config.version < kVersion410 || config.version > kVersion611) {
        Notify(host, msg::kNoVersion, msg::kNoVersionCaption, BoxKind::Error);
        return CommandOutcome::Refused;
    }
    if (command.needsConfigShown && !ConfigShown(host)) {
        Notify(host, msg::kConfigNotSet, msg::kConfigNotSetCaption, BoxKind::Error);
        return CommandOutcome::Refused;
    }
    if (!AcceptOutsideBand(config, host)) {
        return CommandOutcome::Refused;
    }
    HideConfig(host);
    CommandOutcome outcome = CommandOutcome::Cancelled;
    if (ConfirmWrite(command, config, host)) {
        MakeStartDirCurrent(context);
        if (!BuildForRun(config, context, host)) {
            ShowConfig(host);
            return CommandOutcome::Refused;
        }
        bool connected = true;
        if (command.loadsFirmware) {
            if (!context.image.LoadHex(context.firmwareFile)) {
                Notify(host, msg::kFirmwareNotLoaded, msg::kFirmwareNotLoadedCaption,
                       BoxKind::Error, FirmwareAdvice(context.firmwareFile));
                ShowConfig(host);
                return CommandOutcome::FirmwareNotLoaded;
            }
            if (config.software == 1) {
                connected = AskToConnect(host, msg::kConnectDevice, {}, false);
            }
        }
        if (connected && host.runs.ShowProgress()) {
            outcome = RunLoop(command, context, host);
            host.runs.HideProgress();
        }
    }
    ShowConfig(host);
    FocusCommand(host);
    return outcome;
}

namespace {

// The read after the identification: the memories, then a second pass over
// both. What the first pass found is said only once the second agrees.
ReadOutcome ReadMemoriesAndConfirm(CommandContext& context, const CommandHost& host) {
    ReadOutcome result{CommandOutcome::Done, true};
    const bool oldProgrammer = ProgrammedByOldUnit(context.image);
    PrepareMemoryRead(context.image);
    const StepResult memories = Run(kOpsReadMemories, context, host);
    if (!memories.ok) {
        // Stopped or failed: a read cut short is no radio, nothing of it is
        // decoded, said or hashed.
        result = {ReportFailedRun(memories, host, RunKind::Reading), false};
    } else {
        if (const StepResult again = ConfirmRead(host, kOpsReadIdentification | kOpsReadMemories,
                                                 context.image, context.link);
            !again.ok) {
            // Two passes that disagree: neither is the radio.
            result = {ReportFailedRun(again, host, RunKind::Reading), false};
        }
    }
    host.runs.HideProgress();
    if (result.decode && oldProgrammer) {
        Notify(host, msg::kOldProgrammer, msg::kOldProgrammerCaption, BoxKind::Information);
    }
    if (result.decode && OldFirmware(context.image)) {
        Notify(host, msg::kOldFirmware, msg::kOldFirmwareCaption, BoxKind::Warning);
    }
    return result;
}

} // namespace

ReadOutcome ReadRadio(CommandContext& context, const CommandHost& host) {
    if (context.link.IsReady() && !TestUnit(host.owner, context.link)) {
        NotifyTestFailed(host, msg::kReadTestFailed, msg::kReadTestFailedCaption);
        return {CommandOutcome::TestFailed, false};
    }
    HideConfig(host);
    ReadOutcome result{CommandOutcome::Cancelled, false};
    if (AskToConnect(host, msg::kConnectRadio, msg::kConnectRadioForReadCaption, true) &&
        RunStarting(context, host) && host.runs.ShowProgress()) {
        const StepResult identification = Run(kOpsReadIdentification, context, host);
        if (!identification.ok) {
            result.outcome = ReportFailedRun(identification, host, RunKind::Reading);
            host.runs.HideProgress();
        } else if (RadioBlank(context.image)) {
            Notify(host, msg::kRadioBlank, msg::kRadioBlankCaption, BoxKind::Error,
                   msg::kAdviceRadioBlank);
            host.runs.HideProgress();
            ShowConfig(host);
            // The unit answered: a failed read, not a refused command.
            return {CommandOutcome::RunFailed, false};
        } else {
            result = ReadMemoriesAndConfirm(context, host);
        }
    }
    ShowConfig(host);
    FocusCommand(host);
    return result;
}

namespace {

const char* JournalResult(CommandOutcome outcome) {
    switch (outcome) {
    case CommandOutcome::Done:
        return kJournalOk;
    case CommandOutcome::Cancelled:
        return kJournalCancelled;
    case CommandOutcome::Refused:
    case CommandOutcome::FirmwareNotLoaded:
        return kJournalRefused; // nothing reached the radio
    case CommandOutcome::TestFailed:
    case CommandOutcome::RunFailed:
    case CommandOutcome::OutputLost:
        break;
    }
    return kJournalFailed;
}

// The firmware a programming loads, on every line of the command: the file
// the build chose, or before the build (a unit that failed its test) the
// standard file of the configuration's version.
void NoteFirmware(const WriteCommand& command, const RadioConfig& config,
                  const CommandContext& context, CommandJournal& journal) {
    if (!command.loadsFirmware || !journal.Base().firmwareFile.empty()) {
        return;
    }
    std::filesystem::path file =
        PathOf(config.software == 1 ? context.firmwareFile : std::string());
    if (config.software == 0 && config.version >= kVersion410 && config.version <= kVersion611) {
        file = kStandardFirmwareFiles[static_cast<std::size_t>(config.version)];
    }
    if (file.empty()) {
        return;
    }
    // Standard firmware is named relative to the start folder.
    std::error_code ec;
    if (file.is_relative() && !context.startDir.empty()) {
        file = PathOf(context.startDir) / file;
    }
    journal.Base().firmwareFile = TextOf(std::filesystem::absolute(file, ec).lexically_normal());
    journal.Base().firmwareHash = FileSha256(journal.Base().firmwareFile);
}

} // namespace

CommandOutcome RunWriteCommandJournaled(const WriteCommand& command, const RadioConfig& config,
                                        CommandContext& context, const CommandHost& host,
                                        CommandJournal& journal) {
    RecordingPrompts recording(host.prompts);
    CommandHost recorded{recording, host.runs, host.panels, host.owner};
    journal.Base().command = command.journalName;
    journal.RecordUnitOf(context.link);
    const int linesBefore = journal.Lines();
    context.runStarting = [&journal](const std::string& radio) { journal.StartRadio(radio); };
    context.runDone = [&](const StepResult& result) {
        NoteFirmware(command, config, context, journal);
        journal.Write(result.ok        ? kJournalOk
                      : result.stopped ? kJournalCancelled
                                       : kJournalFailed,
                      result.ok ? command.doneText : result.message,
                      // What the radio holds only once the run wrote and verified it.
                      result.ok ? &context.image : nullptr);
    };
    const CommandOutcome outcome = RunWriteCommand(command, config, context, recorded);
    context.runDone = nullptr;
    context.runStarting = nullptr;
    if (journal.Lines() == linesBefore) {
        NoteFirmware(command, config, context, journal);
        journal.Write(JournalResult(outcome), recording.Outcome(), nullptr);
    }
    return outcome;
}

ReadOutcome ReadRadioJournaled(CommandContext& context, const CommandHost& host,
                               CommandJournal& journal, const RadioConfig& panels,
                               const AfterRead& after) {
    RecordingPrompts recording(host.prompts);
    CommandHost recorded{recording, host.runs, host.panels, host.owner};
    journal.Base().command = "read";
    journal.RecordUnitOf(context.link);
    context.runStarting = [&journal](const std::string& radio) { journal.StartRadio(radio); };
    ReadOutcome read = ReadRadio(context, recorded);
    context.runStarting = nullptr;
    std::string message = recording.Outcome();
    const char* result = JournalResult(read.outcome);
    const Project* confirmed = nullptr;
    if (read.outcome == CommandOutcome::Done) {
        const ReadBackPanels decoded = DecodeReadBack(context.image, panels);
        journal.Base().version = VersionText(decoded.decodingVersion);
        const bool readProtected = decoded.readProtected || ChipProtected(context.image);
        if (!readProtected) {
            confirmed = &context.image;
        }
        const Outcome checked = after ? after(decoded) : Outcome::Done();
        if (!checked.Ok()) {
            result = kJournalFailed;
            message = checked.Why();
        } else if (readProtected) {
            // Protected memory reads as zeros: shown, but no read of the radio.
            read.outcome = CommandOutcome::RunFailed;
            result = kJournalFailed;
            message = msg::kReadProtected;
        } else {
            // What the radio held, byte for byte, whatever a later command does.
            const std::string text = FormatReadConfigFile(decoded, context.image);
            const std::string kept = journal.KeepRadio(text);
            if (!kept.empty()) {
                journal.Base().configFile = kept;
                journal.Base().configFileHash = Sha256Hex(text);
            }
        }
    }
    // The configuration's hash only of what both passes read from a radio
    // that let itself be read (a protected one reads as zeros).
    journal.Write(result, message, confirmed);
    return read;
}

} // namespace zekt
