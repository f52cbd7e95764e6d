#include "CommandFlow.h"

#include "CommandMessages.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "Journal.h"
#include "ReadBack.h"
#include "RecordingHost.h"

#include <filesystem>

namespace zekt {

namespace {

// The build's questions, asked by the host.
class HostQuestions : public BuildQuestions {
public:
    explicit HostQuestions(CommandHost& host) : host(host) {}
    std::optional<std::string> ChooseFirmwareFile() override { return host.ChooseFirmwareFile(); }
    bool ConfirmReadProtection() override { return host.ConfirmReadProtection(); }

private:
    CommandHost& host;
};

std::string ProgramPrompt(const RadioConfig& config, const CommandHost& host) {
    if (config.software == 1) {
        return msg::kProgPromptUserFile;
    }
    std::string prompt = msg::kProgPromptStandard;
    const std::size_t at = prompt.find("%s");
    return prompt.replace(at, 2, host.VersionText());
}

bool ConfirmWrite(const WriteCommand& command, const RadioConfig& config, CommandHost& host) {
    if (command.loadsFirmware) {
        return host.Message(ProgramPrompt(config, host), msg::kProgPromptCaption,
                            BoxKind::Information, true);
    }
    return host.Message(msg::kFreqPrompt, command.title, BoxKind::Information, true);
}

RunResult Run(ProgramOp ops, CommandContext& context, CommandHost& host) {
    const RunResult result =
        RunProgramThread(host.Owner(), ops, context.image, context.link, host.Progress());
    host.RunFinished();
    return result;
}

void RunStarting(const CommandContext& context) {
    if (context.runStarting) {
        context.runStarting();
    }
}

CommandOutcome RunLoop(const WriteCommand& command, CommandContext& context, CommandHost& host) {
    for (;;) {
        RunStarting(context);
        const RunResult result = Run(command.ops, context, host);
        if (context.runDone) {
            context.runDone(result);
        }
        if (!result.ok) {
            host.PlainMessage(result.message);
            return result.stopped ? CommandOutcome::Cancelled : CommandOutcome::RunFailed;
        }
        if (!host.Message(command.nextQuestion, command.title, BoxKind::None, true)) {
            return CommandOutcome::Done;
        }
    }
}

} // namespace

DataBuildResult::Outcome BuildDataReporting(const RadioConfig& config, Project& image,
                                            CommandHost& host) {
    const DataBuildResult data = BuildConfigurationData(config, image);
    for (const FrequencyField& stored : data.storedFields) {
        host.MarkField(stored, false);
    }
    if (data.outcome == DataBuildResult::Outcome::NotANumber) {
        // The operator sees the error, the panels and the field to mend.
        host.ShowError(data.conversionError);
        host.ShowConfig();
        host.MarkField(data.field, true);
        host.FocusField(data.field);
    } else if (data.outcome == DataBuildResult::Outcome::InvalidFrequency) {
        host.MarkField(data.field, true);
        host.Message(msg::kSyntaxError, msg::kSyntaxErrorCaption, BoxKind::Error, false);
        host.ShowConfig();
        host.FocusField(data.field);
    }
    return data.outcome;
}

bool BuildForRun(const RadioConfig& config, CommandContext& context, CommandHost& host) {
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
    HostQuestions questions(host);
    const IdentificationResult id =
        BuildIdentification(config, context.image, context.date, context.firmwareFile, questions);
    context.firmwareFile = id.firmwareFile;
    switch (id.outcome) {
    case IdentificationResult::Outcome::Complete:
        break;
    case IdentificationResult::Outcome::BadTone:
        host.Message(msg::kBadTone, msg::kBadToneCaption, BoxKind::Error, false);
        context.buildAborted = true;
        host.ShowConfig(); // the tone box can take the focus only when shown
        host.FocusToneBox(id.toneChannel);
        break;
    case IdentificationResult::Outcome::FirmwareCancelled:
    case IdentificationResult::Outcome::ProtectionDeclined:
        context.buildAborted = true;
        break;
    }
    return !context.buildAborted;
}

CommandOutcome RunWriteCommand(const WriteCommand& command, const RadioConfig& config,
                               CommandContext& context, CommandHost& host) {
    PrepareImage(context.image, command);
    context.buildAborted = false;
    if (context.link.IsReady() && !context.link.Test()) {
        host.Message(command.testFailed, msg::kTestFailedCaption, BoxKind::Error, false);
        return CommandOutcome::TestFailed;
    }
    if (config.version < kVersion410 || config.version > kVersion611) {
        host.Message(msg::kNoVersion, msg::kNoVersionCaption, BoxKind::Error, false);
        return CommandOutcome::Refused;
    }
    if (command.needsConfigShown && !host.ConfigShown()) {
        host.Message(msg::kConfigNotSet, msg::kConfigNotSetCaption, BoxKind::Error, false);
        return CommandOutcome::Refused;
    }
    host.HideConfig();
    CommandOutcome outcome = CommandOutcome::Cancelled;
    if (ConfirmWrite(command, config, host)) {
        // The standard firmware paths are relative to the start folder.
        host.MakeStartDirCurrent();
        if (!BuildForRun(config, context, host)) {
            host.ShowConfig();
            return CommandOutcome::Refused;
        }
        if (command.loadsFirmware) {
            if (!context.image.LoadHex(context.firmwareFile)) {
                host.Message(msg::kFirmwareNotLoaded, msg::kFirmwareNotLoadedCaption,
                             BoxKind::Error, false);
                host.ShowConfig();
                return CommandOutcome::FirmwareNotLoaded;
            }
            if (config.software == 1) {
                host.PlainMessage(msg::kConnectDevice);
            }
        }
        if (host.ShowProgress()) {
            outcome = RunLoop(command, context, host);
            host.HideProgress();
        }
    }
    host.ShowConfig();
    host.FocusCommand();
    return outcome;
}

ReadOutcome ReadRadio(CommandContext& context, CommandHost& host) {
    if (context.link.IsReady() && !context.link.Test()) {
        host.Message(msg::kReadTestFailed, msg::kReadTestFailedCaption, BoxKind::Error, false);
        return {CommandOutcome::TestFailed, false};
    }
    host.HideConfig();
    ReadOutcome result{CommandOutcome::Cancelled, false};
    if (host.Message(msg::kConnectRadioForRead, msg::kConnectRadioForReadCaption,
                     BoxKind::Information, true) &&
        host.ShowProgress()) {
        RunStarting(context);
        const RunResult identification = Run(kOpsReadIdentification, context, host);
        if (!identification.ok) {
            host.PlainMessage(identification.message);
            host.HideProgress();
            result.outcome =
                identification.stopped ? CommandOutcome::Cancelled : CommandOutcome::RunFailed;
        } else if (RadioBlank(context.image)) {
            host.Message(msg::kRadioBlank, msg::kRadioBlankCaption, BoxKind::Error, false);
            host.HideProgress();
            host.ShowConfig();
            return {CommandOutcome::Refused, false};
        } else {
            result = {CommandOutcome::Done, true};
            if (ProgrammedByOldUnit(context.image)) {
                host.Message(msg::kOldProgrammer, msg::kOldProgrammerCaption, BoxKind::Information,
                             false);
            }
            PrepareMemoryRead(context.image);
            const RunResult memories = Run(kOpsReadMemories, context, host);
            if (!memories.ok) {
                host.PlainMessage(memories.message);
                result.outcome = CommandOutcome::RunFailed;
            }
            if (memories.stopped) {
                // Stopped on request: nothing of a read cut short is decoded.
                result = {CommandOutcome::Cancelled, false};
            }
            host.HideProgress();
            if (result.decode && OldFirmware(context.image)) {
                host.Message(msg::kOldFirmware, msg::kOldFirmwareCaption, BoxKind::Warning, false);
            }
        }
    }
    host.ShowConfig();
    host.FocusCommand();
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
        break;
    }
    return kJournalFailed;
}

