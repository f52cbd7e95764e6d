// zekt-cli: the programmer on the command line, for scripts, SSH sessions and
// production benches. The same build, runs and operator texts as the window.
#include "ChipHexFile.h"
#include "CliOptions.h"
#include "CommandFlow.h"
#include "CommandMessages.h"
#include "ConfigBuilder.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "FaultText.h"
#include "FileMessages.h"
#include "LibFtdiDriver.h"
#include "ReadBack.h"
#include "SafeFile.h"
#include "SimulatedDriver.h"
#include "TerminalHost.h"
#include "TracingDriver.h"

#include <QCoreApplication>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

using namespace zekt;

void Say(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

int Usage(const std::string& why) {
    Say("zekt-cli: " + why);
    std::fprintf(stderr, kCliUsage, kSimFaultHelp);
    return kExitUsage;
}

ProgDate Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}

// On a terminal the prompts to connect a radio wait for the operator;
// --yes or a script's standard input answers them.
std::FILE* PromptInput(const CliOptions& options) {
    return isatty(STDIN_FILENO) != 0 && !options.yes ? stdin : nullptr;
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

// Everything a command works with: the driver (real or simulated, maybe
// traced), the link, the chip image.
class Session {
public:
    explicit Session(const CliOptions& options) : options(options) {}

    bool Open(std::string& error) {
        if (options.simulate) {
            sim = std::make_unique<SimulatedDriver>();
            sim->SetFrameDelay(std::chrono::milliseconds(options.simDelayMs));
            std::error_code ec;
            if (std::filesystem::exists(std::filesystem::symlink_status(options.radioFile, ec))) {
                const ChipFileResult loaded = LoadChipHex(options.radioFile, sim->Chip());
                if (!loaded.ok) {
                    error = options.radioFile + ": " + loaded.error;
                    return false;
                }
            }
            for (const std::string& fault : options.simFaults) {
                if (!ApplySimFault(fault, *sim, error)) {
                    return false;
                }
            }
        } else if (!options.simFaults.empty() || options.simDelayMs > 0) {
            error = "--sim-delay and --sim-fault need --simulate";
            return false;
        } else {
            real = std::make_unique<LibFtdiDriver>();
        }
        FtdiDriver* driver = sim ? static_cast<FtdiDriver*>(sim.get()) : real.get();
        if (!options.traceFile.empty()) {
            traceOut = std::fopen(options.traceFile.c_str(), "w");
            if (traceOut == nullptr) {
                error = "cannot create " + options.traceFile;
                return false;
            }
            tracing = std::make_unique<TracingDriver>(*driver, traceOut);
            driver = tracing.get();
        }
        link = std::make_unique<USB_Prog>(*driver);
        return true;
    }

    ~Session() {
        if (traceOut != nullptr) {
            std::fclose(traceOut);
        }
    }

    // The simulated radio keeps what every run left in it; a radio that
    // could not be saved has lost its state, which fails the command.
    void SaveRadio() {
        if (sim) {
            const ChipFileResult saved = SaveChipHex(options.radioFile, sim->Chip());
            if (!saved.ok) {
                Say("zekt-cli: состояние радиостанции не сохранено: " + saved.error);
                radioLost = true;
            }
        }
    }

    bool RadioLost() const { return radioLost; }

    USB_Prog& Link() { return *link; }
    Project image;

private:
    const CliOptions& options;
    std::unique_ptr<SimulatedDriver> sim;
    std::unique_ptr<LibFtdiDriver> real;
    std::unique_ptr<TracingDriver> tracing;
    std::unique_ptr<USB_Prog> link;
    std::FILE* traceOut = nullptr;
    bool radioLost = false;
};

int TestCommand(Session& session) {
    const bool ok = session.Link().Test();
    Say(ok ? msg::kTestPassed : msg::kTestFailed);
    return ok ? kExitOk : kExitFailed;
}

// The configuration as the window reads a *.prg file into its panels, but
// only from a whole file: nobody sees panels here to notice a cut one.
bool LoadConfiguration(const CliOptions& options, RadioConfig& config) {
    const FileRead read = ReadRegularFile(options.inputFile, kConfigFileLimit);
    if (!read.Ok()) {
        Say(msg::kCannotOpen);
        Say(DescribeFileError(options.inputFile, read.error));
        return false;
    }
    if (const auto defect = FindConfigFileDefect(read.bytes)) {
        Say(DescribeConfigFileDefect(options.inputFile, *defect));
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
    DataArray data;
    data.fill(kBlankByte);
    ApplyFileData(file, data);
    config.channels = DecodeFileChannels(data, config.version);
    return true;
}

bool ApplyBand(const CliOptions& options, RadioConfig& config) {
    config.bandMode = options.band ? 1 : 0;
    if (!options.band) {
        return true;
    }
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
    return true;
}

int WriteRadio(const CliOptions& options, Session& session, const zekt::WriteCommand& command) {
    RadioConfig config;
    if (!LoadConfiguration(options, config) || !ApplyBand(options, config)) {
        return kExitUsage;
    }
    if (config.software == 1 && options.firmware.empty()) {
        Say("zekt-cli: the configuration asks for a firmware file of your choice: give --firmware");
        return kExitUsage;
    }
    if (config.software == 0 && !options.firmware.empty()) {
        Say("zekt-cli: the configuration uses the standard firmware; --firmware does not apply");
        return kExitUsage;
    }
    if (config.readProtect && !options.yes) {
        Say(msg::kProtectionQuestion);
        Say("zekt-cli: the configuration sets read protection: confirm it with --yes");
        return kExitUsage;
    }
    TerminalHost host(stderr, options.workdir, options.firmware, options.yes, config.version);
    host.promptInput = PromptInput(options);
    host.afterRun = [&session] { session.SaveRadio(); };
    std::string firmwareFile;
    bool buildAborted = false;
    CommandContext context{session.image, session.Link(), Today(), firmwareFile, buildAborted};
    return ExitFor(RunWriteCommand(command, config, context, host));
}

// Pads to a width in characters, not bytes (the texts are UTF-8).
std::string Column(const std::string& text, std::size_t width) {
    std::size_t characters = 0;
    for (const char c : text) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return text + std::string(width > characters ? width - characters : 0, ' ');
}

void PrintChannelTable(const ReadBackPanels& panels) {
    std::printf("\n  %s%s%s%s%s\n", Column("Канал", 7).c_str(), Column("Передача", 14).c_str(),
                Column("Приём", 14).c_str(), Column("Сканер", 8).c_str(), "CTCSS, Гц");
    const char* names = "123456789ABCDEF0";
    for (int n = 0; n < kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const ChannelConfig& c = panels.config.channels[i];
        const std::string name(1, names[n]);
        if (panels.channelEmpty[i]) {
            std::printf("  %s-\n", Column(name, 7).c_str());
            continue;
        }
        std::printf("  %s%s%s%s%s\n", Column(name, 7).c_str(), Column(c.tx, 14).c_str(),
                    Column(c.rx, 14).c_str(),
                    Column(panels.BoxesEnabled(n) && c.scan ? "да" : "нет", 8).c_str(),
                    panels.toneTexts[i].c_str());
    }
}

// A refused build says why in the build's own words; a refused or failed
// write says which file and why.
bool SaveConfiguration(const std::string& path, const RadioConfig& config) {
    Project image;
    const DataBuildResult built = BuildConfigurationData(config, image);
    if (built.outcome == DataBuildResult::Outcome::InvalidFrequency) {
        Say(msg::kSyntaxError);
        Say("  -> " + FieldName(built.field));
        return false;
    }
    if (built.outcome == DataBuildResult::Outcome::NotANumber) {
        Say(built.conversionError);
        return false;
    }
    const FileWrite written =
        WriteFileSafely(path, FormatConfigFile(OptionsOf(config), image.DataMemory()));
    if (!written.Ok()) {
        Say(msg::kCannotCreate);
        Say(DescribeFileError(path, written.error));
        return false;
    }
    return true;
}

// An output that can never be written is refused before the radio is read.
bool OutputWritable(const std::string& path) {
    const FileError refused = CheckWriteTarget(path);
    if (refused != FileError::None) {
        Say(DescribeFileError(path, refused));
        return false;
    }
    return true;
}

int ReadCommand(const CliOptions& options, Session& session) {
    if (!options.outputFile.empty() && !OutputWritable(options.outputFile)) {
        return kExitUsage;
    }
    TerminalHost host(stderr, options.workdir, "", false, kVersion611);
    host.promptInput = PromptInput(options);
    host.afterRun = [&session] { session.SaveRadio(); };
    std::string firmwareFile;
    bool buildAborted = false;
    CommandContext context{session.image, session.Link(), Today(), firmwareFile, buildAborted};
    const ReadOutcome read = ReadRadio(context, host);
    if (!read.decode) {
        return kExitFailed;
    }
    const ReadBackPanels panels = DecodeReadBack(session.image, RadioConfig{});
    if (panels.readProtected) {
        Say(msg::kReadProtected);
    }
    if (panels.constructionMismatch) {
        Say(msg::kConstructionMismatch);
    }
    std::printf("%s\n", panels.summary.c_str());
    PrintChannelTable(panels);
    // A failed read never replaces a saved configuration with part of a radio.
    if (read.outcome == CommandOutcome::Done && !options.outputFile.empty() &&
        !SaveConfiguration(options.outputFile, panels.config)) {
        return kExitUsage;
    }
    return ExitFor(read.outcome);
}

int BackupCommand(const CliOptions& options, Session& session) {
    if (!OutputWritable(options.outputFile)) {
        return kExitUsage;
    }
    if (!session.Link().Test()) {
        Say(msg::kReadTestFailed);
        return kExitFailed;
    }
    TerminalHost host(stderr, options.workdir, "", false, kVersion611);
    Project& image = session.image;
    image.SetStartWord(0);
    const RunResult run = RunProgramThread(host.Owner(), opReadConfig | opReadCode | opReadData,
                                           image, session.Link(), host.Progress());
    host.HideProgress();
    session.SaveRadio();
    if (!run.ok) {
        Say(run.message);
        return kExitFailed;
    }
    Pic16F877 chip;
    for (int w = 0; w < kProgramWords; ++w) {
        chip.code[static_cast<std::size_t>(w)] =
            static_cast<uint16_t>(image.ProgramMemory()[w] & 0x3FFF);
    }
    for (int b = 0; b < kDataBytes; ++b) {
        chip.data[static_cast<std::size_t>(b)] = static_cast<uint8_t>(image.DataMemory()[b]);
    }
    for (int k = 0; k < kIdWordCount; ++k) {
        chip.idWords[static_cast<std::size_t>(k)] =
            static_cast<uint16_t>(image.IdWords()[k] & 0x3FFF);
    }
    chip.configWord = static_cast<uint16_t>(image.ConfigWord() & 0x3FFF);
    if (chip.CodeProtected(kProgramWords - 1) || chip.DataProtected()) {
        Say("Радиостанция защищена от чтения: защищённая память прочитана как нули.");
    }
    const ChipFileResult saved = SaveChipHex(options.outputFile, chip);
    if (!saved.ok) {
        Say("Копия радиостанции не записана. " + saved.error);
        return kExitUsage;
    }
    return kExitOk;
}

// The commands make the start folder current; every file named on the
// command line is meant relative to where the call was made.
void MakePathsAbsolute(zekt::CliOptions& o) {
    for (std::string* path :
         {&o.radioFile, &o.inputFile, &o.outputFile, &o.traceFile, &o.firmware, &o.workdir}) {
        if (!path->empty()) {
            *path = std::filesystem::absolute(*path).string();
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    zekt::CliOptions options =
        zekt::ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc));
    MakePathsAbsolute(options);
    if (options.help) {
        std::printf(zekt::kCliUsage, zekt::kSimFaultHelp);
        return zekt::kExitOk;
    }
    if (options.version) {
        std::printf("zekt-cli %s\n", ZEKT_VERSION);
        return zekt::kExitOk;
    }
    if (!options.error.empty()) {
        return Usage(options.error);
    }
    if (!options.workdir.empty() && !zekt::FolderUsable(options.workdir)) {
        Say("zekt-cli: папка " + options.workdir + " не существует или недоступна (--workdir)");
        return zekt::kExitUsage;
    }
    QCoreApplication app(argc, argv); // the runs wait in its event loop
    Session session(options);
    std::string error;
    if (!session.Open(error)) {
        return Usage(error);
    }
    int status = zekt::kExitOk;
    if (options.command == "test") {
        status = TestCommand(session);
    } else if (options.command == "program") {
        status = WriteRadio(options, session, zekt::kProgramCommand);
    } else if (options.command == "write-frequencies") {
        status = WriteRadio(options, session, zekt::kWriteFrequenciesCommand);
    } else if (options.command == "read") {
        status = ReadCommand(options, session);
    } else {
        status = BackupCommand(options, session);
    }
    session.SaveRadio();
    if (session.RadioLost() && status == zekt::kExitOk) {
        status = zekt::kExitFailed;
    }
    return status;
}
