// zekt-cli: the programmer on the command line, for scripts, SSH sessions and
// production benches. The same build, runs and operator texts as the window.
#include "ChipHexFile.h"
#include "CliCommands.h"
#include "CliOptions.h"
#include "CliSession.h"
#include "CommandMessages.h"
#include "ConfigBuilder.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "FaultText.h"
#include "FileMessages.h"
#include "ReadBack.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>

namespace {

using namespace zekt;

int Usage(const std::string& why) {
    Say("zekt-cli: " + why);
    std::fprintf(stderr, kCliUsage, kSimFaultHelp);
    return kExitUsage;
}

// The window's state that a command borrows.
struct CommandState {
    std::string firmwareFile;
    bool buildAborted = false;
    CommandContext Context(Session& session) {
        return {session.image, session.Link(), Today(), firmwareFile, buildAborted};
    }
};

int TestCommand(Session& session) {
    const bool ok = session.Link().Test();
    Say(ok ? msg::kTestPassed : msg::kTestFailed);
    return ok ? kExitOk : kExitFailed;
}

// After a failed radio in a batch: go on with the next one?
bool NextAfterFailure(std::FILE* in) {
    const std::string question = msg::kProgNext; // without "Программирование завершено! "
    Say(question.substr(question.find('!') + 2));
    return WaitForEnter(stderr, in);
}

int WriteRadio(const CliOptions& options, Session& session, const zekt::WriteCommand& command) {
    RadioConfig config;
    DataArray data;
    if (!LoadConfiguration(options.inputFile, config, data) ||
        !ApplyBuildOptions(options, config)) {
        return kExitUsage;
    }
    auto host = session.MakeHost(options.firmware, config.version);
    CommandState state;
    CommandContext context = state.Context(session);
    JournalRecord base = session.Record(options.inputFile);
    base.version =
        config.version >= 0 ? kVersionTexts[static_cast<std::size_t>(config.version)] : "";
    JournalScope journal(session.journal, base);
    CommandOutcome outcome = RunWriteCommandJournaled(command, config, context, *host, journal);
    if (!options.repeat) {
        return ExitFor(outcome);
    }
    // A batch: a failed radio does not end it unless the operator says so.
    while (outcome == CommandOutcome::RunFailed && NextAfterFailure(stdin)) {
        outcome = RunWriteCommandJournaled(command, config, context, *host, journal);
    }
    std::printf("Запрограммировано радиостанций: %d, с ошибкой: %d\n", journal.OkLines(),
                journal.FailedLines());
    if (journal.FailedLines() > 0) {
        return kExitFailed;
    }
    return journal.OkLines() > 0 ? kExitOk : ExitFor(outcome);
}

// A refused build says why in the build's own words; a refused or failed
// write says which file and why.
bool SaveConfiguration(const std::string& path, const RadioConfig& config) {
    Project image;
    if (!BuildDataSaying(config, image)) {
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
    auto host = session.MakeHost("", kVersion611);
    CommandState state;
    CommandContext context = state.Context(session);
    JournalScope journal(session.journal, session.Record(""));
    const ReadOutcome read = ReadRadioJournaled(context, *host, journal, RadioConfig{});
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

Pic16F877 ChipOf(const Project& image) {
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
    return chip;
}

int BackupCommand(const CliOptions& options, Session& session) {
    if (!OutputWritable(options.outputFile)) {
        return kExitUsage;
    }
    JournalScope journal(session.journal, session.Record(""));
    if (!session.Link().Test()) {
        Say(msg::kReadTestFailed);
        journal.Write(kJournalFailed, msg::kReadTestFailed, nullptr);
        return kExitFailed;
    }
    auto host = session.MakeHost("", kVersion611);
    Project& image = session.image;
    image.SetStartWord(0);
    const RunResult run = RunProgramThread(host->Owner(), opReadConfig | opReadCode | opReadData,
                                           image, session.Link(), host->Progress());
    host->HideProgress();
    session.SaveRadio();
    if (!run.ok) {
        Say(run.message);
        journal.Write(kJournalFailed, run.message, nullptr);
        return kExitFailed;
    }
    const Pic16F877 chip = ChipOf(image);
    if (chip.CodeProtected(kProgramWords - 1) || chip.DataProtected()) {
        Say("Радиостанция защищена от чтения: защищённая память прочитана как нули.");
    }
    const ChipFileResult saved = SaveChipHex(options.outputFile, chip);
    if (!saved.ok) {
        Say("Копия радиостанции не записана. " + saved.error);
        journal.Write(kJournalFailed, saved.error, &image);
        return kExitUsage;
    }
    journal.Write(kJournalOk, options.outputFile, &image);
    return kExitOk;
}

// The commands make the start folder current; every file named on the
// command line is meant relative to where the call was made.
void MakePathsAbsolute(zekt::CliOptions& o) {
    for (std::string* path : {&o.radioFile, &o.inputFile, &o.outputFile, &o.traceFile, &o.firmware,
                              &o.workdir, &o.journalFile}) {
        if (!path->empty()) {
            *path = std::filesystem::absolute(*path).string();
        }
    }
}

int RunCommand(const CliOptions& options, Session& session) {
    if (options.command == "test") {
        return TestCommand(session);
    }
    if (options.command == "program") {
        return WriteRadio(options, session, kProgramCommand);
    }
    if (options.command == "write-frequencies") {
        return WriteRadio(options, session, kWriteFrequenciesCommand);
    }
    if (options.command == "read") {
        return ReadCommand(options, session);
    }
    if (options.command == "verify") {
        return VerifyCommand(options, session);
    }
    return BackupCommand(options, session);
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
    // The channel tables need no programmer.
    if (options.command == "export-csv") {
        return zekt::ExportCsvCommand(options);
    }
    if (options.command == "import-csv") {
        return zekt::ImportCsvCommand(options);
    }
    if (!options.workdir.empty() && !zekt::FolderUsable(options.workdir)) {
        Say("zekt-cli: папка " + options.workdir + " не существует или недоступна (--workdir)");
        return zekt::kExitUsage;
    }
    QCoreApplication app(argc, argv); // the runs wait in its event loop
    zekt::Session session(options);
    std::string error;
    if (!session.Open(error)) {
        return Usage(error);
    }
    int status = RunCommand(options, session);
    session.SaveRadio();
    if (session.RadioLost() && status == zekt::kExitOk) {
        status = zekt::kExitFailed;
    }
    return status;
}
