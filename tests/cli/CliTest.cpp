#include "BoxKind.h"
#include "ChannelTable.h"
#include "ChipHexFile.h"
#include "CliOptions.h"
#include "CliRun.h"
#include "CommandMessages.h"
#include "ConfigBuilder.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "EngineMessages.h"
#include "FileMessages.h"
#include "FrequencyCodec.h"
#include "Journal.h"
#include "RadioLayout.h"
#include "RadioNumber.h"
#include "ReferenceImages.h"
#include "Seeds.h"
#include "SharedRecord.h"
#include "TempFiles.h"
#include "TerminalHost.h"
#include "UnitOutput.h"
#include "UsageOptions.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <pty.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

using namespace zekt;
using namespace zekt::testing;

namespace {

// One step of a random sequence: how it is run.
enum class StepKind {
    Plain,      // maybe with a fault at a random frame
    Signalled,  // a stop signal at a random frame, maybe a second 1-20 ms later
    OntoInput,  // its output aimed at a file the program reads or keeps
    FullFolder, // the journal's folder full (a file-size limit on the run)
};

// A run of zekt-cli started as a step asks: the signals sent at their
// frame, the file-size limit set in the child.
Result RunStep(Cli& cli, const QStringList& args, StepKind kind, int signalFrame, int secondAfterMs,
               rlim_t sizeLimit) {
    QProcess p;
    cli.Prepare(p);
    if (kind == StepKind::FullFolder) {
        p.setChildProcessModifier([sizeLimit] {
            const rlimit limit{sizeLimit, sizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);
        });
    }
    QFile::remove(cli.Path("t.txt"));
    p.start(ZEKT_CLI_PATH,
            QStringList{"--simulate", "radio.hex", "--workdir", ZEKT_DEMO_DIR, "--trace", "t.txt"} +
                (kind == StepKind::Signalled ? QStringList{"--sim-delay", "1"} : QStringList{}) +
                args);
    p.closeWriteChannel();
    if (!p.waitForStarted()) {
        return {};
    }
    // Its own process only: a pid of 0 would signal the whole group.
    const auto pid = static_cast<pid_t>(p.processId());
    const auto stop = [&p, pid] {
        if (pid > 0 && p.state() == QProcess::Running) {
            ::kill(pid, SIGTERM);
        }
    };
    if (kind == StepKind::Signalled) {
        while (!p.waitForFinished(5) && cli.Contents("t.txt").count("TX 80 bytes") < signalFrame) {
        }
        stop();
        if (secondAfterMs > 0) {
            QThread::msleep(static_cast<unsigned long>(secondAfterMs));
            stop();
        }
    }
    p.waitForFinished(60000);
    const int status = p.exitStatus() == QProcess::CrashExit ? 128 + SIGTERM : p.exitCode();
    return {status, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The files the program keeps, which a step's output is aimed at (the
// commands with an output read no configuration file), and which every step
// but one that writes them leaves as they were.
const QStringList kKeptByTheSequence = {"radio.hex", "xdg/zekt-programmer/journal.csv",
                                        "config/zekt-programmer/settings.conf"};

std::string RandomSequence(uint32_t seed) {
    Cli cli;
    cli.WriteConfig("a.prg", OpenConfigA());
    cli.files.Write("config/zekt-programmer/settings.conf", "# the bench's settings\n");
    if (cli.Sim({"program", "a.prg"}).status != 0) {
        return "the first programming failed";
    }
    const ChipMemory asked = cli.RadioBarTheDay("radio.hex");
    std::mt19937 random(seed);
    const auto pick = [&random](std::size_t n) { return static_cast<int>(random() % n); };
    const QStringList commands[] = {{"program", "a.prg"},
                                    {"write-frequencies", "a.prg"},
                                    {"read"},
                                    {"read", "--save", "out.prg"},
                                    {"verify", "a.prg"},
                                    {"backup", "out.hex"}};
    const char* const faults[] = {"timeout", "unplug", "garbage", "short-write", "wrong-command"};
    const QStringList outputs = {"out.prg", "out.hex"};
    constexpr int kRuns = 16;
    constexpr int kLastFrame = 600; // a whole programming is about 560
    for (int step = 0; step < kRuns; ++step) {
        QStringList command = commands[pick(std::size(commands))];
        const auto kind = static_cast<StepKind>(pick(4));
        QStringList args;
        QString how = "no fault";
        const int signalFrame = 1 + pick(kLastFrame);
        const int secondAfterMs = pick(2) == 0 ? 0 : 1 + pick(20);
        const QString output = command.size() > 1 && outputs.contains(command.constLast())
                                   ? command.constLast()
                                   : QString();
        if (kind == StepKind::Plain && pick(3) != 0) {
            how = QString("%1@%2").arg(faults[pick(std::size(faults))]).arg(1 + pick(kLastFrame));
            args << "--sim-fault" << how;
        } else if (kind == StepKind::Signalled) {
            how = QString("SIGTERM at frame %1").arg(signalFrame) +
                  (secondAfterMs > 0 ? QString(", again %1 ms later").arg(secondAfterMs) : "");
        } else if (kind == StepKind::OntoInput && !output.isEmpty()) {
            command.last() = kKeptByTheSequence[pick(kKeptByTheSequence.size())];
            how = "output onto " + command.constLast();
        } else if (kind == StepKind::FullFolder) {
            how = "the journal's folder full";
        }
        for (const QString& out : outputs) {
            QFile::remove(cli.Path(qPrintable(out)));
        }
        std::map<QString, QByteArray> kept;
        for (const QString& name : kKeptByTheSequence) {
            kept[name] = cli.Contents(name);
        }
        const qsizetype lines = cli.Journal().size();
        const rlim_t sizeLimit =
            static_cast<rlim_t>(kept["xdg/zekt-programmer/journal.csv"].size() + 40);
        const Result run =
            RunStep(cli, args + command, kind, signalFrame, secondAfterMs, sizeLimit);
        const QString where = QString("run %1, %2, %3").arg(step).arg(command.join(' '), how);
        const auto broke = [&where, &run](const QString& what) {
            return (where + ": " + what + "\n" + run.err).toStdString();
        };
        for (const QString& folder : {QString(""), QString("xdg/zekt-programmer")}) {
            const QStringList hidden =
                QDir(cli.Path(qPrintable(folder))).entryList({".*"}, QDir::Files | QDir::Hidden);
            if (!hidden.isEmpty()) {
                return broke("left behind: " + hidden.join(' '));
            }
        }
        if (how.startsWith("output onto")) {
            if (run.status != kExitUsage || cli.Journal().size() != lines) {
                return broke(QString("exit %1, an output onto an input").arg(run.status));
            }
            for (const auto& [name, bytes] : kept) {
                if (cli.Contents(name) != bytes) {
                    return broke(name + " changed");
                }
            }
            continue;
        }
        // Each run has one record: a whole journal line, or (the folder
        // full) one said as not kept; its result is the exit status's.
        const QStringList journal = cli.Journal();
        const QStringList unkept =
            run.err.split('\n').filter(QRegularExpression("^  20\\S+ \\S+ \\S+"));
        if (journal.size() + unkept.size() != lines + 1) {
            return broke(QString("%1 journal lines, %2 unkept")
                             .arg(journal.size() - lines)
                             .arg(unkept.size()));
        }
        QString result;
        if (unkept.isEmpty()) {
            const QStringList record = journal.constLast().split(';');
            if (record.size() < kJournalColumns) {
                return broke("a record cut short: " + journal.constLast());
            }
            result = record[kResultColumn];
        } else {
            result = unkept[0].trimmed().section(' ', 2, 2).section(',', 0, 0);
        }
        const bool ok = result == kJournalOk;
        const bool statusFits =
            ok ? run.status == kExitOk || (run.status == kExitRecordLost && !unkept.isEmpty())
            : result == kJournalCancelled
                ? run.status == 128 + SIGTERM
                : run.status == kExitFailed || run.status == kExitDifferent ||
                      run.status == kExitOutputLost;
        if (!statusFits) {
            return broke(QString("exit %1, recorded %2").arg(run.status).arg(result));
        }
        ChipMemory radio;
        if (!LoadChipHex(cli.files.Path("radio.hex"), radio).ok) {
            return broke("the radio's file is unreadable");
        }
        if (unkept.isEmpty()) {
            const QString hash = journal.constLast().split(';')[kConfigHashColumn];
            if (!hash.isEmpty() && hash.toStdString() != ConfigurationHash(ImageOf(radio))) {
                return broke("a recorded hash that is not the radio's");
            }
        }
        const bool writes = command[0] == "program" || command[0] == "write-frequencies";
        if (ok && writes && radio.data != asked.data) {
            return broke("recorded as written, the radio holds other data");
        }
        if (ok && command[0] == "program" && cli.RadioBarTheDay("radio.hex") != asked) {
            return broke("recorded as programmed, the radio is another");
        }
        if (run.status == kExitFailed && command[0] == "read" && !run.out.isEmpty()) {
            return broke("a table printed by a failed read");
        }
        for (const QString& out : outputs) {
            const bool there = QFile::exists(cli.Path(qPrintable(out)));
            if (there && !(ok && command.contains(out))) {
                return broke(out + " written");
            }
            if (!there && ok && command.contains(out) && kind != StepKind::FullFolder) {
                return broke(out + " missing");
            }
        }
        // What a read saved is what a clean read of the same radio saves.
        if (ok && QFile::exists(cli.Path("out.prg"))) {
            const QByteArray saved = cli.Contents("out.prg");
            if (cli.Sim({"read", "--save", "clean.prg"}).status != 0 ||
                cli.Contents("clean.prg") != saved) {
                return broke("out.prg is not what a clean read saves");
            }
        }
    }
    return {};
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT

private slots:
    // Several units at once: each unit's standard error lines whole, with its
    // prefix and in its order however the threads interleave; its standard
    // output kept apart and handed over whole at the end.
    void unitOutputKeepsEachUnitApart() {
        TempFiles files;
        std::fflush(stderr);
        const int savedErr = dup(STDERR_FILENO);
        const std::string errPath = files.Path("stderr.txt");
        const int errFile = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(errFile, STDERR_FILENO);
        close(errFile);
        constexpr int kLines = 200;
        std::string printed[2];
        bool backOnRealStreams[2] = {false, false};
        std::vector<std::thread> units;
        for (int u = 0; u < 2; ++u) {
            units.emplace_back([u, &printed, &backOnRealStreams] {
                UnitOutput output("SIM" + std::to_string(u + 1));
                for (int n = 0; n < kLines; ++n) {
                    Say("say " + std::to_string(n));
                    std::fprintf(Err(), "part of %d", n); // a line written in two pieces
                    std::fprintf(Err(), " and the rest\n");
                    std::fprintf(Out(), "out %d\n", n);
                }
                printed[u] = output.Finish();
                backOnRealStreams[u] = Out() == stdout && Err() == stderr;
            });
        }
        for (std::thread& unit : units) {
            unit.join();
        }
        std::fflush(stderr);
        dup2(savedErr, STDERR_FILENO);
        close(savedErr);
        std::string expectedOut;
        for (int n = 0; n < kLines; ++n) {
            expectedOut += "out " + std::to_string(n) + "\n";
        }
        for (int u = 0; u < 2; ++u) {
            QCOMPARE(printed[u], expectedOut);
            QVERIFY(backOnRealStreams[u]);
        }
        std::vector<std::string> seen[2];
        std::ifstream err(errPath);
        for (std::string line; std::getline(err, line);) {
            QVERIFY2(line.starts_with("[SIM1] ") || line.starts_with("[SIM2] "), line.c_str());
            seen[line[4] - '1'].push_back(line.substr(7));
        }
        for (int u = 0; u < 2; ++u) {
            QCOMPARE(seen[u].size(), std::size_t(2 * kLines));
            for (int n = 0; n < kLines; ++n) {
                QCOMPARE(seen[u][2 * n], "say " + std::to_string(n));
                QCOMPARE(seen[u][2 * n + 1], "part of " + std::to_string(n) + " and the rest");
            }
        }
    }

    // Mistakes on the command line are refused in Russian, in one line with a
    // pointer to --help; nothing else changes meaning by accident.
    void optionMistakes() {
        const struct {
            std::vector<std::string> args;
            const char* says; // empty: accepted
        } cases[] = {
            {{"--sim-delay", "5abc", "test"}, "целое число"},
            {{"--sim-delay", "1e9", "test"}, "целое число"},
            {{"--sim-delay", "-1", "test"}, "целое число"},
            {{"--sim-delay", "10001", "test"}, "целое число"},
            {{"--sim-delay", "10000", "test"}, ""},
            {{"--sim-delay=5", "test"}, ""},
            {{"--usb-latency", "0", "test"}, "от 1 до 255"},
            {{"--usb-latency=256", "test"}, "от 1 до 255"},
            {{"--usb-latency", "1", "test"}, ""},
            {{"--journal=", "--save=out.prg", "read"}, ""},
            {{"--yes=1", "read"}, "не нужно значение"},
            {{"--force-band", "verify", "a.prg"}, "относится к program и write-frequencies"},
            {{"--trace", "a.txt", "--trace", "b.txt", "test"}, "второй раз"},
            {{"--simulate", "a.hex", "--simulate", "b.hex", "--unit", "1", "--unit", "2", "test"},
             ""},
            {{"--unit", "", "test"}, "серийный номер"},
            {{"--all-units", "--unit", "A", "test"}, "вместе"},
            {{"--all-units", "backup", "x.hex"}, "с одним"},
            {{"--unit", "1", "--unit", "2", "read", "--save", "x.prg"}, "с одним"},
            {{"--unit", "A", "units"}, "относятся"},
            {{"--sim-fault", "open", "--sim-fault", "flow", "test"}, ""},
            {{"journal"}, ""},
            {{"journal", "--since", "2026-01-01", "--unit", "SIM1", "--csv"}, ""},
            {{"journal", "show", "7", "--save", "r.prg"}, ""},
            {{"journal", "frob"}, "show ЗАПИСЬ, radio НОМЕР, report, init-db или sync"},
            {{"journal", "show"}, "номер записи"},
            {{"journal", "sync", "more"}, "кроме параметров"},
            {{"journal", "sync", "--csv"}, "без действия"},
            {{"journal", "--save", "r.prg"}, "journal show"},
            {{"journal", "--unit", "1", "--unit", "2"}, "одному --unit"},
            {{"read", "--bench", "b1"}, "относятся к journal"},
            {{"--journal-database", "", "journal", "sync"}, "адрес базы данных"},
            {{"read", "--save", "--yes"}, "а не \"--yes\""},
            {{"read", "--save", "./--yes"}, ""},
            {{"read", "--save", ""}, "пустая строка"},
            {{"--journal", "", "test"}, ""},
            {{"export-csv", ""}, "пустым"},
            {{"--", "export-csv", "-a.prg"}, ""},
            {{"export-csv", "-a.prg"}, "неизвестный параметр -a.prg"},
            {{"--frobnicate", "test"}, "неизвестный параметр"},
            {{"flash"}, "неизвестная команда"},
            {{"--radio-number", "12-34/5.A", "read"}, ""},
            {{"--radio-number", "ask", "program", "a.prg", "--repeat"}, ""},
            {{"--radio-number", "12", "program", "a.prg", "--repeat"}, "для нескольких"},
            {{"--radio-number", "12", "--all-units", "read"}, "для нескольких"},
            {{"--radio-number", "a*b", "read"}, "от 1 до 32 знаков"},
            {{"--radio-number", "", "read"}, "от 1 до 32 знаков"},
            {{"--radio-number", "1", "test"}, "относится к program"},
            {{"journal", "radio", "77", "--csv"}, ""},
            {{"journal", "--radio", "77", "--since", "2026-01-01"}, ""},
            {{"journal", "radio"}, "номер радиостанции"},
            {{"journal", "radio", "7", "--since", "2026-01-01"}, "без действия"},
            {{"journal", "radio", "7", "--radio", "8"}, "дважды"},
            {{"journal", "report", "--since", "2026-01-01", "--bench", "b", "--html", "r.html"},
             ""},
            {{"journal", "report"}, "нужно --html"},
            {{"journal", "report", "--html", "r.html", "--result", "ok"}, "без действия"},
            {{"journal", "--html", "r.html"}, "относится к journal report"},
            {{"read", "--html", "r.html"}, "относится к journal report"},
        };
        for (const auto& [args, says] : cases) {
            const CliOptions o = ParseCliOptions(args);
            const std::string error = o.error.value_or("");
            QVERIFY2(QString::fromStdString(error).contains(says) && !o.error == !*says,
                     error.c_str());
        }
        Cli cli;
        const Result usage = cli.Run({"--sim-delay", "x", "test"});
        QCOMPARE(usage.status, 2);
        QCOMPARE(usage.err.count('\n'), 2); // the mistake and where the help is
        QVERIFY(usage.err.contains("zekt-cli --help"));
        const Result runtime = cli.Run({"--simulate", "r.hex", "--trace", "no/such/t.txt", "test"});
        QCOMPARE(runtime.status, 2);
        QVERIFY(runtime.err.contains("no/such/t.txt") && !runtime.err.contains("Использование"));
    }

    void optionParsing() {
        CliOptions o = ParseCliOptions(
            {"--simulate", "r.hex", "program", "a.prg", "--band", "40", "48", "--yes"});
        QVERIFY(!o.error);
        QVERIFY(o.common.link.simulate);
        QCOMPARE(o.command, std::string("program"));
        QCOMPARE(o.inputFile, std::string("a.prg"));
        QVERIFY(o.band && o.yes);
        QCOMPARE(o.bandHigh, std::string("48"));
        QVERIFY(ParseCliOptions({}).error.has_value());
        QVERIFY(ParseCliOptions({"flash"}).error.has_value());
        QVERIFY(ParseCliOptions({"program"}).error.has_value());
        QVERIFY(!ParseCliOptions({"read", "--yes"}).error);
        QVERIFY(ParseCliOptions({"test", "--yes"}).error.has_value());
        QVERIFY(ParseCliOptions({"--version"}).version);
        for (const char* ask : {"ask", "ASK", " Ask\t"}) { // a keyword, as in the settings file
            QCOMPARE(ParseCliOptions({"--radio-number", ask, "read"}).common.radioNumber,
                     std::string(kRadioNumberAsk));
        }
        QVERIFY(ParseCliOptions({"backup", "a.hex", "--save", "b.prg"}).error.has_value());
        QVERIFY(ParseCliOptions({"test", "--band", "40"}).error.has_value());
        QVERIFY(ParseCliOptions({"--sim-delay", "x", "test"}).error.has_value());
        QVERIFY(ParseCliOptions({"--frobnicate", "test"}).error.has_value());
        QVERIFY(ParseCliOptions({"--help"}).help);
        QCOMPARE(OptionsNamed(kCliUsage), OptionsInHelp(kCliProgram));
    }

    // On a terminal the prompts to connect a radio wait: Enter goes on; n,
    // Ctrl+C (a read cut short) or the end of the input cancel. Other kinds
    // never wait, whatever their wording, and the next-radio question is
    // answered no without --repeat.
    void promptsWaitForTheOperator() {
        const struct {
            const char* typed;
            bool goesOn;
        } answers[] = {{"\n", true},   {"да\n", true},   {"n\n", false},
                       {"N\n", false}, {"нет\n", false}, {"", false}};
        for (const auto& [typed, goesOn] : answers) {
            std::string input(typed);
            std::FILE* in = input.empty() ? std::fopen("/dev/null", "r")
                                          : fmemopen(input.data(), input.size(), "r");
            char* shown = nullptr;
            std::size_t shownSize = 0;
            std::FILE* out = open_memstream(&shown, &shownSize);
            TerminalHost host(out, "", false);
            host.promptInput = in;
            QVERIFY(host.Tell(
                {msg::kConnectRadio, "", BoxKind::Information, true, PromptKind::Notice}));
            QVERIFY(host.Tell(
                {msg::kProgPromptUserFile, "", BoxKind::Information, true, PromptKind::Question}));
            QCOMPARE(host.Tell(
                         {msg::kConnectDevice, "", BoxKind::None, false, PromptKind::ConnectRadio}),
                     goesOn);
            QVERIFY(!host.Tell({msg::kProgDone, "", BoxKind::None, true, PromptKind::NextRadio}));
            std::fclose(in);
            std::fclose(out);
            const QString said = QString::fromUtf8(shown, static_cast<int>(shownSize));
            QCOMPARE(said.count("Enter"), 1);
            QVERIFY(!said.contains(msg::kProgDone));
            std::free(shown);
        }
        Cli cli;
        const Result version = cli.Run({"--version"});
        QCOMPARE(version.status, 0);
        QVERIFY(version.out.startsWith("zekt-cli ") && version.out.endsWith("\n"));
        QVERIFY(cli.Run({"--help"}).out.endsWith("\n"));
    }

    void programReadBackAndTheSameFile() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        // The radio keeps the day the run read, whichever side of midnight.
        const QDate before = QDate::currentDate();
        const Result program = cli.Sim({"program", "a.prg"});
        const QDate after = QDate::currentDate();
        QCOMPARE(program.status, 0);
        QVERIFY(program.err.contains("Для программирования радиостанции установлена версия 6.1.1"));
        QVERIFY(program.err.contains(msg::kCaptionProgConfig));
        const ChipMemory chip = cli.Radio();
        const std::vector<int32_t> data = reference::ParseDump(reference::kDataA);
        const std::vector<int32_t> page = reference::ParseDump(reference::kPageA);
        for (int a = 0; a < 256; ++a) {
            QCOMPARE(int(chip.data[a]), data[a]);
            QCOMPARE(int(chip.code[kFrequencyPageWord + a]), page[a]);
        }
        const auto idWordsOf = [](const QDate& day) {
            return std::pair{0x1000 + (day.year() & 0xFFF), (day.month() << 10) + (day.day() << 5)};
        };
        const std::pair dateWords{int(chip.idWords[1]), int(chip.idWords[2])};
        QVERIFY(dateWords == idWordsOf(before) || dateWords == idWordsOf(after));
        QCOMPARE(int(chip.idWords[0]), 0x10D1);
        QCOMPARE(int(chip.idWords[3]), 0x2004);
        QCOMPARE(int(chip.configWord), 0x3F72);
        Project firmware;
        QVERIFY(firmware.LoadHex(std::string(ZEKT_DEMO_DIR) + "/WORK/St611.hex"));
        QCOMPARE(int(chip.code[3]), firmware.ProgramMemory()[3]);

        const Result read = cli.Sim({"read", "--save", "back.prg"});
        QCOMPARE(read.status, 0);
        QVERIFY(read.out.contains("  Код программы в реестре : 0001\n"));
        QVERIFY(read.out.contains("150,5"));
        QCOMPARE(cli.Run({"export-csv", "back.prg"}).out, cli.Run({"export-csv", "a.prg"}).out);
        QCOMPARE(cli.Sim({"verify", "back.prg"}).status, 0);
    }

    // read --save keeps what the radio held: programmed from the file, a
    // radio gets the same configuration. A tone the list lacks (codes 20-37)
    // stays in the file, is warned about, and is all that verify reports.
    void readSaveKeepsWhatTheRadioHeld() {
        Cli cli;
        RadioConfig full = OpenConfigA();
        for (int n = 0; n < kChannelCount; ++n) {
            full.channels[static_cast<std::size_t>(n)] = {
                FrequencyText(146 + n * 0.5), FrequencyText(147 + n * 0.5), -1, n % 2 == 0};
        }
        cli.WriteConfig("full.prg", full);
        for (const int first : {0, 16, 32}) {
            QFile::remove(cli.Path("radio.hex"));
            QCOMPARE(cli.Sim({"program", "full.prg"}).status, 0);
            ChipMemory held = cli.Radio();
            int unlisted = 0;
            for (int n = 0; n < kChannelCount && first + n < kCtcssToneCount; ++n) {
                held.data[0x40 + n] |= 0xC0;
                held.code[0x1F40 + n] |= 0xC0;
                held.data[0x51 + n] = static_cast<uint8_t>(first + n);
                unlisted += first + n >= kCtcssListedTones ? 1 : 0;
            }
            QVERIFY(SaveChipHex(cli.files.Path("radio.hex"), held).ok);
            const Result read = cli.Sim({"read", "--save", "s.prg"});
            QCOMPARE(read.status, 0);
            QCOMPARE(read.err.count("нет в списке тонов"), unlisted);
            const Result verify = cli.Sim({"verify", "s.prg"});
            QCOMPARE(verify.status, unlisted > 0 ? 3 : 0);
            QCOMPARE(verify.out.count(", CTCSS "), unlisted);
            QCOMPARE(verify.out.count('\n'), unlisted > 0 ? unlisted + 1 : 0);

            QFile::remove(cli.Path("radio.hex"));
            QCOMPARE(cli.Sim({"program", "s.prg"}).status, 0);
            const ChipMemory again = cli.Radio();
            for (int a = 0; a < kDataBytes; ++a) {
                const int n = a >= 0x51 ? a - 0x51 : a - 0x40;
                if (n < 0 || n >= kChannelCount || first + n < kCtcssListedTones ||
                    first + n >= kCtcssToneCount) {
                    QCOMPARE(again.data[a], held.data[a]);
                    QCOMPARE(again.code[0x1F00 + a], held.code[0x1F00 + a]);
                }
            }
            QVERIFY(again.idWords[0] == held.idWords[0] && again.idWords[3] == held.idWords[3]);
        }
    }

    // Two passes that disagree (a garbled reply in either) keep nothing and
    // say why; every exchange of a correct pass stays as it was.
    void garbledReadsKeepNothing() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const struct {
            const char* fault;
            QStringList command;
            const char* file;
        } cases[] = {
            {"garbage@20", {"backup", "g.hex"}, "g.hex"},
            {"garbage@400", {"backup", "g.hex"}, "g.hex"},
            {"garbage@20", {"read", "--save", "g.prg"}, "g.prg"},
            {"garbage@50", {"read", "--save", "g.prg"}, "g.prg"},
        };
        for (const auto& [fault, command, file] : cases) {
            const Result r = cli.Sim(QStringList{"--sim-fault", fault} + command);
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains("ненадёжный контакт"), qPrintable(r.err));
            QVERIFY(!QFile::exists(cli.Path(file)));
            QVERIFY(cli.Journal().constLast().contains(";failed;"));
        }
    }

