#include "CliSession.h"

#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "Console.h"
#include "FileMessages.h"
#include "RadioNumber.h"
#include "SafeFile.h"
#include "UserSettings.h"

#include <QDate>
#include <filesystem>

namespace zekt {

ProgDate Today() {
    const QDate today = QDate::currentDate();
    return {today.day(), today.month(), today.year()};
}

Session::Session(const CliOptions& options, const ProgramSetUp& setUp, LinkBackend& backend,
                 const UnitInfo* unit)
    : journal(setUp.journal.path), options(options), setUp(setUp), backend(backend), unit(unit),
      link(backend.MakeLink(unit, [](const std::string& text) { Say("zekt-cli: " + text); })) {
    journal.warn = [](const std::string& text) { Say("zekt-cli: " + text); };
    journal.spoilsOk = [this] { return lostBecause; };
    journal.UseSharedJournal(setUp.sharedJournal,
                             [](const std::string& text) { Say("zekt-cli: " + text); });
}

void Session::SaveRadio() {
    if (const Outcome saved = backend.SaveRadio(unit); !saved.Ok()) {
        // Tried again after every run and at the end: each reason said once.
        if (lostBecause != saved.Why()) {
            Say("zekt-cli: " + saved.Why());
        }
        radioLost = true;
        lostBecause = saved.Why();
    }
}

std::unique_ptr<TerminalHost> Session::MakeHost(const std::string& firmware) {
    auto host = std::make_unique<TerminalHost>(Err(), firmware, options.yes);
    // On a terminal the prompts to connect a radio wait for the operator;
    // --yes or a script's standard input answers them.
    // With several units the round asks once for all of them.
    host->promptInput = IsTerminal(stdin) && !options.yes && !oneOfSeveral ? stdin : nullptr;
    host->nextRadioInput = options.repeat && !oneOfSeveral ? stdin : nullptr;
    host->forceBand = options.forceBand;
    const std::string mode = setUp.radioNumber;
    host->radioNumber = [this, mode]() -> std::optional<std::string> {
        if (mode != kRadioNumberAsk) {
            return mode;
        }
        return oneOfSeveral ? std::optional(presetRadio) : AskRadioNumberLine(Err(), stdin, "");
    };
    host->afterRun = [this] { SaveRadio(); };
    return host;
}

JournalRecord Session::Record(const std::string& configFile, int version) const {
    JournalRecord record;
    record.program = "zekt-cli";
    record.command = options.command;
    record.configFile = configFile;
    record.configFileHash = configFile.empty() ? std::string() : FileSha256(configFile);
    record.version = VersionText(version);
    if (unit != nullptr) {
        record.unit = unit->serial; // until the link opens it
    }
    return record;
}

CommandState::CommandState(Session& session, const std::string& firmware)
    : host(session.MakeHost(firmware)), context{session.image, session.Link(), Today(),
                                                firmwareFile, buildAborted} {
    context.startDir = session.Workdir();
}

int ExitFor(CommandOutcome outcome) {
    switch (outcome) {
    case CommandOutcome::Done:
        return kExitOk;
    case CommandOutcome::Refused:
    case CommandOutcome::FirmwareNotLoaded:
        return kExitUsage;
    case CommandOutcome::OutputLost:
        return kExitOutputLost;
    case CommandOutcome::TestFailed:
    case CommandOutcome::Cancelled:
    case CommandOutcome::RunFailed:
        break;
    }
    return kExitFailed;
}

bool LoadConfiguration(const std::string& path, RadioConfig& config, DataArray& data,
                       std::string* text) {
    // Only from a whole file: nobody sees panels here to notice a cut one.
    const FileRead read = ReadRegularFile(path, kConfigFileLimit);
    if (!read.Ok()) {
        Say(msg::kCannotOpen);
        Say(DescribeFileError(path, read.error));
        return false;
    }
    if (const auto defect = FindConfigFileDefect(read.bytes)) {
        Say(DescribeConfigFileDefect(path, *defect));
        return false;
    }
    const ParsedConfigFile file = ParseConfigFile(read.bytes);
    const FileReadPlan plan = PlanConfigFileRead(file);
    if (plan.refusal) {
        Say(*plan.refusal);
        return false;
    }
    if (plan.versionMessage) {
        Say(msg::kFileVersion);
    }
    ApplyFileOptions(plan, config);
    data.fill(kBlankByte);
    ApplyFileData(file, data);
    config.channels = DecodeFileChannels(data, config.version);
    if (text != nullptr) {
        *text = read.bytes;
    }
    return true;
}

bool BuildDataSaying(const RadioConfig& config, Project& image) {
    if (const std::optional<FieldProblem> problem = CheckFrequencyFields(config)) {
        Say(problem->message);
        return false;
    }
    const DataBuildResult built = BuildConfigurationData(config, image);
    if (built.outcome == DataBuildResult::Outcome::InvalidFrequency) {
        Say(msg::kSyntaxError);
        Say("  -> " + FrequencyFieldName(built.field));
    } else if (built.outcome == DataBuildResult::Outcome::NotANumber) {
        Say(built.conversionError);
    }
    return built.outcome == DataBuildResult::Outcome::Complete;
}

bool ApplyBuildOptions(const CliOptions& options, Session& session, RadioConfig& config) {
    config.bandMode = options.band ? 1 : 0;
    if (options.band) {
        for (const auto& [text, check] : {std::pair{options.bandLow, &CheckLowerBandLimit},
                                          std::pair{options.bandHigh, &CheckUpperBandLimit}}) {
            const LimitCheck result = check(text);
            if (result.outcome != LimitCheck::Outcome::Accepted) {
                // A refused band is journaled as one from the file is.
                Say(result.message);
                CommandJournal journal(session.journal,
                                       session.Record(options.inputFile, config.version));
                journal.Write(kJournalRefused, result.message, nullptr);
                return false;
            }
        }
        config.bandLow = options.bandLow;
        config.bandHigh = options.bandHigh;
    }
    if (config.software == 1 && options.firmware.empty()) {
        Say("zekt-cli: конфигурация требует программу по выбору пользователя: укажите --firmware");
        return false;
    }
    if (config.software == 0 && !options.firmware.empty()) {
        Say("zekt-cli: конфигурация использует стандартную программу; --firmware не нужен");
        return false;
    }
    if (config.readProtect && !options.yes && options.command != "verify") {
        Say(msg::kProtectionQuestion);
        Say("zekt-cli: конфигурация устанавливает защиту от чтения: подтвердите её параметром "
            "--yes");
        return false;
    }
    return true;
}

} // namespace zekt
