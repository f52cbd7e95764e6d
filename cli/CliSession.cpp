#include "CliSession.h"

#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "FileMessages.h"
#include "SafeFile.h"
#include "UserSettings.h"

#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace zekt {

void Say(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

ProgDate Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}

Session::Session(const CliOptions& options)
    : journal(options.journalGiven ? options.journalFile : DefaultJournalPath()), options(options) {
    journal.warn = [](const std::string& text) { Say("zekt-cli: " + text); };
    if (!options.journalGiven && !journal.Enabled()) {
        Say(std::string("zekt-cli: ") + kNoJournalPlace);
    }
}

Session::~Session() {
    CloseTrace();
}

bool Session::CloseTrace() {
    const std::string refused = backend.CloseTrace();
    if (!refused.empty()) {
        Say("zekt-cli: " + refused);
    }
    return refused.empty();
}

bool Session::Open(std::string& error) {
    LinkSettings settings;
    settings.simulate = options.simulate;
    settings.radioFile = options.radioFile;
    settings.simDelayMs = options.simDelayMs;
    settings.simFaults = options.simFaults;
    settings.traceFile = options.traceFile;
    const SettingsRead kept = ReadUserSettings(DefaultSettingsPath());
    for (const std::string& warning : kept.warnings) {
        Say("zekt-cli: настройки: " + warning);
    }
    settings.usbLatencyMs =
        options.usbLatencyMs != 0 ? options.usbLatencyMs : kept.settings.usbLatencyMs;
    if (const std::string refused = backend.Open(settings); !refused.empty()) {
        error = "zekt-cli: " + refused;
        return false;
    }
    link = std::make_unique<USB_Prog>(backend.Driver());
    backend.SetUpLink(*link);
    link->warn = [](const std::string& text) { Say("zekt-cli: " + text); };
    return true;
}

void Session::SaveRadio() {
    if (const std::string refused = backend.SaveRadio(); !refused.empty()) {
        Say("zekt-cli: " + refused);
        radioLost = true;
    }
}

std::unique_ptr<TerminalHost> Session::MakeHost(const std::string& firmware) {
    auto host = std::make_unique<TerminalHost>(stderr, firmware, options.yes);
    // On a terminal the prompts to connect a radio wait for the operator;
    // --yes or a script's standard input answers them.
    host->promptInput = isatty(STDIN_FILENO) != 0 && !options.yes ? stdin : nullptr;
    host->nextRadioInput = options.repeat ? stdin : nullptr;
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
    if (!plan.refusal.empty()) {
        Say(plan.refusal);
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
    const DataBuildResult built = BuildConfigurationData(config, image);
    if (built.outcome == DataBuildResult::Outcome::InvalidFrequency) {
        Say(msg::kSyntaxError);
        Say("  -> " + FieldName(built.field));
    } else if (built.outcome == DataBuildResult::Outcome::NotANumber) {
        Say(built.conversionError);
    }
    return built.outcome == DataBuildResult::Outcome::Complete;
}

bool ApplyBuildOptions(const CliOptions& options, RadioConfig& config) {
    config.bandMode = options.band ? 1 : 0;
    if (options.band) {
        for (const auto& [text, check] : {std::pair{options.bandLow, &CheckLowerBandLimit},
                                          std::pair{options.bandHigh, &CheckUpperBandLimit}}) {
            const LimitCheck result = check(text);
            if (result.outcome != LimitCheck::Outcome::Accepted) {
                Say(result.message);
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