// "Программирование завершено!" of "Программирование завершено! Программировать ...?"
std::string DoneText(const WriteCommand& command) {
    const std::string question = command.nextQuestion;
    return question.substr(0, question.find('!') + 1);
}

} // namespace

CommandOutcome RunWriteCommandJournaled(const WriteCommand& command, const RadioConfig& config,
                                        CommandContext& context, CommandHost& host,
                                        JournalScope& journal) {
    RecordingHost recording(host);
    journal.Base().command = command.journalName;
    journal.RecordUnitOf(context.link);
    const int linesBefore = journal.Lines();
    context.runStarting = [&journal] { journal.StartClock(); };
    context.runDone = [&](const RunResult& result) {
        if (command.loadsFirmware && journal.Base().firmwareFile.empty()) {
            // Standard firmware is named relative to the start folder, current now.
            std::error_code ec;
            journal.Base().firmwareFile =
                std::filesystem::absolute(context.firmwareFile, ec).lexically_normal().string();
            journal.Base().firmwareHash = FileSha256(context.firmwareFile);
        }
        journal.Write(result.ok        ? kJournalOk
                      : result.stopped ? kJournalCancelled
                                       : kJournalFailed,
                      result.ok ? DoneText(command) : result.message, &context.image);
    };
    const CommandOutcome outcome = RunWriteCommand(command, config, context, recording);
    context.runDone = nullptr;
    context.runStarting = nullptr;
    if (journal.Lines() == linesBefore) {
        journal.Write(JournalResult(outcome), recording.lastText, nullptr);
    }
    return outcome;
}

ReadOutcome ReadRadioJournaled(CommandContext& context, CommandHost& host, JournalScope& journal,
                               const RadioConfig& panels, const AfterRead& after) {
    RecordingHost recording(host);
    journal.Base().command = "read";
    journal.RecordUnitOf(context.link);
    context.runStarting = [&journal] { journal.StartClock(); };
    ReadOutcome read = ReadRadio(context, recording);
    context.runStarting = nullptr;
    // The prompt to connect the radio is no outcome; a warning after it is.
    std::string message =
        recording.lastText == msg::kConnectRadioForRead ? std::string() : recording.lastText;
    const char* result = JournalResult(read.outcome);
    if (read.outcome == CommandOutcome::Done) {
        const ReadBackPanels decoded = DecodeReadBack(context.image, panels);
        journal.Base().version = VersionText(decoded.decodingVersion);
        const std::string refusal = after ? after(decoded) : std::string();
        if (refusal.empty()) {
            // What the radio held, byte for byte, whatever a later command does.
            const std::string text = FormatReadConfigFile(decoded, context.image);
            const std::string kept = journal.KeepRadio(text);
            if (!kept.empty()) {
                journal.Base().configFile = kept;
                journal.Base().configFileHash = Sha256Hex(text);
            }
        } else {
            result = kJournalFailed;
            message = refusal;
        }
    }
    journal.Write(result, message, read.decode ? &context.image : nullptr);
    return read;
}

} // namespace zekt
