#include "LocalJournal.h"

#include "Console.h"
#include "Csv.h"
#include "MachineNumber.h"
#include "Outbox.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <initializer_list>

namespace zekt {

namespace {

constexpr char kSeparator = ';';
// A journal grows by a few hundred bytes a run: years of a busy bench.
constexpr std::size_t kJournalReadLimit = 512u * 1024 * 1024;

// One physical line per record, whatever a message holds: tail, grep and
// wc -l see one record per line. A separator in a message becomes a blank
// too, so the line splits into its columns even without a CSV reader.
std::string OneLine(std::string text, bool separatorsToo) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || (separatorsToo && c == kSeparator)) {
            c = ' ';
        }
    }
    return text;
}

template <typename Fields>
std::string Join(const Fields& fields) {
    std::string line;
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) {
            line += kSeparator;
        }
        first = false;
        line += CsvField(OneLine(field, false), kSeparator);
    }
    return line + "\r\n";
}

// Whether the file's last byte ends a line (a record an older program cut).
bool EndsWithLineEnd(int fd, long long size) {
    char last = '\n';
    return size == 0 || (ByteAt(fd, size - 1, last) && last == '\n');
}

} // namespace

std::string NoJournalPlaceText() {
    return std::string("журнал не ведётся: не заданы ") + UserPlaceVariables(UserPlace::Data) +
           " (укажите --journal ФАЙЛ)";
}

std::string DefaultJournalPath() {
    return UserFilePath(UserPlace::Data, "journal.csv");
}

JournalChoice ChooseJournal(const std::optional<std::string>& given) {
    if (given) {
        return {*given, std::nullopt};
    }
    JournalChoice choice{DefaultJournalPath(), std::nullopt};
    if (choice.path.empty()) {
        choice.warning = NoJournalPlaceText();
    }
    return choice;
}

std::string OutboxPath(const std::string& journalPath) {
    return TextOf(PathOf(journalPath).parent_path() / "journal-outbox.txt");
}

namespace {

constexpr std::array<const char*, kJournalColumns> kColumnNames = {"time",
                                                                   "program",
                                                                   "command",
                                                                   "result",
                                                                   "message",
                                                                   "configuration file",
                                                                   "configuration file sha256",
                                                                   "configuration sha256",
                                                                   "firmware file",
                                                                   "firmware sha256",
                                                                   "version",
                                                                   "seconds",
                                                                   "unit",
                                                                   "latency",
                                                                   "radio",
                                                                   "record id"};

// The header of a version whose lines have the first `columns` columns.
std::string HeaderOf(std::size_t columns) {
    return Join(std::vector<std::string>(kColumnNames.begin(), kColumnNames.begin() + columns));
}

} // namespace

std::string JournalHeader() {
    return HeaderOf(kJournalColumns);
}

std::array<std::string, kJournalColumns> JournalColumns(const JournalRecord& r,
                                                        const std::string& time) {
    const std::string seconds = MachineNumber(r.seconds, 1);
    return {time,         r.program,        r.command,   r.result,       OneLine(r.message, true),
            r.configFile, r.configFileHash, r.imageHash, r.firmwareFile, r.firmwareHash,
            r.version,    seconds,          r.unit,      r.latency,      r.radio,
            r.id};
}

std::string FormatJournalLine(const JournalRecord& r, const std::string& time) {
    return Join(JournalColumns(r, time));
}

std::string JournalCsvLine(const std::vector<std::string>& fields) {
    return Join(fields);
}

namespace {

// Thousands of records: far more than a day with the journal held open.
constexpr std::size_t kPendingLimit = std::size_t{1} << 20;

// The bench's own programs hold the journal's lock for one append; longer,
// another program holds it, and the record waits beside it instead.
constexpr std::chrono::milliseconds kLockWait{1000};

} // namespace

std::string PendingPath(const std::string& journalPath) {
    return TextOf(PathOf(journalPath).parent_path() / "journal-pending.txt");
}

std::string CopiesFolder(const std::string& journalPath) {
    return TextOf(PathOf(journalPath).parent_path() / "radios");
}

std::vector<GuardedFile> JournalKeptFiles(const std::string& journalPath) {
    if (journalPath.empty()) {
        return {};
    }
    const Outbox outbox(OutboxPath(journalPath));
    return {{"журнал", journalPath},
            {"копии радиостанций", CopiesFolder(journalPath), true},
            {"очередь общего журнала", outbox.Path()},
            {"блокировка очереди общего журнала", outbox.LockPath()},
            {"файл отложенных записей", outbox.RefusedPath()},
            {"записи, ждущие журнал", PendingPath(journalPath)}};
}