    // A garbled reply at every frame of every command: a failure, or exactly
    // what a clean run gives (the record, its hash, the copy kept, the file
    // written, the radio, the table). Runs go several at a time, each on its
    // own radio, journal and output.
    void garbledReplyAtEveryFrame() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const QByteArray programmed = cli.Contents("radio.hex");
        const QStringList commands[] = {{"program", "a.prg"},
                                        {"write-frequencies", "a.prg"},
                                        {"read"},
                                        {"verify", "a.prg"},
                                        {"backup", "out"}};
        struct Run {
            QString dir;
            std::unique_ptr<QProcess> process;
            QStringList Record(Cli& cli) {
                const QStringList lines = QString::fromUtf8(cli.Contents(dir + "/j.csv"))
                                              .split("\r\n", Qt::SkipEmptyParts);
                return lines.isEmpty() ? QStringList() : lines.constLast().split(';');
            }
        };
        const auto start = [&](const QStringList& command, int frame) {
            Run run{QString("f%1").arg(frame), std::make_unique<QProcess>()};
            cli.files.Write((run.dir + "/radio.hex").toStdString(), programmed.toStdString());
            QStringList args = {"--simulate", run.dir + "/radio.hex", "--workdir", ZEKT_DEMO_DIR,
                                "--journal",  run.dir + "/j.csv"};
            args += frame == 0 ? QStringList{"--trace", "t.txt"}
                               : QStringList{"--sim-fault", QString("garbage@%1").arg(frame)};
            args += command;
            args.replaceInStrings(QRegularExpression("^out$"), run.dir + "/out");
            cli.Prepare(*run.process);
            run.process->start(ZEKT_CLI_PATH, args);
            return run;
        };
        for (const QStringList& command : commands) {
            Run clean = start(command, 0);
            QVERIFY(clean.process->waitForFinished(60000));
            QCOMPARE(clean.process->exitCode(), 0);
            const QByteArray cleanOut = clean.process->readAllStandardOutput();
            const QStringList cleanRecord = clean.Record(cli);
            const QByteArray cleanCopy = cli.Contents(cleanRecord[5]);
            QVERIFY(!cleanCopy.isEmpty());
            const ChipMemory cleanRadio = cli.RadioBarTheDay("f0/radio.hex");
            const int frames = static_cast<int>(cli.Contents("t.txt").count("TX 80 bytes"));
            QVERIFY(frames > 50);
            constexpr int kAtOnce = 4;
            for (int first = 1; first <= frames; first += kAtOnce) {
                std::vector<Run> runs;
                for (int frame = first; frame < first + kAtOnce && frame <= frames; ++frame) {
                    runs.push_back(start(command, frame));
                }
                for (Run& run : runs) {
                    const QString where = command.join(' ') + ", garbage@" + run.dir.mid(1);
                    QVERIFY2(run.process->waitForFinished(60000), qPrintable(where));
                    const int status = run.process->exitCode();
                    const QStringList record = run.Record(cli);
                    QVERIFY2(status == 0 || status == 1, qPrintable(where));
                    QVERIFY2(record.size() > 7 && record[3] == (status == 0 ? "ok" : "failed"),
                             qPrintable(where + ": " + record.join(';')));
                    if (status == 0) {
                        QVERIFY2(record[7] == cleanRecord[7] &&
                                     cli.Contents(record[5]) == cleanCopy &&
                                     cli.RadioBarTheDay(run.dir + "/radio.hex") == cleanRadio &&
                                     run.process->readAllStandardOutput() == cleanOut,
                                 qPrintable(where));
                    } else {
                        QVERIFY2(!QFile::exists(cli.Path("") + run.dir + "/out"),
                                 qPrintable(where));
                    }
                }
            }
        }
    }

    // Channels no radio can tune to are refused by the writing commands,
    // yet their files still load; channels outside the chosen band need
    // --force-band; a radio word outside decodes as it is, with a warning.
    void channelsOutsideTheBands() {
        Cli cli;
        RadioConfig low = OpenConfigA();
        low.channels[0].tx = "30";
        cli.WriteConfig("low.prg", low);
        for (const char* command : {"program", "write-frequencies"}) {
            const Result r = cli.Sim({"--trace", "t.txt", command, "low.prg"});
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains("Канал 1, передача: 30 МГц - вне 33 - 174 МГц"),
                     qPrintable(r.err));
            QVERIFY(!cli.Contents("t.txt").contains("TX 80 bytes"));
            QVERIFY(cli.Journal().constLast().contains(";refused;"));
        }
        QVERIFY(cli.Run({"export-csv", "low.prg"}).out.contains("\r\n1;30;"));

        RadioConfig band = OpenConfigA();
        band.mainBand = 2; // 40 - 48,5 МГц, the channels at 145-150
        cli.WriteConfig("band.prg", band);
        const Result refused = cli.Sim({"program", "band.prg"});
        QCOMPARE(refused.status, 2);
        QVERIFY2(
            refused.err.contains("диапазона 40 - 48,5 МГц:\n  Канал 1, передача: 145,0125 МГц") &&
                refused.err.contains("--force-band"),
            qPrintable(refused.err));
        QVERIFY(cli.Journal().constLast().contains(";refused;"));
        QCOMPARE(cli.Sim({"program", "band.prg", "--force-band"}).status, 0);

        ChipMemory radio = cli.Radio();
        radio.code[layout::kPageChannelTable] = 0xFE; // channel 1's RX word: 225,396875 MHz
        radio.code[layout::kPageChannelTable + 1] = 0xFF;
        QVERIFY(SaveChipHex(cli.files.Path("radio.hex"), radio).ok);
        const Result read = cli.Sim({"read"});
        QCOMPARE(read.status, 0);
        QVERIFY(read.out.contains("225,396875"));
        QVERIFY(
            read.err.contains(QString(msg::kUntunableRead) + "\n  Канал 1, приём: 225,396875 МГц"));
    }

    // A channel with one frequency is refused by every command that would
    // put it into a radio or a file, naming the field; nothing is sent.
    void halfMadeChannelsRefused() {
        Cli cli;
        RadioConfig half = OpenConfigA();
        half.channels[2].rx.clear();
        cli.WriteConfig("half.prg", half);
        cli.WriteConfig("a.prg", OpenConfigA());
        QString csv = cli.Run({"export-csv", "a.prg"}).out;
        csv.replace(QRegularExpression("\r\n3;([^;]*);[^;]*;"), "\r\n3;\\1;;");
        cli.files.Write("half.csv", csv.toStdString());
        const QByteArray original = cli.Contents("a.prg");
        const QStringList commands[] = {{"program", "half.prg"},
                                        {"write-frequencies", "half.prg"},
                                        {"verify", "half.prg"},
                                        {"import-csv", "half.csv", "a.prg"}};
        for (const QStringList& command : commands) {
            const Result r = cli.Sim(QStringList{"--trace", "t.txt"} + command);
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains(QString("Канал 3, приём: ") + msg::kFrequencyMissing),
                     qPrintable(r.err));
            QVERIFY(!cli.Contents("t.txt").contains("TX 80 bytes"));
        }
        QCOMPARE(cli.Contents("a.prg"), original);
    }

    void writeFrequencies() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const ChipMemory before = cli.Radio();
        RadioConfig changed = OpenConfigA();
        changed.channels[1] = {"147", "147", -1, false};
        cli.WriteConfig("b.prg", changed);
        const Result write = cli.Sim({"write-frequencies", "b.prg"});
        QCOMPARE(write.status, 0);
        QVERIFY(write.err.contains(msg::kConnectRadio));
        const ChipMemory after = cli.Radio();
        for (int w = 0; w < kFrequencyPageWord; ++w) {
            QCOMPARE(after.code[w], before.code[w]);
        }
        QCOMPARE(int(after.code[0x1F06]), 0xB7);
        QCOMPARE(int(after.code[0x1F07]), 0xC0);
        QCOMPARE(int(after.data[0x07]), 0xC0);
    }

    void backupMatchesTheChip() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        QCOMPARE(cli.Sim({"backup", "copy.hex"}).status, 0);
        ChipMemory copy;
        QVERIFY(LoadChipHex(cli.files.Path("copy.hex"), copy).ok);
        const ChipMemory chip = cli.Radio();
        QVERIFY(copy.code == chip.code);
        QVERIFY(copy.data == chip.data);
        QVERIFY(copy.idWords == chip.idWords);
        QCOMPARE(copy.configWord, chip.configWord);
    }

    void protectedRadioNeedsYesAndBacksUpAsZeros() {
        Cli cli;
        cli.WriteConfig("p.prg", reference::ConfigA());
        const Result refused = cli.Sim({"program", "p.prg"});
        QCOMPARE(refused.status, 2);
        QVERIFY(refused.err.contains("--yes"));
        QCOMPARE(cli.Sim({"program", "p.prg", "--yes"}).status, 0);
        // Protected memory reads as zeros: neither a copy nor a file of it.
        const Result backup = cli.Sim({"backup", "copy.hex"});
        QCOMPARE(backup.status, 1);
        QVERIFY(backup.err.contains(msg::kReadProtected));
        QVERIFY(!QFile::exists(cli.Path("copy.hex")));
        const Result save = cli.Sim({"read", "--save", "back.prg"});
        QCOMPARE(save.status, 1);
        QVERIFY(save.err.contains("не сохранена: радиостанция защищена от чтения"));
        QVERIFY(!QFile::exists(cli.Path("back.prg")));
        // Shown, but no read of the radio: failed, and no copy of zeros kept.
        const Result read = cli.Sim({"read"});
        QCOMPARE(read.status, 1);
        QCOMPARE(read.err.count(msg::kReadProtected), 1);
        QVERIFY(cli.Journal().constLast().contains(";read;failed;"));
        QVERIFY(cli.Journal().constLast().split(';')[kConfigHashColumn].isEmpty()); // zeros
        QVERIFY(!QDir(cli.Path("xdg/zekt-programmer/radios")).exists());
    }

    // Seeded random sequences of commands with faults at random frames; after
    // every run what must hold whatever happened: its exit status is its
    // record's result, it leaves one whole journal line, a radio recorded as
    // programmed holds what was asked, a recorded hash is the radio's real
    // content, a failed run prints no table and leaves no output, and no
    // temporary file stays behind.
    void randomSequencesKeepTheirInvariants() {
        seeds::ForEachSeed({1, 2, 3, 4}, [](uint32_t seed) { return RandomSequence(seed); });
    }

    // A link fault in a read's first pass ends the command with the link's
    // own words: nothing of the pass is decoded, printed, kept or hashed.
    void aReadCutShortShowsAndHashesNothing() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const QByteArray radio = cli.Contents("radio.hex");
        const struct {
            QStringList command;
            const char* fault;
        } cases[] = {{{"read"}, "timeout@20"},
                     {{"read"}, "unplug@30"},
                     {{"read", "--save", "back.prg"}, "short-write@25"},
                     {{"verify", "a.prg"}, "unplug@30"},
                     {{"verify", "a.prg"}, "timeout@38"},
                     {{"backup", "whole.hex"}, "timeout@20"}};
        for (const auto& c : cases) {
            const QString where = c.command.join(' ') + " " + c.fault;
            cli.files.Write("radio.hex", radio.toStdString());
            const Result run = cli.Sim(QStringList{"--sim-fault", c.fault} + c.command);
            QVERIFY2(run.status == 1, qPrintable(where));
            QVERIFY2(run.out.isEmpty(), qPrintable(where + ": " + run.out));
            QVERIFY2(!run.err.contains(msg::kOldFirmware), qPrintable(where + ": " + run.err));
            const QStringList record = cli.Journal().constLast().split(';');
            // verify names its input file; a read or a backup kept no file.
            const bool fileKept =
                c.command[0] != "verify" && !record[kConfigFileHashColumn].isEmpty();
            QVERIFY2(record[kResultColumn] == "failed" && record[kConfigHashColumn].isEmpty() &&
                         !fileKept,
                     qPrintable(where + ": " + record.join(';')));
            QVERIFY2(run.err.contains(record[kMessageColumn]), qPrintable(where));
            QVERIFY2(!QFile::exists(cli.Path("back.prg")) && !QFile::exists(cli.Path("whole.hex")),
                     qPrintable(where));
        }
        QVERIFY(!QDir(cli.Path("xdg/zekt-programmer/radios")).exists());
    }

    void statuses() {
        Cli cli;
        QCOMPARE(cli.Sim({"test"}).status, 0);
        QVERIFY(cli.Sim({"test"}).err.contains(msg::kTestPassed));
        const Result unplugged = cli.Sim({"--sim-fault", "unplug@1", "test"});
        QCOMPARE(unplugged.status, 1);
        QVERIFY(unplugged.err.contains(msg::kTestFailed));
        QCOMPARE(cli.Run({"flash"}).status, 2);
        QCOMPARE(cli.Run({"--sim-fault", "unplug@1", "test"}).status, 2); // needs --simulate
        for (const char* fault : {"meltdown", "unplug@0", "garbage@-1", "slow@1\nx", "device="}) {
            const Result unknown = cli.Sim({"--sim-fault", fault, "test"});
            QCOMPARE(unknown.status, 2);
            QVERIFY2(unknown.err.contains("(отказы: zekt-cli --help)") &&
                         unknown.err.count('\n') == 1,
                     qPrintable(unknown.err));
        }
        const Result missing = cli.Sim({"program", "absent.prg"});
        QCOMPARE(missing.status, 2);
        QVERIFY(missing.err.contains(msg::kCannotOpen));
        const Result blank = cli.Sim({"read"});
        QCOMPARE(blank.status, 1);
        QVERIFY(blank.err.contains(msg::kRadioBlank));
        QCOMPARE(cli.Run({"--help"}).status, 0);
    }

    void badConfigurationFile() {
        Cli cli;
        std::string text = "0 0 0 2 0 0 2\r\n";
        for (int line = 0; line < 16; ++line) {
            text += "00ff 00ff 00ff 00ff 00ff 00ff 00ff 00ff 00ff 00ff 00ff 00ff 00ff 00ff 00ff "
                    "00ff \r\n";
        }
        cli.files.Write("bad.prg", text);
        const Result r = cli.Sim({"program", "bad.prg"});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(msg::kFileSoftware));
        QVERIFY(!QFile::exists(cli.Path("radio.hex")) || cli.Radio().idWords[0] == 0x3FFF);

        cli.WriteConfig("user.prg", [] {
            RadioConfig c = OpenConfigA();
            c.software = 1;
            return c;
        }());
        QCOMPARE(cli.Sim({"program", "user.prg"}).status, 2);
        // A band refused field by field is journaled as one refused whole.
        cli.WriteConfig("a.prg", OpenConfigA());
        for (const QStringList& band : {QStringList{"100", "120"}, QStringList{"150", "145"}}) {
            const Result refused = cli.Sim(QStringList{"program", "a.prg", "--band"} + band);
            QCOMPARE(refused.status, 2);
            QVERIFY(cli.Journal().constLast().contains(
                ";program;refused;" + refused.err.trimmed().split(QChar(10)).constLast()));
            QCOMPARE(cli.Journal().constLast().split(';')[11], QString("0.0")); // no frame
        }
    }

    void userFirmwareAndBand() {
        Cli cli;
        RadioConfig c = OpenConfigA();
        c.software = 1;
        cli.WriteConfig("user.prg", c);
        QVERIFY(QFile::copy(QString(ZEKT_DEMO_DIR) + "/WORK/St610.hex", cli.Path("rpt611.hex")));
        const Result r =
            cli.Sim({"program", "user.prg", "--firmware", "rpt611.hex", "--band", "144", "174"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.contains(msg::kConnectDevice));
        const ChipMemory chip = cli.Radio();
        QCOMPARE(int(chip.idWords[0]), 0x10D7);
        QCOMPARE(int(chip.idWords[3]) & 0x80, 0x80); // the operator's band
        QCOMPARE(int(chip.data[0xF4]), 0xD9);        // 174 MHz = 0xD980
    }

    void faultEndsInTheRunMessage() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        const Result r = cli.Sim({"--sim-fault", "fail-word@101", "program", "a.prg"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("Ошибка программирования памяти программ по адресу: 101"));
        const Result verify = cli.Sim({"--sim-fault", "stuck-bit@7936:0", "program", "a.prg"});
        QCOMPARE(verify.status, 1);
        QVERIFY(verify.err.contains("Ошибка при верификации памяти программ по адресу: "
                                    "7936записанное значение: 154 прочитанное значение: 155"));

        // Frequency writing reads its page back too.
        QVERIFY(QFile::remove(cli.Path("radio.hex")));
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const Result frequencies =
            cli.Sim({"--sim-fault", "stuck-bit@7936:0", "write-frequencies", "a.prg"});
        QCOMPARE(frequencies.status, 1);
        QVERIFY(frequencies.err.contains("по адресу: 7936записанное значение: 154"));
    }

    // Firmware a 14-bit chip cannot hold is refused before the radio is
    // erased: after the programmer test, no frame reaches the unit.
    void wideFirmwareWordLeavesTheRadioAlone() {
        Cli cli;
        RadioConfig c = OpenConfigA();
        c.software = 1;
        cli.WriteConfig("user.prg", c);
        QCOMPARE(
            cli.Sim({"program", "user.prg", "--firmware", ZEKT_DEMO_DIR "/WORK/St611.hex"}).status,
            0);
        const ChipMemory before = cli.Radio();
        cli.files.Write("wide.hex", ":02000200FFFFFE\n:00000001FF\n");
        const Result r =
            cli.Sim({"--trace", "t.txt", "program", "user.prg", "--firmware", "wide.hex"});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(msg::kFirmwareNotLoaded));
        QVERIFY2(r.err.contains("wide.hex: слово программы шире 14 бит"),
                 qPrintable(r.err)); // which file, and why
        QVERIFY(cli.Radio().code == before.code);
        const int sent = QString::fromUtf8(cli.Contents("t.txt")).count("TX 80 bytes");
        QCOMPARE(cli.Sim({"--trace", "test.txt", "test"}).status, 0);
        QCOMPARE(sent, QString::fromUtf8(cli.Contents("test.txt")).count("TX 80 bytes"));
    }

    void traceMarksTimeouts() {
        Cli cli;
        const Result r = cli.Sim({"--trace", "t.txt", "--sim-fault", "timeout@4", "test"});
        QCOMPARE(r.status, 1);
        const QString trace = QString::fromUtf8(cli.Contents("t.txt"));
        QVERIFY2(trace.contains("device 0: \"ZEKT USB Programmator\""), qPrintable(trace));
        QVERIFY(trace.contains("TX 80 bytes: 16 00 00 11 02 03"));
        QVERIFY(trace.contains("RX 80 bytes: 16 00 00 11"));
        QVERIFY(trace.contains("RX  0 bytes TIME-OUT"));
        QVERIFY(trace.contains(" ms  "));
    }

    // Inputs that are not whole regular files are refused before anything is
    // sent; other line ends and a byte-order mark program the same radio.
    void configurationInputs() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        const std::string whole = cli.Contents("a.prg").toStdString();
        QCOMPARE(mkfifo(cli.files.Path("fifo.prg").c_str(), 0600), 0);
        QVERIFY(QDir().mkdir(cli.Path("folder.prg")));
        const struct {
            const char* file;
            std::string text; // written unless empty-named
            const char* says;
        } refused[] = {
            {"empty.prg", "", "строке 1"},
            {"six.prg", "0 0 0 0 0 0\r\n", "строке 1"},
            {"cut.prg", whole.substr(0, whole.size() / 2), "обрезан"},
            {"fifo.prg", {}, "не обычный файл"},
            {"folder.prg", {}, "не обычный файл"},
            {"/dev/zero", {}, "не обычный файл"},
        };
        for (const auto& r : refused) {
            if (!r.text.empty() || QString(r.file).startsWith("empty")) {
                cli.files.Write(r.file, r.text);
            }
            const Result result = cli.Sim({"program", r.file});
            QVERIFY2(result.status == 2 && result.err.contains(r.says), qPrintable(result.err));
            QVERIFY(result.err.contains(QString(r.file).section('/', -1)));
            QVERIFY(!QFile::exists(cli.Path("radio.hex")) || cli.Radio().idWords[0] == 0x3FFF);
        }
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const ChipMemory reference = cli.Radio();
        QString crOnly = QString::fromStdString(whole);
        crOnly.replace("\r\n", "\r");
        for (const std::string& text : {"\xEF\xBB\xBF" + whole, crOnly.toStdString()}) {
            QVERIFY(QFile::remove(cli.Path("radio.hex")));
            cli.files.Write("variant.prg", text);
            QCOMPARE(cli.Sim({"program", "variant.prg"}).status, 0);
            QVERIFY(cli.Radio().data == reference.data);
        }
    }

    // Saved and backed-up files: never a partial read, never through a
    // planted name, never over what may not be replaced.
    void outputsKeepOldFiles() {
        Cli cli;
        cli.files.Write("OLD.prg", "old");
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        QCOMPARE(cli.Sim({"--sim-fault", "unplug@30", "read", "--save", "OLD.prg"}).status, 1);
        QCOMPARE(cli.Contents("OLD.prg"), QByteArray("old"));

        cli.files.Write("victim", "keep");
        QCOMPARE(symlink("victim", cli.files.Path("copy.hex.part").c_str()), 0);
        QCOMPARE(cli.Sim({"backup", "copy.hex"}).status, 0);
        QCOMPARE(cli.Contents("victim"), QByteArray("keep"));

        const std::string readOnly = cli.files.Write("ro.hex", "old");
        chmod(readOnly.c_str(), 0444);
        QCOMPARE(mkfifo(cli.files.Path("fifo.hex").c_str(), 0600), 0);
        for (const char* out : {"ro.hex", "fifo.hex"}) {
            const Result r = cli.Sim({"backup", out});
            QCOMPARE(r.status, 2);
            QVERIFY(r.err.contains(out));
        }
        QCOMPARE(cli.Contents("ro.hex"), QByteArray("old"));

        // A full disk (here a file-size limit) names the reason and leaves
        // no temporary file.
        const QStringList before = QDir(cli.Path("")).entryList(QDir::Files | QDir::Hidden);
        QProcess shell;
        shell.setWorkingDirectory(cli.Path(""));
        shell.start("bash", {"-c", "ulimit -f 0; exec \"$0\" --simulate radio.hex backup big.hex",
                             ZEKT_CLI_PATH});
        QVERIFY(shell.waitForFinished(60000));
        QVERIFY(shell.exitCode() != 0);
        QVERIFY(QString::fromUtf8(shell.readAllStandardError()).contains("нет места на диске"));
        QCOMPARE(QDir(cli.Path("")).entryList(QDir::Files | QDir::Hidden), before);
        // The trace and the simulated radio on a full disk: said once, as such.
        const struct {
            const char* script;
            const char* says;
        } full[] = {
            {"ulimit -f 2; exec \"$0\" --simulate radio.hex --trace t.txt read",
             "трасса записана не полностью. Файл .*: нет места на диске"},
            {"ulimit -f 0; exec \"$0\" --journal '' --simulate new.hex --workdir \"$1\" program "
             "a.prg",
             "состояние радиостанции не сохранено: Файл .*: нет места на диске"},
        };
        for (const auto& [script, says] : full) {
            shell.start("bash", {"-c", script, ZEKT_CLI_PATH, ZEKT_DEMO_DIR});
            QVERIFY(shell.waitForFinished(60000));
            const QString err = QString::fromUtf8(shell.readAllStandardError());
            QVERIFY2(err.count(QRegularExpression(says)) == 1, qPrintable(err));
        }

        // Started in a folder that was deleted: a message, not an abort.
        shell.start("bash", {"-c",
                             "mkdir gone && cd gone && rmdir ../gone && exec \"$0\" "
                             "export-csv a.prg",
                             ZEKT_CLI_PATH});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.exitCode(), 2);
        QVERIFY(QString::fromUtf8(shell.readAllStandardError()).contains("папка недоступна"));

        // A radio that could not be kept is refused before anything is sent.
        const Result lost = cli.Run({"--simulate", "no/such/radio.hex", "test"});
        QCOMPARE(lost.status, 2);
        QVERIFY(lost.err.contains("no/such/radio.hex"));
        QCOMPARE(cli.Run({"--simulate", "r.hex", "--workdir", "absent", "test"}).status, 2);
    }

    // verify: equal, different (a table of what differs, exit 3), failed.
    void verifyComparesTheRadioWithTheFile() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const Result same = cli.Sim({"verify", "a.prg"});
        QCOMPARE(same.status, 0);
        QCOMPARE(same.out, QString());

        RadioConfig changed = OpenConfigA();
        changed.channels[2].rx = "150";
        changed.tonePair = 1 - changed.tonePair;
        cli.WriteConfig("b.prg", changed);
        const Result different = cli.Sim({"verify", "b.prg"});
        QCOMPARE(different.status, 3);
        QVERIFY2(different.out.contains(QRegularExpression("Канал 3, приём +150,5 +150\n")),
                 qPrintable(different.out));
        QVERIFY(different.out.contains("Частота тонального вызова"));
        QCOMPARE(different.out.count('\n'), 3);         // the heading and two differences
        cli.WriteConfig("p.prg", reference::ConfigA()); // sets read protection
        const Result protection = cli.Sim({"verify", "p.prg"});
        QCOMPARE(protection.status, 3);
        QVERIFY(protection.out.contains(QRegularExpression("Защита от чтения +нет +да\n")));

        QCOMPARE(cli.Sim({"--sim-fault", "unplug@8", "verify", "a.prg"}).status, 1);
        QCOMPARE(cli.Sim({"verify", "absent.prg"}).status, 2);
        const QStringList journal = cli.Journal(); // a refused file touches no radio
        QCOMPARE(journal.size(), 5);
        QVERIFY(journal[1].contains(";verify;ok;"));
        QVERIFY(journal[2].contains(";verify;failed;"));
        QVERIFY(journal[3].contains(";verify;failed;"));
        QVERIFY(journal[4].contains(";verify;failed;"));
    }

    // Every run is a journal line; a read and the programming before it
    // hash the radio's configuration alike, and the read is kept.
    // The bench's own journal looked up: the runs of one file's
    // configuration (the read of the radio it went into included), one run
    // in full with its copy, and each mistake with its status.
    void journalLookupOnTheBench() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        RadioConfig other = OpenConfigA();
        other.tonePair = 1 - other.tonePair;
        cli.WriteConfig("b.prg", other);
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0); // journal line 2
        QCOMPARE(cli.Sim({"read"}).status, 0);             // 3
        QCOMPARE(cli.Sim({"program", "b.prg"}).status, 0); // 4
        const QStringList found = cli.Run({"journal", "--config", "a.prg", "--csv"})
                                      .out.split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(found.size(), 3); // the header, the programming with a.prg and the read
        QVERIFY(found[0].startsWith("id;bench;operator;time;program;"));
        QCOMPARE(found[1].section(';', 0, 0), QString("2"));
        QCOMPARE(found[1].section(';', 3), cli.Journal()[0]);
        QCOMPARE(found[2].section(';', 0, 0), QString("3"));
        const Result shown = cli.Run({"journal", "show", "3", "--save", "copy.prg"});
        QCOMPARE(shown.status, 0);
        QVERIFY(shown.out.contains("Копия радиостанции      есть"));
        QFile kept(cli.Journal()[1].split(';')[5]);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(cli.Contents("copy.prg"), kept.readAll());
        // A journal named relative to the working folder finds its copies too.
        QCOMPARE(cli.Sim({"--journal", "rel.csv", "read"}).status, 0);
        QVERIFY(cli.Run({"--journal", "rel.csv", "journal", "show", "2"})
                    .out.contains("Копия радиостанции      есть"));
        // A backup's copy is its file, while that is still the one recorded.
        QCOMPARE(cli.Sim({"backup", "b.hex"}).status, 0); // 5
        QCOMPARE(cli.Run({"journal", "show", "5", "--save", "backup.prg"}).status, 0);
        QCOMPARE(cli.Sim({"read", "--save", "now.prg"}).status, 0);
        QCOMPARE(cli.Contents("backup.prg"), cli.Contents("now.prg"));
        cli.files.Write("b.hex", ":00000001FF\n"); // another file by now
        QCOMPARE(cli.Run({"journal", "show", "5", "--save", "gone.prg"}).status, 1);
        const struct {
            QStringList args;
            int status;
        } mistakes[] = {
            {{"journal", "show", "2", "--save", "none.prg"}, 1}, // a program run keeps no copy
            {{"journal", "show", "99"}, 1},
            {{"journal", "--since", "2026-02-30"}, 2},
            // An empty filter is a mistake, not no filter.
            {{"journal", "--since", ""}, 2},
            {{"journal", "--until", ""}, 2},
            {{"journal", "--bench", ""}, 2},
            {{"journal", "--result", ""}, 2},
            {{"journal", "--radio", ""}, 2},
            {{"journal", "report", "--since", "", "--html", "r.html"}, 2},
            {{"journal", "--config", "missing.prg"}, 2},
            {{"--journal", "", "journal"}, 2},
        };
        for (const auto& [args, status] : mistakes) {
            QVERIFY2(cli.Run(args).status == status, qPrintable(args.join(' ')));
        }
        QVERIFY(cli.Contents("none.prg").isEmpty());
    }

    // Records that waited beside a journal held open: `journal` says they
    // are not in it yet, and `journal sync` without a shared journal moves
    // them in, in their order, once.
    void journalSyncWithoutADatabase() {
        Cli cli;
        QCOMPARE(cli.Sim({"read"}).status, 1); // a blank radio, journaled all the same
        const QString line = cli.Journal().constLast();
        QStringList waiting;
        for (const char* radio : {"P-1", "P-2"}) {
            QStringList fields = line.split(';');
            fields[kRadioColumn] = radio;
            waiting << fields.join(';');
        }
        cli.files.Write("xdg/zekt-programmer/journal-pending.txt",
                        (waiting.join("\r\n") + "\r\n").toStdString());
        const Result lookup = cli.Run({"journal"});
        QCOMPARE(lookup.status, 0);
        QVERIFY2(lookup.out.contains("ещё не в журнале этого места: 2"), qPrintable(lookup.out));
        for (int round = 0; round < 2; ++round) {
            const Result sync = cli.Run({"journal", "sync"});
            QCOMPARE(sync.status, 0);
            QCOMPARE(sync.out.contains("дописаны в него: 2"), round == 0);
            QVERIFY2(sync.out.contains("Общий журнал не задан"), qPrintable(sync.out));
            QCOMPARE(cli.Journal(), (QStringList{line} + waiting));
        }
        QVERIFY(!QFile::exists(cli.Path("xdg/zekt-programmer/journal-pending.txt")));
        QVERIFY(!cli.Run({"journal"}).out.contains("ещё не в журнале"));
    }

    // A field's control characters and bytes that are no UTF-8 are printed
    // spelled out, in the table, the CSV and the report alike, and the text
    // \xFF is told from the byte; nothing reaches the terminal raw.
    void journalFieldsSpelledOut() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const QString journal = "xdg/zekt-programmer/journal.csv";
        QByteArray lines = cli.Contents(journal);
        lines.replace(";SIM1;", ";S\x1b[31m\xff\\xFF;");
        cli.files.Write(journal.toStdString(), lines.toStdString());
        const QString spelled = "S\\x1B[31m\\xFF\\\\xFF";
        const struct {
            QStringList args;
            QString output; // empty: standard output
        } lookups[] = {{{"journal"}, ""},
                       {{"journal", "--csv"}, ""},
                       {{"journal", "report", "--html", "r.html"}, "r.html"}};
        for (const auto& [args, output] : lookups) {
            const Result r = cli.Run(args);
            QCOMPARE(r.status, 0);
            const QString out = output.isEmpty() ? r.out : QString::fromUtf8(cli.Contents(output));
            QVERIFY2(out.contains(spelled), qPrintable(args.join(' ') + ": " + out));
            QVERIFY2(!out.contains(QChar(0x1b)) && !out.contains(QChar(0xFFFD)),
                     qPrintable(args.join(' ')));
        }
    }

    void journalOfRuns() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        QCOMPARE(cli.Sim({"read"}).status, 0);
        QCOMPARE(cli.Sim({"--journal", "", "read"}).status, 0);
        QCOMPARE(cli.Sim({"--journal", "/proc/none/j.csv", "test"}).status, 0);
        const Result unwritable = cli.Sim({"--journal", "/proc/none/j.csv", "read"});
        QCOMPARE(unwritable.status, kExitRecordLost); // the radio was read, not recorded
        QCOMPARE(unwritable.err.count("/proc/none/j.csv"), 1);
        const QStringList journal = cli.Journal();
        QCOMPARE(journal.size(), 2);
        const QStringList program = journal[0].split(';');
        const QStringList read = journal[1].split(';');
        QCOMPARE(program.mid(1, 3), (QStringList{"zekt-cli", "program", "ok"}));
        QCOMPARE(program[5], cli.Path("a.prg"));
        QCOMPARE(program[6],
                 QString(QCryptographicHash::hash(cli.Contents("a.prg"), QCryptographicHash::Sha256)
                             .toHex()));
        QVERIFY(program[8].endsWith("/WORK/St611.hex"));
        QCOMPARE(read.mid(1, 3), (QStringList{"zekt-cli", "read", "ok"}));
        // unit, latency timer, no radio number, and an id of each record's own
        QCOMPARE(program.mid(12, 3), (QStringList{"SIM1", "default", ""}));
        QCOMPARE(read.mid(12, 3), (QStringList{"SIM1", "default", ""}));
        QVERIFY(program[kIdColumn].contains(QRegularExpression("^[^/]+/[-0-9T:+]+/[0-9A-F]{32}$")));
        QVERIFY(read[kIdColumn].contains(QRegularExpression("/[0-9A-F]{32}$")));
        QVERIFY(read[kIdColumn] != program[kIdColumn]);
        QCOMPARE(read[7], program[7]);
        QVERIFY(read[5].contains("/xdg/zekt-programmer/radios/"));
        // The kept file holds the radio's bytes: the same channel table.
        QCOMPARE(cli.Run({"export-csv", read[5]}).out, cli.Run({"export-csv", "a.prg"}).out);

        // The latency timer: the settings file's, the option over it, and a
        // refused setting that leaves the chip's own with a warning.
        cli.files.Write("config/zekt-programmer/settings.conf", "# workshop\nusb-latency = 2\n");
        QCOMPARE(cli.Sim({"read"}).status, 0);
        QCOMPARE(cli.Sim({"--usb-latency", "9", "read"}).status, 0);
        const Result refused = cli.Sim({"--usb-latency=3", "--sim-fault", "latency", "read"});
        QCOMPARE(refused.status, 0);
        QCOMPARE(refused.err.count("Таймер задержки USB (3 мс) не установлен"), 1);
        cli.files.Write("config/zekt-programmer/settings.conf", "usb-latency = 300\n");
        const Result badSetting = cli.Sim({"read"});
        QCOMPARE(badSetting.status, 0);
        QVERIFY(badSetting.err.contains("settings.conf: строка 1: usb-latency"));
        QStringList latencies;
        for (const QString& line : cli.Journal().mid(2)) {
            latencies << line.split(';')[kLatencyColumn];
        }
        QCOMPARE(latencies, (QStringList{"2", "9", "default", "default"}));
    }

    // Several units: listed, chosen by serial number or its end, a busy one
    // refused, and one radio on each at once; a unit unplugged mid-run
    // leaves the other's radio programmed and verified.
    void severalUnits() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        const QStringList two = {"--simulate", "a.hex",     "--simulate",
                                 "b.hex",      "--workdir", ZEKT_DEMO_DIR};
        const Result listed = cli.Run(two + QStringList{"--sim-fault", "SIM2:busy", "units"});
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out, QString("SIM1                sim       свободен\n"
                                     "SIM2                sim       занят\n"));
        const struct {
            QStringList args;
            int status;
            const char* says;
        } choices[] = {
            {{"--unit", "SIM2", "test"}, 0, ""},
            {{"--unit", "2", "test"}, 0, ""},
            {{"--unit", "sim", "test"}, 2, "подходят несколько"},
            {{"--unit", "9", "test"}, 1, "не найдено (--unit 9)"},
            {{"--sim-fault", "SIM2:busy", "--unit", "2", "test"}, 1, "SIM2 (sim) занят"},
            {{"--sim-fault", "SIM1:busy", "test"}, 1, "SIM1 (sim) занят"}, // the first, taken
            {{"--sim-fault", "SIM1:open", "test"}, 1, "не найдено"},       // not opened, not busy
        };
        for (const auto& [args, status, says] : choices) {
            const Result r = cli.Run(two + args);
            QCOMPARE(r.status, status);
            QVERIFY2(r.err.contains(says), qPrintable(r.err));
            // Only a held unit is called busy, and by its name, not the driver's raw status.
            QCOMPARE(r.err.contains("занят"), QString(says).contains("занят"));
            QVERIFY2(!QString(says).contains("занят") || !r.err.contains("Неверный указатель"),
                     qPrintable(r.err));
        }

        const Result both =
            cli.Run(two + QStringList{"--all-units", "--sim-delay", "1", "program", "a.prg"});
        QCOMPARE(both.status, 0);
        QVERIFY(both.err.contains("[SIM1] Программирование памяти программ..."));
        QVERIFY(both.err.contains("[SIM2] Программирование памяти программ..."));
        QCOMPARE(cli.Run(two + QStringList{"--unit", "1", "--unit", "2", "verify", "a.prg"}).status,
                 0);

        const Result cut = cli.Run(
            QStringList{"--simulate", "c.hex", "--simulate", "d.hex", "--workdir", ZEKT_DEMO_DIR,
                        "--sim-fault", "SIM1:unplug@200", "--all-units", "program", "a.prg"});
        QCOMPARE(cut.status, 1);
        QVERIFY2(QRegularExpression("SIM1 +ошибка").match(cut.out).hasMatch(), qPrintable(cut.out));
        QVERIFY(QRegularExpression("SIM2 +успешно").match(cut.out).hasMatch());
        const Result verified = cli.Run(
            {"--simulate", "c.hex", "--simulate", "d.hex", "--unit", "SIM2", "verify", "a.prg"});
        QCOMPARE(verified.status, 0);
        QStringList units;
        for (const QString& line : cli.Journal()) {
            const QStringList f = line.split(';');
            units << f[2] + " " + f[3] + " " + f[12];
        }
        units.sort();
        QCOMPARE(units.filter("program"), (QStringList{"program failed SIM1", "program ok SIM1",
                                                       "program ok SIM2", "program ok SIM2"}));
    }

    // The result names how far a command got; the seconds are the runs',
    // not the time a question stayed open.
    void journalOfEachStage() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        std::string noVersion = cli.Contents("a.prg").toStdString();
        noVersion[noVersion.find('\r') - 1] = '7';
        cli.files.Write("noversion.prg", noVersion);
        const struct {
            QStringList args;
            int status;
            const char* result;
        } stages[] = {
            {{"read"}, 1, ";read;failed;"}, // a blank radio: the unit answered
            {{"program", "noversion.prg"}, 2, ";program;refused;"},
            {{"--sim-fault", "unplug@1", "program", "a.prg"}, 1, ";program;failed;"},
            {{"--sim-fault", "fail-word@101", "program", "a.prg"}, 1, ";program;failed;"},
            {{"--sim-fault", "unplug@1", "read"}, 1, ";read;failed;"},
            {{"--sim-fault", "busy", "read"}, 1, ";read;failed;"},
            {{"--sim-fault", "busy", "--unit", "SIM1", "read"}, 1, ";read;failed;"},
        };
        for (const auto& [args, status, result] : stages) {
            const qsizetype before = cli.Journal().size();
            QCOMPARE(cli.Sim(args).status, status);
            QCOMPARE(cli.Journal().size(), before + 1);
            QVERIFY2(cli.Journal().constLast().contains(result), qPrintable(cli.Journal().last()));
        }
        // A table that never arrived is no read done; a radio that could not
        // be kept is refused before any run.
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        QProcess full;
        cli.Prepare(full);
        full.setStandardOutputFile("/dev/full");
        full.start(ZEKT_CLI_PATH, {"--simulate", "radio.hex", "read"});
        QVERIFY(full.waitForFinished(60000));
        QCOMPARE(full.exitCode(), 2);
        QVERIFY(cli.Journal().constLast().contains(";read;failed;стандартный вывод не записан"));
        QFile::setPermissions(cli.Path("radio.hex"), QFile::ReadOwner);
        const qsizetype before = cli.Journal().size();
        const Result readOnly = cli.Sim({"read"});
        QFile::setPermissions(cli.Path("radio.hex"), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(readOnly.status, 2);
        QVERIFY2(readOnly.err.contains("radio.hex"), qPrintable(readOnly.err));
        QCOMPARE(cli.Journal().size(), before);

        QProcess p;
        cli.Prepare(p);
        p.start(ZEKT_CLI_PATH, {"--simulate", "radio.hex", "--workdir", ZEKT_DEMO_DIR, "program",
                                "a.prg", "--repeat"});
        QVERIFY(p.waitForStarted());
        // Once the question after the first radio shows, the operator takes
        // a while to fetch the next one: that time is no radio's.
        QByteArray said;
        p.setReadChannel(QProcess::StandardError);
        while (!said.contains(msg::kProgNextQuestion) && p.waitForReadyRead(60000)) {
            said += p.readAllStandardError();
        }
        QVERIFY(said.contains(msg::kProgNextQuestion));
        // Longer than a radio takes on any machine: counted, it would show.
        constexpr int kFetchingMs = 3000;
        QTest::qWait(kFetchingMs);
        p.write("\nn\n");
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList second = cli.Journal().constLast().split(';');
        QVERIFY2(second[kSecondsColumn].toDouble() * 1000 < kFetchingMs,
                 qPrintable(second[kSecondsColumn]));
    }

    void channelTablesAsCsv() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        const QByteArray original = cli.Contents("a.prg");
        const Result exported = cli.Run({"export-csv", "a.prg"});
        QCOMPARE(exported.status, 0);
        QVERIFY(exported.out.startsWith(QString(kChannelCsvHeader) + "\r\n1;"));
        QCOMPARE(cli.Run({"export-csv", "a.prg", "a.csv"}).status, 0);
        QCOMPARE(cli.Contents("a.csv"), exported.out.toUtf8());
        // Standard output named as the file: written into it, never renamed over.
        QCOMPARE(cli.Run({"export-csv", "a.prg", "/dev/stdout"}).out, exported.out);
        QProcess redirected;
        cli.Prepare(redirected);
        redirected.setStandardOutputFile(cli.Path("out.csv"));
        redirected.start(ZEKT_CLI_PATH, {"export-csv", "a.prg", "/dev/stdout"});
        QVERIFY(redirected.waitForFinished(60000));
        QCOMPARE(redirected.exitCode(), 0);
        QCOMPARE(cli.Contents("out.csv"), exported.out.toUtf8());
        QCOMPARE(cli.Run({"import-csv", "a.csv", "a.prg"}).status, 0);
        QCOMPARE(cli.Contents("a.prg"), original);

        QString edited = exported.out;
        edited.replace("\r\n3;", "\r\n3;151;151;да;67\r\nX;");
        cli.files.Write("bad.csv", edited.toStdString());
        const Result bad = cli.Run({"import-csv", "bad.csv", "a.prg"});
        QCOMPARE(bad.status, 2);
        QVERIFY2(bad.err.contains("bad.csv, строка 5"), qPrintable(bad.err));
        QCOMPARE(cli.Contents("a.prg"), original);
    }

    // A signal in a run stops it at the next frame: the End frame goes out,
    // the unit is closed, the radio is saved and the journal says
    // "cancelled"; the exit status is 128 + the signal.
    void signalsStopARunCleanly() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        const struct {
            QStringList command;
            const char* step; // the signal comes once this step is shown
            int signal;
        } cases[] = {
            {{"read"}, msg::kCaptionReadData, SIGINT},
            {{"program", "a.prg"}, msg::kCaptionProgCode, SIGINT},
            {{"program", "a.prg"}, msg::kCaptionVerifyData, SIGTERM},
            {{"backup", "b.hex"}, msg::kCaptionReadCode, SIGTERM},
        };
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0); // a radio to read
        for (const auto& [command, step, signal] : cases) {
            QProcess p;
            cli.Prepare(p);
            p.start(ZEKT_CLI_PATH, QStringList{"--simulate", "radio.hex", "--sim-delay", "5",
                                               "--workdir", ZEKT_DEMO_DIR, "--trace", "t.txt"} +
                                       command);
            p.setReadChannel(QProcess::StandardError);
            QString err;
            while (!err.contains(step) && p.waitForReadyRead(20000)) {
                err += QString::fromUtf8(p.readAllStandardError());
            }
            QVERIFY2(err.contains(step) && p.processId() > 0, qPrintable(err));
            ::kill(static_cast<pid_t>(p.processId()), signal);
            QVERIFY2(p.waitForFinished(20000), qPrintable(err));
            err += QString::fromUtf8(p.readAllStandardError());
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), 128 + signal);
            QVERIFY2(err.contains("прервана"), qPrintable(err));
            QVERIFY(cli.Journal().constLast().contains(";cancelled;"));
            const QStringList trace =
                QString::fromUtf8(cli.Contents("t.txt")).split('\n', Qt::SkipEmptyParts);
            QVERIFY(trace.constLast().contains("close (status 0)"));
            QVERIFY(trace[trace.size() - 3].contains("TX 80 bytes: 16 00 40 11")); // End
            QCOMPARE(
                QDir(cli.Path("")).entryList(QStringList{".*.??????"}, QDir::Files | QDir::Hidden),
                QStringList());
            QVERIFY(QFile::exists(cli.Path("radio.hex")));
        }
    }

    // A second signal ends the process at once, even with the unit hung in
    // an exchange, and still leaves the run's one "cancelled" line and no
    // temporary file; the output is absent, never half there.
    void aSecondSignalStillLeavesTheRecord() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0); // a radio to read
        const QByteArray radio = cli.Contents("radio.hex");
        const struct {
            QStringList command;
            const char* step;  // the first signal comes once this step is shown
            QStringList fault; // else once the unit hangs in this frame
        } cases[] = {
            {{"program", "a.prg"}, msg::kCaptionProgCode, {}},
            {{"write-frequencies", "a.prg"}, msg::kCaptionVerifyData, {}},
            {{"read", "--save", "OUT"}, msg::kCaptionReadData, {}},
            {{"backup", "OUT"}, msg::kCaptionReadCode, {}},
            // The unit hangs for seconds in the exchange the signals come in.
            {{"program", "a.prg"}, nullptr, {"--sim-fault", "slow@40"}},
            {{"read", "--save", "OUT"}, nullptr, {"--sim-fault", "slow@30"}},
        };
        int trial = 0;
        for (const auto& [command, step, fault] : cases) {
            for (const int apartMs : {1, 7, 20}) {
                const QString dir = QString("insist%1/").arg(++trial);
                cli.files.Write((dir + "radio.hex").toStdString(), radio.toStdString());
                QStringList args = command;
                args.replaceInStrings("OUT", dir + "out");
                QProcess p;
                cli.Prepare(p);
                p.start(ZEKT_CLI_PATH, QStringList{"--simulate", dir + "radio.hex", "--sim-delay",
                                                   "5", "--workdir", ZEKT_DEMO_DIR, "--journal",
                                                   dir + "j.csv", "--trace", dir + "t.txt"} +
                                           fault + args);
                p.setReadChannel(QProcess::StandardError);
                QString err;
                while (step != nullptr && !err.contains(step) && p.waitForReadyRead(20000)) {
                    err += QString::fromUtf8(p.readAllStandardError());
                }
                QVERIFY2(step == nullptr || err.contains(step), qPrintable(err));
                if (!fault.isEmpty()) { // the frame is out, its reply seconds away
                    const int frame = fault[1].section('@', 1).toInt();
                    QTRY_VERIFY_WITH_TIMEOUT(
                        cli.Contents(dir + "t.txt").count("TX 80 bytes") == frame, 20000);
                }
                ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
                QThread::msleep(static_cast<unsigned long>(apartMs));
                ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
                QVERIFY(p.waitForFinished(20000));
                const QString what =
                    args.join(' ') + " " + fault.join(' ') + QString(", %1 ms apart").arg(apartMs);
                const QStringList lines = QString::fromUtf8(cli.Contents(dir + "j.csv"))
                                              .split("\r\n", Qt::SkipEmptyParts)
                                              .mid(1);
                QVERIFY2(lines.size() == 1 && lines[0].contains(";cancelled;"),
                         qPrintable(what + "\n" + lines.join('\n')));
                QVERIFY2(QDir(cli.Path(qPrintable(dir)))
                             .entryList(QStringList{".*.??????"}, QDir::Files | QDir::Hidden)
                             .isEmpty(),
                         qPrintable(what));
                QVERIFY2(!QFile::exists(cli.Path(qPrintable(dir + "out"))), qPrintable(what));
                if (!fault.isEmpty()) { // ended without waiting for the hung reply
                    QVERIFY2(!cli.Contents(dir + "t.txt")
                                  .trimmed()
                                  .split('\n')
                                  .constLast()
                                  .contains("close (status"),
                             qPrintable(what));
                }
            }
        }
    }

    // A stop request once the run's last frame is out (during the final
    // writes) interrupted nothing: status 0 and "ok". At the next-radio
    // question it ends the series as "n" would, whatever the signal.
    void lateStopsChangeNothing() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        const QByteArray radio = cli.Contents("radio.hex");
        const struct {
            QStringList command;
            int signal;
        } cases[] = {{{"program", "a.prg"}, SIGTERM},
                     {{"read", "--save", "OUT"}, SIGHUP},
                     {{"backup", "OUT"}, SIGINT},
                     {{"read"}, SIGTERM}};
        const auto frames = [&](const QString& trace) {
            return static_cast<int>(cli.Contents(trace).count("TX 80 bytes"));
        };
        std::vector<std::unique_ptr<QProcess>> runs;
        std::vector<int> lastFrame;
        for (std::size_t k = 0; k < std::size(cases); ++k) {
            const QString dir = QString("late%1/").arg(k);
            cli.files.Write((dir + "radio.hex").toStdString(), radio.toStdString());
            QStringList args = cases[k].command;
            args.replaceInStrings("OUT", dir + "out");
            args = QStringList{"--simulate", dir + "radio.hex", "--workdir", ZEKT_DEMO_DIR,
                               "--journal",  dir + "j.csv",     "--trace",   dir + "t.txt"} +
                   args;
            QCOMPARE(cli.Run(args).status, 0); // a clean run: how many frames
            lastFrame.push_back(frames(dir + "t.txt"));
            runs.push_back(std::make_unique<QProcess>());
            cli.Prepare(*runs.back());
            args.replaceInStrings("t.txt", "late.txt");
            runs.back()->start(
                ZEKT_CLI_PATH,
                QStringList{"--sim-fault", QString("slow@%1").arg(lastFrame.back())} + args);
        }
        // Each signal comes while its last frame waits for the reply.
        for (std::size_t waiting = std::size(cases); waiting > 0; QTest::qWait(10)) {
            for (std::size_t k = 0; k < std::size(cases); ++k) {
                if (lastFrame[k] > 0 && frames(QString("late%1/late.txt").arg(k)) == lastFrame[k]) {
                    ::kill(static_cast<pid_t>(runs[k]->processId()), cases[k].signal);
                    lastFrame[k] = 0;
                    waiting -= 1;
                }
            }
        }
        for (std::size_t k = 0; k < std::size(cases); ++k) {
            QVERIFY(runs[k]->state() == QProcess::NotRunning || runs[k]->waitForFinished(20000));
            const QString err = QString::fromUtf8(runs[k]->readAllStandardError());
            QVERIFY2(runs[k]->exitCode() == 0 && err.contains("прерывать было уже нечего"),
                     qPrintable(err));
            const QByteArray journal = cli.Contents(QString("late%1/j.csv").arg(k));
            QCOMPARE(journal.count(";ok;"), 2);
        }

        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
            QProcess p;
            cli.Prepare(p);
            p.start(ZEKT_CLI_PATH, {"--simulate", "radio.hex", "--workdir", ZEKT_DEMO_DIR,
                                    "--journal", "series.csv", "program", "a.prg", "--repeat"});
            p.setReadChannel(QProcess::StandardError);
            QString err;
            while (!err.contains(msg::kProgNextQuestion) && p.waitForReadyRead(20000)) {
                err += QString::fromUtf8(p.readAllStandardError());
            }
            ::kill(static_cast<pid_t>(p.processId()), signal);
            QVERIFY2(p.waitForFinished(20000), qPrintable(err));
            QCOMPARE(p.exitCode(), 0);
            QVERIFY(p.readAllStandardOutput().contains(
                "Запрограммировано радиостанций: 1, с ошибкой: 0"));
        }
        QCOMPARE(cli.Contents("series.csv").count(";ok;"), 3);
    }

    // A signal reaches every unit's run, and each unit's line says what its
    // own run came to: one that failed by itself before the signal failed,
    // the one the signal cut short was stopped.
    void aSignalAndEachUnitsOwnResult() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QProcess p;
        cli.Prepare(p);
        p.start(ZEKT_CLI_PATH,
                {"--simulate", "a.hex", "--simulate", "b.hex", "--workdir", ZEKT_DEMO_DIR,
                 "--journal", "units.csv", "--sim-fault", "SIM1:unplug@30", "--sim-fault",
                 "SIM2:slow@40", "--all-units", "program", "a.prg"});
        // Once SIM1's failure is in the journal, while SIM2 waits for a reply.
        QTRY_VERIFY_WITH_TIMEOUT(cli.Contents("units.csv").contains(";failed;"), 20000);
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 128 + SIGTERM);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(out.contains(QRegularExpression("SIM1 +ошибка")), qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression("SIM2 +прервано")), qPrintable(out));
        const QByteArray journal = cli.Contents("units.csv");
        QCOMPARE(journal.count(";failed;"), 1);
        QCOMPARE(journal.count(";cancelled;"), 1);
    }

    // A typed number is judged as it was sent, a NUL byte too; a lookup
    // reads the number as recording does (trimmed, the same rule).
    void radioNumbersJudgedWhole() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        const QByteArray typed("bad\0x\n R-1 \n", 12);
        const Result run = cli.Sim({"--radio-number", "ask", "program", "a.prg", "--yes"}, typed);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err.count("Неверный номер"), 1);
        QCOMPARE(cli.Journal().constLast().split(';')[kRadioColumn], QString("R-1"));
        QVERIFY(cli.Run({"journal", "radio", " R-1\t"}).out.contains("Радиостанция R-1: работ 1"));
        QCOMPARE(cli.Run({"journal", "--radio", " R-1 ", "--csv"}).out.count(";R-1"), 1);
        QCOMPARE(cli.Run({"journal", "--radio", "a*b"}).status, 2);
    }

    // Started under nohup, a run outlives the terminal's hang-up; a
    // termination still stops it.
    void nohupKeepsTheHangUpIgnored() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        for (const int signal : {SIGHUP, SIGTERM}) {
            QProcess p;
            cli.Prepare(p);
            p.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
            QFile::remove(cli.Path("t.txt"));
            p.start(ZEKT_CLI_PATH, {"--simulate", "radio.hex", "--workdir", ZEKT_DEMO_DIR,
                                    "--sim-delay", "2", "--trace", "t.txt", "program", "a.prg"});
            QTRY_VERIFY_WITH_TIMEOUT(cli.Contents("t.txt").count("TX 80 bytes") >= 50, 20000);
            ::kill(static_cast<pid_t>(p.processId()), signal);
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), signal == SIGHUP ? 0 : 128 + SIGTERM);
            QVERIFY(cli.Journal().constLast().contains(signal == SIGHUP ? ";program;ok;"
                                                                        : ";program;cancelled;"));
        }
    }

    // A signal in the last step of a series ends it without the next-radio
    // question, with standard input still open.
    void signalAtTheEndOfASeriesAsksNothing() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QProcess p;
        cli.Prepare(p);
        p.start(ZEKT_CLI_PATH, {"--simulate", "radio.hex", "--sim-delay", "5", "--workdir",
                                ZEKT_DEMO_DIR, "program", "a.prg", "--repeat"});
        p.setReadChannel(QProcess::StandardError);
        QString err;
        while (!err.contains(msg::kCaptionVerifyConfig) && p.waitForReadyRead(20000)) {
            err += QString::fromUtf8(p.readAllStandardError());
        }
        QVERIFY2(err.contains(msg::kCaptionVerifyConfig), qPrintable(err));
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(20000));
        err += QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 128 + SIGTERM);
        QVERIFY2(!err.contains(msg::kProgNextQuestion), qPrintable(err));
    }

    // Standard input closed (as under some service managers): the question
    // after a radio reads the end of the input, not a stray descriptor.
    void closedStandardInputEndsASeries() {
        if (qEnvironmentVariableIsSet("FAKETIME")) {
            QSKIP("under faketime the clock's shared memory takes the closed descriptor 0");
        }
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QProcess shell;
        cli.Prepare(shell);
        shell.start("bash", {"-c",
                             "exec \"$0\" --simulate radio.hex --workdir \"$1\" program a.prg "
                             "--repeat <&-",
                             ZEKT_CLI_PATH, ZEKT_DEMO_DIR});
        QVERIFY(shell.waitForFinished(20000));
        QCOMPARE(shell.exitCode(), 0);
        QCOMPARE(cli.Journal().size(), 1);
    }

    // On a terminal: Enter typed before the question answers nothing (one
    // radio, then the operator's own answer); "n" at the question of a round
    // on several units leaves each unit's line, as one unit's would.
    void terminalQuestions() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        const struct {
            std::vector<const char*> args;
            const char* typedAhead;
            int status;
            const char* line;
            qsizetype lines;
        } cases[] = {
            {{"--simulate", "radio.hex", "program", "a.prg", "--yes", "--repeat"},
             "\n\n",
             0,
             ";program;ok;",
             1},
            {{"--simulate", "a.hex", "--simulate", "b.hex", "--all-units", "program", "a.prg"},
             "",
             1,
             ";program;cancelled;",
             2},
        };
        for (const auto& [args, typedAhead, expected, line, lines] : cases) {
            std::vector<const char*> argv = {ZEKT_CLI_PATH, "--workdir", ZEKT_DEMO_DIR};
            argv.insert(argv.end(), args.begin(), args.end());
            argv.push_back(nullptr);
            int master = -1;
            const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
            if (child == 0) {
                setenv("XDG_DATA_HOME", cli.files.Path("xdg").c_str(), 1);
                if (chdir(cli.files.Path("").c_str()) == 0) {
                    execv(ZEKT_CLI_PATH, const_cast<char* const*>(argv.data()));
                }
                _exit(127);
            }
            QVERIFY(child > 0);
            const auto typed = static_cast<ssize_t>(std::strlen(typedAhead));
            QCOMPARE(write(master, typedAhead, typed), typed); // while the first radio runs
            QString shown;
            char buffer[4096];
            while (!shown.contains("n: отменить]")) { // the question's hint
                const ssize_t n = read(master, buffer, sizeof buffer);
                QVERIFY(n > 0);
                shown += QString::fromUtf8(buffer, static_cast<int>(n));
            }
            QCOMPARE(write(master, "n\n", 2), 2);
            int status = 0;
            while (read(master, buffer, sizeof buffer) > 0) {
            }
            QCOMPARE(waitpid(child, &status, 0), child);
            close(master);
            QCOMPARE(WEXITSTATUS(status), expected);
            QCOMPARE(cli.Journal().filter(line).size(), lines);
        }
    }

    // Radio numbers typed or scanned, one per radio (a bad one asked again,
    // none at the end of the input cancelling), one per unit in the list's
    // order, or turned on by the settings file; the history of one radio
    // marks where its configuration changed.
    void radioNumbersAndTheirHistory() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        RadioConfig other = OpenConfigA();
        other.channels[0].rx = "150.125";
        cli.WriteConfig("b.prg", other);
        const Result series = cli.Sim({"--radio-number", "ask", "program", "a.prg", "--repeat"},
                                      "R-1\n\nбад*\n\tR 2\r\n\nR-1\nn\n");
        QCOMPARE(series.status, 0);
        QCOMPARE(series.err.count("Неверный номер радиостанции"), 1);
        QCOMPARE(cli.Sim({"--radio-number", "R-1", "program", "b.prg", "--yes"}).status, 0);
        QStringList radios;
        for (const QString& line : cli.Journal()) {
            radios << line.split(';')[kRadioColumn];
        }
        QCOMPARE(radios, (QStringList{"R-1", "R 2", "R-1", "R-1"}));
        const Result history = cli.Run({"journal", "radio", "R-1"});
        QCOMPARE(history.status, 0);
        QVERIFY2(history.out.startsWith("Радиостанция R-1: работ 3\n"), qPrintable(history.out));
        const QStringList rows = history.out.split('\n', Qt::SkipEmptyParts).mid(2);
        QCOMPARE(rows.size(), 3);
        QVERIFY(!rows[0].contains("новая") && !rows[1].contains("новая"));
        QVERIFY(rows[2].endsWith("новая конфигурация"));
        QCOMPARE(cli.Run({"journal", "radio", "R-1", "--csv"}).out.count(";program;ok;"), 3);

        const Result none = cli.Sim({"--radio-number", "ask", "read", "--yes"});
        QCOMPARE(none.status, 1);
        QVERIFY(cli.Journal().constLast().contains(";read;cancelled;"));

        const Result units =
            cli.Run({"--simulate", "a.hex", "--simulate", "b.hex", "--workdir", ZEKT_DEMO_DIR,
                     "--all-units", "--radio-number", "ask", "program", "a.prg", "--yes"},
                    "U-1\nU-2\n");
        QCOMPARE(units.status, 0);
        QVERIFY(units.err.indexOf("на программаторе SIM1") <
                units.err.indexOf("на программаторе SIM2"));
        for (const char* unitAndRadio : {";SIM1;default;U-1", ";SIM2;default;U-2"}) {
            QCOMPARE(cli.Journal().filter(unitAndRadio).size(), 1);
        }

        cli.files.Write("config/zekt-programmer/settings.conf", "radio-number = ask\n");
        QCOMPARE(cli.Sim({"read", "--yes"}, "S-9\n").status, 0);
        QCOMPARE(cli.Journal().constLast().split(';')[kRadioColumn], QString("S-9"));
    }

    // --repeat: after each radio the question, answered by standard input;
    // a failed radio does not end the batch; each radio is a journal line.
    void repeatProgramsASeries() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        const Result batch = cli.Sim({"program", "a.prg", "--repeat"}, "\n\nn\n");
        QCOMPARE(batch.status, 0);
        QCOMPARE(batch.err.count(msg::kProgNextQuestion), 3);
        QVERIFY(batch.out.contains("Запрограммировано радиостанций: 3, с ошибкой: 0"));

        const Result failing =
            cli.Sim({"--sim-fault", "unplug@100", "program", "a.prg", "--repeat"}, "\nn\n");
        QCOMPARE(failing.status, 1);
        // The unit stays unplugged: the next radio fails its test too.
        QVERIFY(failing.out.contains("Запрограммировано радиостанций: 0, с ошибкой: 2"));
        const QStringList journal = cli.Journal();
        QCOMPARE(journal.size(), 5);
        QCOMPARE(journal.filter(";program;ok;").size(), 3);

        // Several units, round after round: one question a round, the total
        // at the end, "n" after good rounds a success; a unit unplugged in
        // the first round keeps its name and firmware on every later line.
        const QStringList two = {"--simulate", "a.hex",       "--simulate", "b.hex",
                                 "--workdir",  ZEKT_DEMO_DIR, "--all-units"};
        constexpr int kRounds = 10;
        const Result rounds = cli.Run(two + QStringList{"program", "a.prg", "--repeat"},
                                      QByteArray("\n").repeated(kRounds - 1) + "n\n");
        QCOMPARE(rounds.status, 0);
        QCOMPARE(rounds.err.count(msg::kProgNextQuestion), kRounds);
        QVERIFY(rounds.out.contains("Запрограммировано радиостанций: 20, с ошибкой: 0"));
        const Result unplugged = cli.Run(
            two + QStringList{"--sim-fault", "SIM1:unplug@200", "program", "a.prg", "--repeat"},
            "\n\nn\n");
        QCOMPARE(unplugged.status, 1);
        QVERIFY(unplugged.out.contains("Запрограммировано радиостанций: 3, с ошибкой: 3"));
        const QStringList failed = cli.Journal().filter(";failed;");
        for (const QString& line : failed.mid(failed.size() - 3)) {
            const QStringList f = line.split(';');
            QCOMPARE(f[12], QString("SIM1"));
            QVERIFY2(f[8].endsWith("/WORK/St611.hex"), qPrintable(line));
        }

        // Nowhere to keep a journal: said once, and the radio is programmed.
        QProcess bare;
        bare.setWorkingDirectory(cli.Path(""));
        bare.start("env", {"-u", "HOME", "-u", "XDG_DATA_HOME", ZEKT_CLI_PATH, "--simulate",
                           "radio.hex", "--workdir", ZEKT_DEMO_DIR, "program", "a.prg"});
        QVERIFY(bare.waitForFinished(60000));
        QCOMPARE(bare.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(bare.readAllStandardError()).count("журнал не ведётся"), 1);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "CliTest.moc"
