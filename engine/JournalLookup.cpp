#include "JournalLookup.h"

#include "ConfigBuilder.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "Console.h"
#include "Csv.h"
#include "Journal.h"
#include "SafeFile.h"

#include <QDateTime>
#include <filesystem>
#include <functional>

namespace zekt {

namespace {

// A journal grows by a few hundred bytes a run: years of a busy bench.
constexpr std::size_t kJournalReadLimit = 512u * 1024 * 1024;

// The local journal's records that are wanted; a run's id is its line's
// number, as an editor counts it.
FoundRuns LocalRuns(const std::string& path, const std::function<bool(const SharedRecord&)>& wanted,
                    std::size_t limit, const EachRun& each) {
    FoundRuns found;
    const FileRead read = ReadRegularFile(path, kJournalReadLimit);
    if (read.error == FileError::NotFound) {
        return found; // no run journaled yet
    }
    if (!read.Ok()) {
        found.outcome = Outcome::Refused(DescribeFileError(path, read.error));
        return found;
    }
    const std::string bench = BenchName();
    int number = 0;
    for (const std::string_view line : SplitLines(read.bytes)) {
        ++number;
        const std::vector<std::string> fields = CsvFields(line, ';');
        // The header, and a line an older program cut short.
        if (fields.size() != kJournalColumns || fields[kTimeColumn] == "time") {
            continue;
        }
        SharedRecord record;
        record.id = std::to_string(number);
        record.bench = bench;
        std::copy(fields.begin(), fields.end(), record.columns.begin());
        if (wanted(record)) {
            found.Take(std::move(record), limit, each);
        }
    }
    return found;
}

// A read's copy is the file it kept in radios/ beside the journal; a file
// named anywhere else is no copy of the journal's.
std::string LocalCopy(const std::string& journalPath, const SharedRecord& run) {
    const std::filesystem::path kept = PathOf(run[kConfigFileColumn]);
    if (run[kCommandColumn] != "read" ||
        kept.parent_path() != PathOf(journalPath).parent_path() / "radios") {
        return {};
    }
    const FileRead read = ReadRegularFile(run[kConfigFileColumn], kConfigFileLimit);
    return read.Ok() ? read.bytes : std::string();
}

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
    if (!plan.refusal.empty()) {
        found.refusal = plan.refusal;
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
                   const EachRun& each) {
    if (const std::optional<std::string> refused = FilterRefusal(filter)) {
        FoundRuns found;
        found.outcome = Outcome::Refused(*refused);
        return found;
    }
    if (!source.sharedUri.empty()) {
        return SharedJournal::Find(source.sharedUri, filter, limit, each);
    }
    return LocalRuns(
        source.localPath, [&filter](const SharedRecord& run) { return Matches(run, filter); },
        limit, each);
}

FoundRuns FindRun(const JournalSource& source, const std::string& id) {
    if (!source.sharedUri.empty()) {
        return SharedJournal::FindId(source.sharedUri, id, BenchUtcOffsetMinutes());
    }
    FoundRuns found =
        LocalRuns(source.localPath, [&id](const SharedRecord& run) { return run.id == id; }, 0, {});
    for (SharedRecord& run : found.runs) {
        run.radioCopy = LocalCopy(source.localPath, run);
    }
    return found;
}

} // namespace zekt