namespace {

// Appends whole lines to a file of lines, under its lock.
FileError AppendToFile(const std::string& path, const std::string& lines) {
    int fd = -1;
    if (const FileError error = OpenForAppending(path, fd); error != FileError::None) {
        return error;
    }
    if (!LockWholeFileWithin(fd, kLockWait)) {
        CloseFile(fd);
        return FileError::InUse;
    }
    long long size = 0;
    FileError written = FileError::Io;
    if (FileSizeOf(fd, size)) {
        written = AppendAtOnce(fd, lines, size);
    }
    CloseFile(fd);
    return written;
}

// The waiting records taken into the journal: what is still there is the
// part that came after the taken bytes (another program's, meanwhile).
void ForgetPending(const std::string& pendingPath, std::size_t taken) {
    const FileRead now = ReadRegularFile(pendingPath, kPendingLimit);
    if (now.Ok() && now.bytes.size() > taken) {
        (void)WriteFileSafely(pendingPath, std::string_view(now.bytes).substr(taken));
    } else {
        RemoveFile(pendingPath);
    }
}

} // namespace

namespace {

// The header of 1.0.0, without the radio's number. (A journal of 1.1.0 keeps
// its header: lines with the record's id go under it as they are.)
std::string HeaderBefore11() {
    return HeaderOf(kJournalColumnsBefore11);
}

bool HasHeaderBefore11(int fd) {
    const std::string old = HeaderBefore11();
    std::string first(old.size(), '\0');
    return BytesAt(fd, 0, first.data(), first.size()) == first.size() && first == old;
}

// A journal of 1.0.0 gets the new header once: the whole file replaced
// (the other programs, waiting on the old file's lock, see it replaced and
// open the new one) with the waiting and new lines after it. False when the
// file could not be replaced: then they are appended under the old header.
bool ReplacedWithNewHeader(const std::string& path, const std::string& text) {
    const FileRead read = ReadRegularFile(path, kJournalReadLimit);
    if (!read.Ok()) {
        return false;
    }
    std::string body = read.bytes.substr(HeaderBefore11().size());
    if (!body.empty() && body.back() != '\n') {
        body += "\r\n"; // a record an older program cut short
    }
    return WriteFileSafely(path, JournalHeader() + body + text).Ok();
}

// A journal opened and locked, still the file its path names.
struct LockedJournal {
    int fd = -1;
    FileError error = FileError::None;
};

LockedJournal OpenLocked(const std::string& path) {
    // A journal replaced whole while this program waited is opened again.
    constexpr int kTries = 3;
    for (int tries = 0; tries < kTries; ++tries) {
        int fd = -1;
        if (const FileError error = OpenForAppending(path, fd); error != FileError::None) {
            return {-1, error};
        }
        if (!LockWholeFileWithin(fd, kLockWait)) {
            CloseFile(fd);
            return {-1, FileError::InUse};
        }
        if (StillNamed(fd, path)) {
            return {fd, FileError::None};
        }
        CloseFile(fd);
    }
    return {-1, FileError::InUse};
}

} // namespace

FileError LocalJournal::AppendLines(const std::string& lines) const {
    if (const FileError error = MakeFolders(TextOf(PathOf(path).parent_path()));
        error != FileError::None) {
        return error;
    }
    // Under the lock only one of several programs finds the file empty and
    // gives it its header, takes the waiting records in, and a record cut
    // short is taken back before another program appends after it.
    const LockedJournal locked = OpenLocked(path);
    if (locked.error != FileError::None) {
        return locked.error;
    }
    const int fd = locked.fd;
    long long size = 0;
    if (!FileSizeOf(fd, size)) {
        const int why = errno;
        CloseFile(fd);
        return FileErrorFromErrno(why);
    }
    const std::string pendingPath = PendingPath(path);
    const FileRead pending = ReadRegularFile(pendingPath, kPendingLimit);
    std::string text = (pending.Ok() ? pending.bytes : std::string()) + lines;
    FileError written = FileError::None;
    if (size > 0 && HasHeaderBefore11(fd) && ReplacedWithNewHeader(path, text)) {
        text.clear();
    } else if (size == 0) {
        text = JournalHeader() + text;
    } else if (!EndsWithLineEnd(fd, size)) {
        text = "\r\n" + text;
    }
    if (!text.empty()) {
        written = AppendAtOnce(fd, text, size);
    }
    if (written == FileError::None && pending.Ok()) {
        ForgetPending(pendingPath, pending.bytes.size());
    }
    CloseFile(fd);
    return written;
}

LocalJournal::Appended LocalJournal::Append(const JournalRecord& record,
                                            const std::string& time) const {
    const std::string line = FormatJournalLine(record, time);
    const FileError error = AppendLines(line);
    if (error != FileError::InUse) {
        return {error, false};
    }
    const FileError kept = AppendToFile(PendingPath(path), line);
    return {kept == FileError::None ? FileError::InUse : kept, kept == FileError::None};
}

