#include "JournalLookup.h"

#include "ChipHexFile.h"
#include "ConfigBuilder.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "Journal.h"
#include "ReadBack.h"
#include "SafeFile.h"

#include <QDateTime>
#include <filesystem>
#include <functional>

namespace zekt {

namespace {

// A lookup builds what programming would, and writes nothing: every
// question is answered yes.
class LookupAnswers : public BuildQuestions {
public:
    std::optional<std::string> ChooseFirmwareFile() override { return "firmware.hex"; }
    bool ConfirmReadProtection() override { return true; }
};

} // namespace

FileConfiguration ConfigurationOfFile(const std::string& path) {
    FileConfiguration found;
    const FileRead read = ReadRegularFile(path, kConfigFileLimit);
    if (!read.Ok()) {
        found.refusal = DescribeFileError(path, read.error);
        return found;
    }
    if (const std::optional<ConfigFileDefect> defect = FindConfigFileDefect(read.bytes)) {
        found.refusal = DescribeConfigFileDefect(path, *defect);
        return found;
    }
    const ParsedConfigFile file = ParseConfigFile(read.bytes);
    const FileReadPlan plan = PlanConfigFileRead(file);
    if (plan.refusal) {
        found.refusal = *plan.refusal;
        return found;
    }
    RadioConfig config;
    ApplyFileOptions(plan, config);
    DataArray data;
    data.fill(kBlankByte);
    ApplyFileData(file, data);
    config.channels = DecodeFileChannels(data, config.version);
    config.bandMode = 0;
    if (const std::optional<FieldProblem> problem = CheckFrequencyFields(config)) {
        found.refusal = path + ": " + problem->message;
        return found;
    }
    Project image;
    const DataBuildResult built = BuildConfigurationData(config, image);
    if (built.outcome != DataBuildResult::Outcome::Complete) {
        found.refusal = path + ": " +
                        (built.outcome == DataBuildResult::Outcome::NotANumber
                             ? built.conversionError
                             : std::string(msg::kSyntaxError));
        return found;
    }
    // The type flags go into the data EEPROM too; the date goes only into
    // the ID words, which the hash leaves out.
    LookupAnswers answers;
    if (BuildIdentification(config, image, ProgDate{}, "", answers).outcome !=
        IdentificationResult::Outcome::Complete) {
        found.refusal = path + ": " + msg::kBadTone;
        return found;
    }
    found.configHash = ConfigurationHash(image);
    found.fileHash = Sha256Hex(read.bytes);
    return found;
}

int BenchUtcOffsetMinutes() {
    return QDateTime::currentDateTime().offsetFromUtc() / 60;
}

FoundRuns FindRuns(const JournalSource& source, const JournalFilter& filter, std::size_t limit,
                   const EachRun& each, const LookupStop* stop) {
    FoundRuns found;
    if (const std::optional<std::string> refused = FilterRefusal(filter)) {
        found.outcome = Outcome::Refused(*refused);
        return found;
    }
    const std::unique_ptr<JournalStore> store = OpenJournalStore(source, BenchUtcOffsetMinutes());
    return store ? store->Find(filter, limit, each, stop) : found;
}

namespace {

// A local backup's copy: the configuration its full-chip file holds, while
// that file is still the one the record names.
std::string BackupCopy(const SharedRecord& run) {
    const std::string& file = run[kConfigFileColumn];
    ChipMemory chip;
    if (run[kCommandColumn] != "backup" || file.empty() ||
        FileSha256(file) != run[kConfigFileHashColumn] || !LoadChipHex(file, chip).ok) {
        return {};
    }
    const Project image = ImageOf(chip);
    return FormatReadConfigFile(DecodeReadBack(image, RadioConfig{}), image);
}

} // namespace

FoundRuns FindRun(const JournalSource& source, const std::string& id) {
    const std::unique_ptr<JournalStore> store = OpenJournalStore(source, BenchUtcOffsetMinutes());
    if (!store) {
        return {};
    }
    FoundRuns found = store->FindId(id);
    for (SharedRecord& run : found.runs) {
        if (!store->Remote() && run.radioCopy.empty()) {
            run.radioCopy = BackupCopy(run);
        }
    }
    return found;
}

ReportMade MakeReport(const JournalSource& source, const JournalFilter& filter) {
    WorkshopReport report;
    const FoundRuns found =
        FindRuns(source, filter, 0, [&report](const SharedRecord& run) { report.Add(run); });
    if (!found.outcome.Ok()) {
        return {found.outcome, {}};
    }
    const ReportScope scope{
        .journal = source.sharedUri.empty() ? "журнал рабочего места " + source.localPath
                                            : std::string("общий журнал мастерской"),
        .since = filter.since,
        .until = filter.until,
        .bench = filter.bench,
        .made = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm").toStdString()};
    return {Outcome::Done(), ReportPage(report, scope)};
}

} // namespace zekt
