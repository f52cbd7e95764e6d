// The commands for workshops: whether a radio holds what a file says, and
// channel plans kept in a spreadsheet.
#include "ChannelBand.h"
#include "ChannelTable.h"
#include "ChipMemory.h"
#include "CliCommands.h"
#include "ConfigCompare.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "Console.h"
#include "FileMessages.h"
#include "Journal.h"
#include "PanelTexts.h"
#include "RecordingPrompts.h"
#include "SafeFile.h"
#include "UnitOutput.h"

#include <algorithm>
#include <cstdio>

namespace zekt {

std::size_t Characters(const std::string& text) {
    std::size_t characters = 0;
    for (const char c : text) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return characters;
}

std::string WithDecimalComma(std::string number) {
    std::replace(number.begin(), number.end(), '.', ',');
    return number;
}

std::string Column(const std::string& text, std::size_t width) {
    const std::size_t characters = Characters(text);
    return text + std::string(width > characters ? width - characters : 0, ' ');
}

namespace {

// The build's questions answered from the command line: verifying writes
// nothing, so read protection needs no confirmation.
class FixedAnswers : public BuildQuestions {
public:
    explicit FixedAnswers(std::string firmware) : firmware(std::move(firmware)) {}
    std::optional<std::string> ChooseFirmwareFile() override {
        return firmware.empty() ? std::nullopt : std::optional(firmware);
    }
    bool ConfirmReadProtection() override { return true; }

private:
    std::string firmware;
};

// What programming the file would put into a radio's configuration places.
bool BuildExpected(const CliOptions& options, const RadioConfig& config, Project& expected) {
    if (!BuildDataSaying(config, expected)) {
        return false;
    }
    FixedAnswers answers(options.firmware);
    const IdentificationResult id = BuildIdentification(config, expected, Today(), "", answers);
    if (id.outcome != IdentificationResult::Outcome::Complete) {
        Say(msg::kBadTone);
        return false;
    }
    return true;
}

void PrintDifferences(const std::vector<ConfigDifference>& differences) {
    Print(Out(), "  %s%s%s\n", Column("Настройка", 34).c_str(),
          Column("В радиостанции", 32).c_str(), "В файле");
    for (const ConfigDifference& d : differences) {
        const auto shown = [](const std::string& text) { return text.empty() ? "—" : text; };
        Print(Out(), "  %s%s%s\n", Column(d.setting, 34).c_str(),
              Column(shown(d.inRadio), 32).c_str(), shown(d.inFile).c_str());
    }
}

bool WriteCsvOutput(const std::optional<OutputFile>& output, const std::string& text) {
    if (!output) {
        WriteText(stdout, text);
        return std::fflush(stdout) == 0;
    }
    std::fflush(stdout); // what went before, when the path is standard output
    const FileWrite written = WriteOutput(*output, text);
    if (!written.Ok()) {
        Say(DescribeFileError(output->Path(), written.error));
    }
    return written.Ok();
}

} // namespace

void PrintChannelTable(const ReadBackPanels& panels) {
    Print(Out(), "\n  %s%s%s%s%s\n", Column("Канал", 7).c_str(), Column("Передача", 14).c_str(),
          Column("Приём", 14).c_str(), Column("Сканер", 8).c_str(), "CTCSS, Гц");
    for (int n = 0; n < kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const ChannelConfig& c = panels.config.channels[i];
        const std::string name(1, kChannelNames[n]);
        if (panels.channelEmpty[i]) {
            Print(Out(), "  %s-\n", Column(name, 7).c_str());
            continue;
        }
        Print(Out(), "  %s%s%s%s%s\n", Column(name, 7).c_str(), Column(c.tx, 14).c_str(),
              Column(c.rx, 14).c_str(), Column(panels.ScanText(n), 8).c_str(),
              panels.toneTexts[i].c_str());
    }
}

int VerifyCommand(const CliOptions& options, Session& session) {
    RadioConfig config;
    DataArray data;
    Project expected;
    if (!LoadConfiguration(options.inputFile, config, data) ||
        !ApplyBuildOptions(options, session, config) || !BuildExpected(options, config, expected)) {
        return kExitUsage;
    }
    CommandState state(session, options.firmware);
    CommandJournal journal(session.journal, session.Record(options.inputFile, config.version));
    journal.RecordUnitOf(session.Link());
    state.context.runStarting = [&journal](const std::string& radio) { journal.StartRadio(radio); };
    // Every verdict, "equal" included, from two passes that agree: a garbled
    // reply in a word the comparison skips would still reach the hash.
    RecordingPrompts recording(state.host->Parts().prompts);
    CommandHost host = state.host->Parts();
    const CommandHost recorded{recording, host.runs, host.panels, host.owner};
    const ReadOutcome read = ReadRadio(state.context, recorded);
    if (read.outcome != CommandOutcome::Done) {
        journal.Write(read.outcome == CommandOutcome::Cancelled ? kJournalCancelled
                                                                : kJournalFailed,
                      recording.Outcome(), read.decode ? &session.image : nullptr);
        return kExitFailed;
    }
    const ReadBackPanels radio = DecodeReadBack(session.image, RadioConfig{});
    if (radio.readProtected || ChipProtected(session.image)) {
        // Protected memory reads as zeros: there is nothing to compare.
        Say(msg::kReadProtected);
        journal.Write(kJournalFailed, msg::kReadProtected, &session.image);
        return kExitFailed;
    }
    const std::vector<ConfigDifference> differences =
        CompareConfigurations(radio, DecodeReadBack(expected, RadioConfig{}));
    if (differences.empty()) {
        journal.Write(kJournalOk, "", &session.image);
        return kExitOk;
    }
    PrintDifferences(differences);
    journal.Write(kJournalFailed,
                  "Радиостанция отличается от файла: " + std::to_string(differences.size()),
                  &session.image);
    return kExitDifferent;
}

int ExportCsvCommand(const CliOptions& options) {
    RadioConfig config;
    DataArray data;
    if (!LoadConfiguration(options.inputFile, config, data)) {
        return kExitUsage;
    }
    return WriteCsvOutput(options.output, FormatChannelCsv(config.channels)) ? kExitOk
                                                                             : kExitOutputLost;
}

int ImportCsvCommand(const CliOptions& options) {
    const std::string& csvPath = options.inputFile;
    const std::string& configPath = options.outputFile;
    const FileRead csv = ReadRegularFile(csvPath, kConfigFileLimit);
    if (!csv.Ok()) {
        Say(DescribeFileError(csvPath, csv.error));
        return kExitUsage;
    }
    const ChannelCsvRead table = ParseChannelCsv(csv.bytes);
    if (!table.ok) {
        Say(csvPath + ", строка " + std::to_string(table.line) + ": " + table.error);
        return kExitUsage;
    }
    RadioConfig config;
    DataArray data;
    std::string original;
    if (!LoadConfiguration(configPath, config, data, &original)) {
        return kExitUsage;
    }
    const ChannelImport imported = ImportChannels(config, data, table.channels);
    if (!imported.ok) {
        const int line =
            imported.channel >= 0 ? table.lineOf[static_cast<std::size_t>(imported.channel)] : 0;
        Say(csvPath + ", строка " + std::to_string(line) + ": " + imported.error);
        return kExitUsage;
    }
    const FileWrite written =
        SaveOutput(*options.output, ReplaceConfigFileData(original, imported.data));
    if (!written.Ok()) {
        Say(msg::kCannotCreate);
        Say(DescribeFileError(configPath, written.error));
        return kExitOutputLost;
    }
    // Kept as the table says; no radio will take these until mended.
    config.channels = table.channels;
    if (const std::vector<ChannelFrequency> untunable = UntunableChannels(config);
        !untunable.empty()) {
        Say(UntunableText(msg::kUntunableFile, untunable));
    }
    return kExitOk;
}

} // namespace zekt