std::size_t LocalJournal::PendingCount() const {
    const FileRead pending = ReadRegularFile(PendingPath(path), kPendingLimit);
    if (!pending.Ok()) {
        return 0;
    }
    std::size_t lines = 0;
    std::size_t next = 0;
    for (std::string_view line; NextLine(pending.bytes, next, line);) {
        lines += line.empty() ? 0 : 1;
    }
    return lines;
}

FileError LocalJournal::AppendPending() const {
    const FileRead pending = ReadRegularFile(PendingPath(path), kPendingLimit);
    return pending.Ok() && !pending.bytes.empty() ? AppendLines({}) : FileError::None;
}

LocalJournal::Kept LocalJournal::KeepRadio(const std::string& prgText,
                                           const std::string& stamp) const {
    std::string folder;
    FileError error = ResolveSafeLinks(CopiesFolder(path), folder);
    if (error == FileError::None) {
        error = MakeFolders(folder);
    }
    if (error != FileError::None) {
        return {error, {}};
    }
    // Every read in the same second keeps its own file.
    constexpr int kMostPerSecond = 1000000;
    for (int n = 1; n <= kMostPerSecond; ++n) {
        std::string name = stamp;
        if (n > 1) {
            name += '_';
            name += std::to_string(n);
        }
        name += ".prg";
        // In the system's own separators, as every other path the journal names.
        const std::string kept = TextOf((PathOf(folder) / name).make_preferred());
        int fd = -1;
        bool existed = false;
        const FileError created = CreateNewFile(kept, fd, existed);
        if (existed) {
            continue;
        }
        if (created != FileError::None) {
            return {created, {}};
        }
        errno = 0;
        const bool ok = WriteAtOnce(fd, prgText) && SyncFile(fd);
        const int why = errno != 0 ? errno : ENOSPC;
        CloseFile(fd);
        if (!ok) {
            RemoveFile(kept);
            return {FileErrorFromErrno(why), {}};
        }
        return {FileError::None, kept};
    }
    return {FileError::Io, {}};
}

FoundRuns LocalRuns(const std::string& path, const std::function<bool(const SharedRecord&)>& wanted,
                    std::size_t limit, const EachRun& each, const LookupStop* stop) {
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
    // Line by line, not split first: a stop is seen at once in a file of any size.
    std::size_t next = 0;
    for (std::string_view line; NextLine(read.bytes, next, line);) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return {Outcome::Refused(kLookupStoppedText), {}, 0, 0};
        }
        ++number;
        const std::vector<std::string> fields = CsvFields(line, kSeparator);
        // The header, and a line an older program cut short; a line of 1.0.0
        // has no radio number, one of 1.1.0 no record id.
        if ((fields.size() != kJournalColumns && fields.size() != kJournalColumnsBefore12 &&
             fields.size() != kJournalColumnsBefore11) ||
            fields[kTimeColumn] == "time") {
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

namespace {

std::string Spoken(const std::string& word,
                   std::initializer_list<std::pair<const char*, const char*>> words) {
    for (const auto& [machine, spoken] : words) {
        if (word == machine) {
            return spoken;
        }
    }
    return word;
}

} // namespace

namespace {

constexpr std::pair<const char*, const char*> kResultWords[] = {{kJournalOk, "успешно"},
                                                                {kJournalFailed, "ошибка"},
                                                                {kJournalCancelled, "прервано"},
                                                                {kJournalRefused, "отказ"}};

} // namespace

std::string JournalResultText(const std::string& result) {
    for (const auto& [machine, spoken] : kResultWords) {
        if (result == machine) {
            return spoken;
        }
    }
    return result;
}

std::string JournalResultOf(const std::string& word) {
    for (const auto& [machine, spoken] : kResultWords) {
        if (word == spoken) {
            return machine;
        }
    }
    return word;
}

std::string JournalCommandText(const std::string& command) {
    return Spoken(command, {{"program", "Программирование"},
                            {"write-frequencies", "Запись частот"},
                            {"read", "Чтение"},
                            {"verify", "Проверка"},
                            {"backup", "Резервная копия"}});
}

std::string LocalCopy(const std::string& journalPath, const SharedRecord& run) {
    // Both as absolute paths: a journal named relative to the working folder
    // ("--journal j.csv") keeps its copies under their full names.
    std::error_code ec;
    const std::filesystem::path kept =
        std::filesystem::absolute(PathOf(run[kConfigFileColumn]), ec).lexically_normal();
    const std::filesystem::path radios =
        std::filesystem::absolute(PathOf(CopiesFolder(journalPath)), ec).lexically_normal();
    if (run[kCommandColumn] != "read" || kept.parent_path() != radios) {
        return {};
    }
    const FileRead read = ReadRegularFile(run[kConfigFileColumn], kConfigFileLimit);
    return read.Ok() ? read.bytes : std::string();
}

} // namespace zekt
