// zekt-cli: the programmer on the command line, for scripts, SSH sessions and
// production benches. The same build, runs and operator texts as the window.
#include "Backup.h"
#include "ChannelBand.h"
#include "ChipHexFile.h"
#include "ChipMemory.h"
#include "CliCommands.h"
#include "CliOptions.h"
#include "CliSession.h"
#include "CommandMessages.h"
#include "ConfigBuilder.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "Console.h"
#include "FileMessages.h"
#include "Firmware.h"
#include "FrequencyCodec.h"
#include "MachineNumber.h"
#include "PanelTexts.h"
#include "RadioNumber.h"
#include "ReadBack.h"
#include "RecordingPrompts.h"
#include "RunStop.h"
#include "SafeFile.h"
#include "StopEvents.h"
#include "UserSettings.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

namespace {

using namespace zekt;

constexpr const char* kNotSavedProtected =
    "Конфигурация не сохранена: радиостанция защищена от чтения, её память прочитана как нули.";

// A usage error: the mistake and where the help is, not the whole help.
int Usage(const std::string& why) {
    Say("zekt-cli: " + why);
    Say("Подробнее: zekt-cli --help");
    return kExitUsage;
}

// Why what went to standard output (or a unit's buffer) did not arrive;
// nothing when it did. Said once, at the end.
std::optional<std::string> StandardOutputLost() {
    if (std::fflush(Out()) != 0 || std::ferror(Out()) != 0) {
        return std::string("стандартный вывод не записан: ") +
               FileErrorText(FileErrorFromErrno(errno)) + ".";
    }
    return std::nullopt;
}

int TestCommand(Session& session) {
    const bool ok = session.Link().Test();
    Say(ok ? msg::kTestPassed : msg::kTestFailed);
    // A unit another program holds is named after the command, not by the
    // driver's raw status.
    const int code = session.Link().ErrorCode();
    if (!ok && code != errNone && !session.WhyHeld()) {
        Say(session.Link().Message());
    }
    return ok ? kExitOk : kExitFailed;
}

// The next radio of a series (after a failed one, or after a round of
// several units): go on?
bool AskForNextRadio(std::FILE* in) {
    if (RunStopSignal() != 0) {
        return false;
    }
    Say(msg::kProgNextQuestion);
    return WaitForEnter(stderr, in);
}

void PrintSeriesTotal(int done, int failed) {
    Print(Out(), "Запрограммировано радиостанций: %d, с ошибкой: %d\n", done, failed);
}

int WriteRadio(const CliOptions& options, Session& session, const zekt::WriteCommand& command) {
    RadioConfig config;
    DataArray data;
    if (!LoadConfiguration(options.inputFile, config, data) ||
        !ApplyBuildOptions(options, session, config)) {
        return kExitUsage;
    }
    CommandState state(session, options.firmware);
    CommandJournal journal(session.journal, session.Record(options.inputFile, config.version));
    CommandOutcome outcome =
        RunWriteCommandJournaled(command, config, state.context, state.host->Parts(), journal);
    if (outcome == CommandOutcome::FirmwareNotLoaded) {
        // The window's text names neither the file nor the reason.
        std::error_code ec;
        Say("Файл " +
            zekt::TextOf(std::filesystem::absolute(zekt::PathOf(state.firmwareFile), ec)
                             .lexically_normal()) +
            ": " + session.image.HexRefusal() + ".");
    }
    if (!options.repeat || session.oneOfSeveral) {
        return ExitFor(outcome); // with several units, the round asks for the next radios
    }
    // A batch: a failed radio does not end it unless the operator says so.
    while (outcome == CommandOutcome::RunFailed && AskForNextRadio(stdin)) {
        outcome =
            RunWriteCommandJournaled(command, config, state.context, state.host->Parts(), journal);
    }
    PrintSeriesTotal(journal.OkLines(), journal.FailedLines());
    if (journal.FailedLines() > 0) {
        return kExitFailed;
    }
    return journal.OkLines() > 0 ? kExitOk : ExitFor(outcome);
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

void ShowRead(const ReadBackPanels& panels) {
    if (panels.readProtected) {
        Say(msg::kReadProtected);
    }
    if (panels.constructionMismatch) {
        Say(msg::kConstructionMismatch);
    }
    Print(Out(), "%s\n", panels.summary.c_str());
    PrintChannelTable(panels);
    // Shown as the radio holds them, and said.
    if (const std::vector<ChannelFrequency> untunable = UntunableChannels(panels.config);
        !untunable.empty()) {
        Say(UntunableText(msg::kUntunableRead, untunable));
    }
}

// Memory that a chip's protection bits hide reads as zeros.

// A tone the list cannot hold stays in the file; panels built from it lose it.
void WarnUnlistedTones(const ReadBackPanels& decoded, const DataArray& data) {
    for (const UnlistedTone& tone : FindUnlistedTones(decoded, data)) {
        Say(std::string("Канал ") + kChannelNames[tone.channel] + ": тон CTCSS " +
            kCtcssToneTexts[static_cast<std::size_t>(tone.code)] + " Гц (код " +
            std::to_string(tone.code) +
            ") сохранён в файле, но его нет в списке тонов: программирование из этого файла "
            "его не сохранит.");
    }
}

// read --save: what the radio held (both passes agreed), byte for byte.
Outcome SaveRead(const CliOptions& options, Session& session, const ReadBackPanels& decoded,
                 int& status) {
    if (decoded.readProtected || ChipProtected(session.image)) {
        status = kExitFailed;
        Say(kNotSavedProtected);
        return Outcome::Refused(kNotSavedProtected);
    }
    WarnUnlistedTones(decoded, session.image.DataMemory());
    const FileWrite written =
        SaveOutput(*options.output, FormatReadConfigFile(decoded, session.image));
    if (!written.Ok()) {
        status = kExitOutputLost;
        const std::string why = DescribeFileError(options.outputFile, written.error);
        Say(msg::kCannotCreate);
        Say(why);
        return Outcome::Refused(why);
    }
    return Outcome::Done();
}

int ReadCommand(const CliOptions& options, Session& session) {
    if (!options.outputFile.empty() && !OutputWritable(options.outputFile)) {
        return kExitUsage;
    }
    CommandState state(session, "");
    CommandJournal journal(session.journal, session.Record(""));
    int status = kExitOk;
    const auto after = [&](const ReadBackPanels& decoded) {
        ShowRead(decoded);
        // A table that never arrived is no read the journal may call done.
        if (const std::optional<std::string> lost = StandardOutputLost()) {
            Say("zekt-cli: " + *lost);
            std::clearerr(Out()); // said once, here
            status = kExitOutputLost;
            return Outcome::Refused(*lost);
        }
        return options.outputFile.empty() ? Outcome::Done()
                                          : SaveRead(options, session, decoded, status);
    };
    const ReadOutcome read =
        ReadRadioJournaled(state.context, state.host->Parts(), journal, RadioConfig{}, after);
    if (!read.decode) {
        return kExitFailed;
    }
    return status != kExitOk ? status : ExitFor(read.outcome);
}

int BackupCommand(const CliOptions& options, Session& session) {
    if (!OutputWritable(options.outputFile)) {
        return kExitUsage;
    }
    CommandState state(session, "");
    CommandJournal journal(session.journal, session.Record(""));
    const OutputFile& output = *options.output;
    const BackupCopy copy{
        output.Path(), [&output](const Project& image) {
            const FileWrite saved = SaveOutput(output, FormatChipHex(ChipOf(image)));
            return saved.Ok() ? Outcome::Done()
                              : Outcome::Refused(DescribeFileError(output.Path(), saved.error));
        }};
    return ExitFor(BackupRadioJournaled(state.context, state.host->Parts(), journal, copy));
}

// The commands make the start folder current; every file named on the
// command line is meant relative to where the call was made. False when
// that folder is gone (started in a deleted folder).
bool MakePathsAbsolute(zekt::CliOptions& o) {
    std::vector<std::string*> paths = {&o.inputFile, &o.outputFile, &o.traceFile, &o.firmware,
                                       &o.workdir};
    if (o.common.journalFile) {
        paths.push_back(&*o.common.journalFile);
    }
    for (std::string& radio : o.common.link.radioFiles) {
        paths.push_back(&radio);
    }
    for (std::string* path : paths) {
        if (!path->empty()) {
            std::error_code ec;
            const std::filesystem::path absolute =
                std::filesystem::absolute(zekt::PathOf(*path), ec);
            if (ec) {
                Say("zekt-cli: текущая папка недоступна (удалена?), относительное имя " + *path +
                    " не найти.");
                return false;
            }
            *path = absolute.string();
        }
    }
    return true;
}

// No file the command writes may be one it reads, one the program keeps or
// another it writes: "--trace a.prg program a.prg" would empty the
// configuration first, and "--trace WORK/St611.hex" the maker's firmware.
// The outputs that pass are the only ones the commands can write.
bool GuardFiles(CliOptions& o) {
    const std::string journal = ChooseJournal(o.common.journalFile).path;
    std::vector<NamedFile> inputs = {{"входной файл", o.inputFile}, {"--firmware", o.firmware}};
    const std::vector<NamedFile> standard = StandardFirmwareInputs(o.workdir);
    inputs.insert(inputs.end(), standard.begin(), standard.end());
    std::vector<GuardedFile> guarded = GuardedFiles(inputs);
    const std::vector<GuardedFile> kept = ProgramKeptFiles(journal);
    guarded.insert(guarded.end(), kept.begin(), kept.end());
    const bool saved = o.command == "read" || o.journalAction == "show";
    std::vector<NamedFile> outputs = {
        {"--trace", o.traceFile},
        o.htmlFile.empty() ? NamedFile{saved ? "--save" : "выходной файл", o.outputFile}
                           : NamedFile{"--html", o.htmlFile}};
    for (const std::string& radio : o.common.link.radioFiles) {
        outputs.push_back({"--simulate", radio}); // the simulated radio is kept there
    }
    const OutputsChecked checked = GuardOutputs(outputs, guarded);
    // The journal the run appends to is no input, nor the settings file.
    inputs.push_back({"файл настроек", DefaultSettingsPath()});
    const std::optional<std::string> clash =
        checked.refusal
            ? checked.refusal
            : FilesClash({{o.common.journalFile ? "--journal" : "журнал", journal}}, inputs);
    if (clash) {
        Say("zekt-cli: " + *clash);
        return false;
    }
    o.common.link.trace = checked.outputs[0];
    o.output = checked.outputs[1];
    return true;
}

// What went to standard output must have arrived (a full disk, a closed pipe).
int FinishStandardOutput(int status) {
    if (const std::optional<std::string> lost = StandardOutputLost()) {
        Say("zekt-cli: " + *lost);
        return status == kExitOk ? kExitOutputLost : status;
    }
    return status;
}

// The commands that work with a radio, by the name the parser took.
using RadioCommand = int (*)(const CliOptions&, Session&);
const std::map<std::string, RadioCommand> kRadioCommands = {
    {"test", [](const CliOptions&, Session& session) { return TestCommand(session); }},
    {"program", [](const CliOptions& options,
                   Session& session) { return WriteRadio(options, session, kProgramCommand); }},
    {"write-frequencies",
     [](const CliOptions& options, Session& session) {
         return WriteRadio(options, session, kWriteFrequenciesCommand);
     }},
    {"read", ReadCommand},
    {"verify", VerifyCommand},
    {"backup", BackupCommand},
};

int RunCommand(const CliOptions& options, Session& session) {
    const auto command = kRadioCommands.find(options.command);
    if (command == kRadioCommands.end()) {
        Say("zekt-cli: команда " + options.command + " не работает с радиостанцией");
        return kExitUsage;
    }
    return command->second(options, session);
}

int UnitsCommand(LinkBackend& backend) {
    const std::vector<UnitInfo> units = backend.ListUnits();
    if (units.empty()) {
        Say(ErrorText(errNoDevice));
        return kExitFailed;
    }
    for (const UnitInfo& unit : units) {
        Print(Out(), "%s\n", UnitLine(unit).c_str());
    }
    return kExitOk;
}

// A unit another program holds: said, and journaled as a failed command
// (as when the unit fails to open without --unit).
int RefuseBusy(Session& session, const CliOptions& options, const std::string& why) {
    Say(why);
    if (options.command != "test") {
        CommandJournal journal(session.journal, session.Record(options.inputFile));
        journal.Write(kJournalFailed, why, nullptr);
    }
    return kExitFailed;
}

// The command on a unit, unless another program holds it: never two
// programs on one unit.
int RunUnlessBusy(const CliOptions& options, Session& session, const UnitInfo* unit) {
    if (const std::optional<std::string> held = HeldBeforeRun(unit)) {
        return RefuseBusy(session, options, *held);
    }
    return RunCommand(options, session);
}

// The records neither the journal nor its outbox took, said one by one; a
// radio done whose record is not kept ends with a status of its own.
int FinishJournal(Session& session, int status) {
    const std::vector<std::string> unkept = session.journal.Flush();
    if (unkept.empty()) {
        return status;
    }
    Say("zekt-cli: записи о работах не сохранены ни в журнале, ни в очереди общего журнала:");
    for (const std::string& line : unkept) {
        Say("  " + line);
    }
    return status == kExitOk ? kExitRecordLost : status;
}

// One unit's command, on a thread of its own while others run.
struct UnitRun {
    int status = kExitFailed;
    bool cancelled = false; // its own run was stopped, whatever the others'
    double seconds = 0;
    std::string printed;
};

UnitRun RunOnUnit(const CliOptions& options, const ProgramSetUp& setUp, LinkBackend& backend,
                  const UnitInfo& unit, const std::string& radio) {
    UnitRun run;
    UnitOutput output(unit.serial);
    const auto start = std::chrono::steady_clock::now();
    {
        Session session(options, setUp, backend, &unit);
        session.oneOfSeveral = true;
        session.presetRadio = radio;
        run.status = RunUnlessBusy(options, session, &unit);
        if (session.RadioLost() && run.status == kExitOk) {
            run.status = kExitFailed;
        }
        run.status = FinishJournal(session, run.status);
        run.cancelled = session.journal.LastResult() == kJournalCancelled;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.printed = output.Finish();
    return run;
}

const char* RunResultText(const UnitRun& run) {
    switch (run.status) {
    case kExitOk:
        return "успешно";
    case kExitDifferent:
        return "отличается";
    case kExitRecordLost:
        return "без записи";
    case kExitUsage:
        return "ошибка в файле";
    default:
        break;
    }
    return run.cancelled ? "прервано" : "ошибка";
}

// One round: the command on every unit at once; the table of the units.
std::vector<UnitRun> RunRound(const CliOptions& options, const ProgramSetUp& setUp,
                              LinkBackend& backend, const std::vector<UnitInfo>& units,
                              const std::vector<std::string>& radios) {
    std::vector<UnitRun> runs(units.size());
    // Each unit's result handed over under a lock a thread checker sees
    // (QThread::wait's own is Qt's).
    std::mutex handedOver;
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::size_t k = 0; k < units.size(); ++k) {
        threads.emplace_back(QThread::create([&, k] {
            UnitRun run = RunOnUnit(options, setUp, backend, units[k], radios.at(k));
            const std::lock_guard<std::mutex> lock(handedOver);
            runs[k] = std::move(run);
        }));
        threads.back()->start();
    }
    for (const auto& thread : threads) {
        thread->wait();
    }
    const std::lock_guard<std::mutex> taken(handedOver);
    Print(Out(), "\n  %s%s%s\n", Column("Программатор", 20).c_str(),
          Column("Результат", 16).c_str(), "Секунды");
    for (std::size_t k = 0; k < units.size(); ++k) {
        // Seconds as Russian writes them, whatever the locale says.
        const std::string seconds = WithDecimalComma(MachineNumber(runs[k].seconds, 1));
        Print(Out(), "  %s%s%s\n", Column(units[k].serial, 20).c_str(),
              Column(RunResultText(runs[k]), 16).c_str(), seconds.c_str());
    }
    for (std::size_t k = 0; k < units.size(); ++k) {
        if (!runs[k].printed.empty()) {
            Print(Out(), "\n== %s ==\n%s", units[k].serial.c_str(), runs[k].printed.c_str());
        }
    }
    return runs;
}

// The round's question declined: each unit's line, as one unit's would be.
void JournalDeclined(const CliOptions& options, const ProgramSetUp& setUp, LinkBackend& backend,
                     const std::vector<UnitInfo>& units) {
    for (const UnitInfo& unit : units) {
        Session session(options, setUp, backend, &unit);
        CommandJournal journal(session.journal, session.Record(options.inputFile));
        journal.Write(kJournalCancelled, DeclinedText(msg::kConnectRadio), nullptr);
        (void)FinishJournal(session, kExitFailed);
    }
}

// The round's radio numbers, one per unit in the order of the list, each
// asked naming its unit when they are asked; nothing when the operator
// cancelled.
std::optional<std::vector<std::string>> AskRoundRadios(const CliOptions& options,
                                                       const ProgramSetUp& setUp,
                                                       const std::vector<UnitInfo>& units) {
    std::vector<std::string> radios(units.size());
    if (setUp.radioNumber != zekt::kRadioNumberAsk || options.command == "test") {
        return radios;
    }
    for (std::size_t k = 0; k < units.size(); ++k) {
        const std::optional<std::string> radio = AskRadioNumberLine(stderr, stdin, units[k].serial);
        if (!radio) {
            return std::nullopt;
        }
        radios[k] = *radio;
    }
    return radios;
}

// One radio on each unit at the same time, round after round with --repeat;
// each unit's output apart, a table of the units at the end of a round. One
// question before each round: to connect the radios, then for the next ones;
// then their numbers, when asked.
int RunOnUnits(const CliOptions& options, const ProgramSetUp& setUp, LinkBackend& backend,
               const std::vector<UnitInfo>& units) {
    if (zekt::IsTerminal(stdin) && !options.yes && options.command != "test") {
        Say(msg::kConnectRadio);
        if (!WaitForConnect(stderr, stdin)) {
            JournalDeclined(options, setUp, backend, units);
            return kExitFailed;
        }
    }
    int status = kExitOk;
    int done = 0;
    int failed = 0;
    bool recordLost = false;
    for (bool first = true;; first = false) {
        const std::optional<std::vector<std::string>> radios =
            AskRoundRadios(options, setUp, units);
        if (!radios && first) {
            JournalDeclined(options, setUp, backend, units);
            return kExitFailed;
        }
        if (!radios) {
            break;
        }
        for (const UnitRun& run : RunRound(options, setUp, backend, units, *radios)) {
            if (status == kExitOk) {
                status = run.status;
            }
            const bool radioDone = run.status == kExitOk || run.status == kExitRecordLost;
            (radioDone ? done : failed) += 1;
            recordLost = recordLost || run.status == kExitRecordLost;
        }
        if (!options.repeat) {
            return status;
        }
        if (RunStopSignal() != 0 || !AskForNextRadio(stdin)) {
            break;
        }
    }
    PrintSeriesTotal(done, failed);
    // A series ends well when no radio in it failed, however it was ended.
    return failed > 0 ? status : recordLost ? kExitRecordLost : kExitOk;
}

int RunWithProgrammer(int argc, char** argv, const zekt::CliOptions& options) {
    if (!options.workdir.empty() && !zekt::FolderUsable(options.workdir)) {
        Say("zekt-cli: папка " + options.workdir + " не существует или недоступна (--workdir)");
        return zekt::kExitUsage;
    }
    QCoreApplication app(argc, argv); // the runs wait in its event loop
    zekt::InstallRunStopHandlers();
    LinkBackend backend;
    const ProgramSetUp setUp =
        SetUpProgram(options.common, backend,
                     [](const std::string& warning) { Say("zekt-cli: настройки: " + warning); });
    if (!setUp.opened.Ok()) {
        Say("zekt-cli: " + setUp.opened.Why());
        return backend.HardwareMissing() ? zekt::kExitFailed : zekt::kExitUsage;
    }
    if (options.command == "units") {
        return UnitsCommand(backend);
    }
    if (setUp.journal.warning) {
        Say("zekt-cli: " + *setUp.journal.warning);
    }
    std::vector<UnitInfo> units;
    if (options.allUnits || !options.units.empty()) {
        const UnitChoice choice = ChooseUnits(backend.ListUnits(), options.units, options.allUnits);
        if (choice.refusal) {
            Say("zekt-cli: " + *choice.refusal);
            return choice.ambiguous ? kExitUsage : kExitFailed;
        }
        units = choice.units;
    }
    int status = kExitOk;
    if (units.size() > 1) {
        status = RunOnUnits(options, setUp, backend, units);
    } else {
        const UnitInfo* unit = units.empty() ? nullptr : &units.front();
        Session session(options, setUp, backend, unit);
        status = RunUnlessBusy(options, session, unit);
        // A unit held by another program fails to open as if it were not there.
        if (status == kExitFailed) {
            if (const std::optional<std::string> held = session.WhyHeld()) {
                Say(*held);
            }
        }
        session.SaveRadio();
        if (session.RadioLost() && status == zekt::kExitOk) {
            status = zekt::kExitFailed;
        }
        status = FinishJournal(session, status);
    }
    if (const Outcome closed = backend.CloseTrace(); !closed.Ok()) {
        Say("zekt-cli: " + closed.Why());
        if (status == zekt::kExitOk) {
            status = zekt::kExitOutputLost;
        }
    }
    if (const int signal = zekt::RunStopSignal(); signal != 0 && zekt::RunStopTaken()) {
        Say(std::string("zekt-cli: прервано сигналом ") + zekt::StopEventName(signal) + ".");
        status = 128 + signal;
    } else if (signal != 0) {
        Say(std::string("zekt-cli: сигнал ") + zekt::StopEventName(signal) +
            " пришёл, когда прерывать было уже нечего: результат не изменён.");
    }
    return status;
}

int Main(int argc, char** argv) {
    const std::vector<std::string> arguments = zekt::CommandLineArguments(argc, argv);
    zekt::CliOptions options =
        zekt::ParseCliOptions(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    if (options.help) {
        zekt::Print(stdout, zekt::kCliUsage, zekt::SimulatedFaultsHelp(),
                    zekt::UserFolderShown(zekt::UserPlace::Data), zekt::PasswordFileShown());
        return zekt::kExitOk;
    }
    if (options.version) {
        zekt::Print(stdout, "zekt-cli %s\n", ZEKT_VERSION);
        return zekt::kExitOk;
    }
    if (options.error) {
        return Usage(*options.error);
    }
    if (options.command == "journal") {
        // The server's and libpq's words in the operator's language, as the
        // runs give them (the numbers stay in the C locale's form).
#ifdef LC_MESSAGES // not on Windows, whose libpq speaks its own way
        std::setlocale(LC_MESSAGES, "");
        std::setlocale(LC_CTYPE, "");
#endif
        return GuardFiles(options) ? zekt::JournalCommand(options) : zekt::kExitUsage;
    }
    if (!MakePathsAbsolute(options) || !GuardFiles(options)) {
        return zekt::kExitUsage;
    }
    // The channel tables need no programmer.
    if (options.command == "export-csv") {
        return zekt::ExportCsvCommand(options);
    }
    if (options.command == "import-csv") {
        return zekt::ImportCsvCommand(options);
    }
    return RunWithProgrammer(argc, argv, options);
}

} // namespace

int main(int argc, char** argv) {
    // Before anything opens a descriptor: a closed standard input must not
    // be taken by one and read as the operator's answer.
    zekt::OpenClosedStandardStreams();
    zekt::UseUtf8Console();
    // A file-size limit then shows as a write error, reported, not as death.
    zekt::IgnoreFileSizeLimit();
    return FinishStandardOutput(Main(argc, argv));
}
