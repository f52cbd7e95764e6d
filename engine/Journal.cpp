#include "Journal.h"

#include "Console.h"
#include "Csv.h"
#include "MachineNumber.h"
#include "SafeFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTimeZone>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

namespace zekt {

namespace {

constexpr char kSeparator = ';';

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

std::string Sha256Hex(std::string_view bytes) {
    return QCryptographicHash::hash(
               QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
               QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

std::string FileSha256(const std::string& path) {
    const FileRead read = ReadRegularFile(path, kHexFileLimit);
    return read.Ok() ? Sha256Hex(read.bytes) : std::string();
}

std::string ConfigurationHash(const Project& image) {
    std::string bytes;
    for (const int32_t byte : image.DataMemory()) {
        bytes += static_cast<char>(byte & 0xFF);
    }
    for (int w = kFrequencyPageWord; w < kProgramWords; ++w) {
        const int32_t word = image.ProgramMemory()[static_cast<std::size_t>(w)];
        bytes += static_cast<char>((word >> 8) & 0xFF);
        bytes += static_cast<char>(word & 0xFF);
    }
    return Sha256Hex(bytes);
}

std::string JournalHeader() {
    return Join(std::initializer_list<std::string>{
        "time", "program", "command", "result", "message", "configuration file",
        "configuration file sha256", "configuration sha256", "firmware file", "firmware sha256",
        "version", "seconds", "unit", "latency"});
}

std::array<std::string, kJournalColumns> JournalColumns(const JournalRecord& r,
                                                        const std::string& time) {
    const std::string seconds = MachineNumber(r.seconds, 1);
    return {time,         r.program,        r.command,   r.result,       OneLine(r.message, true),
            r.configFile, r.configFileHash, r.imageHash, r.firmwareFile, r.firmwareHash,
            r.version,    seconds,          r.unit,      r.latency};
}

std::string FormatJournalLine(const JournalRecord& r, const std::string& time) {
    return Join(JournalColumns(r, time));
}

std::string JournalCsvLine(const std::vector<std::string>& fields) {
    return Join(fields);
}

std::string JournalTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return now.toString("yyyy-MM-ddTHH:mm:ss").toStdString() + zone;
}

std::string BenchZone() {
    return QTimeZone::systemTimeZoneId().toStdString();
}

Journal::Journal(std::string path) : path(std::move(path)) {}

Journal::~Journal() = default;

void Journal::UseSharedJournal(const std::string& uri, SharedJournal::Tell tell) {
    if (uri.empty()) {
        return;
    }
    if (!Enabled()) {
        // The shared journal goes with a local one: the outbox lives beside it.
        if (warn) {
            warn("общий журнал выключен вместе с местным (--journal ''): записи этих работ не "
                 "попадут ни в один журнал.");
        }
        return;
    }
    shared = std::make_unique<SharedJournal>(uri, OutboxPath(path), std::move(tell));
}

std::string OutboxPath(const std::string& journalPath) {
    return TextOf(PathOf(journalPath).parent_path() / "journal-outbox.txt");
}

void Journal::SendShared(const JournalRecord& record, const std::string& time, std::string copy) {
    SharedRecord shared{NewRecordId(bench, time),     bench,           operatorLogin,
                        JournalColumns(record, time), std::move(copy), BenchZone()};
    const Outcome kept = this->shared->Record(shared);
    if (!kept.Ok() && !sharedWarned && warn) {
        sharedWarned = true;
        warn("запись не поставлена в очередь общего журнала: " + kept.Why() +
             " (в местном журнале она есть).");
    }
}

void Journal::Warn(const std::string& why) {
    if (!warned && warn) {
        warn("Журнал " + path + " не записан: " + why);
    }
    warned = true;
}

void Journal::Warn(FileError error) {
    Warn(std::string(FileErrorText(error)));
}

bool Journal::Append(const JournalRecord& record) {
    // A copy goes with this record only, whether or not it is sent.
    std::string copy = std::exchange(radioCopy, {});
    if (!Enabled()) {
        return true;
    }
    if (const FileError error = MakeFolders(TextOf(PathOf(path).parent_path()));
        error != FileError::None) {
        Warn(error);
        return false;
    }
    int fd = -1;
    if (const FileError error = OpenForAppending(path, fd); error != FileError::None) {
        Warn(error);
        return false;
    }
    // Under the lock only one of several programs finds the file empty and
    // gives it its header, and a record cut short is taken back before
    // another program appends after it.
    LockWholeFile(fd);
    long long size = 0;
    if (!FileSizeOf(fd, size)) {
        const int why = errno;
        CloseFile(fd);
        Warn(FileErrorFromErrno(why));
        return false;
    }
    const std::string time = JournalTime();
    std::string text = FormatJournalLine(record, time);
    if (size == 0) {
        text = JournalHeader() + text;
    } else if (!EndsWithLineEnd(fd, size)) {
        text = "\r\n" + text;
    }
    errno = 0;
    const bool ok = WriteAtOnce(fd, text);
    const int why = errno != 0 ? errno : ENOSPC; // a short write is a full disk
    if (!ok) {
        // Whole or not at all: a half record would glue the next one to it.
        (void)CutFileTo(fd, size);
    }
    CloseFile(fd);
    if (!ok) {
        Warn(FileErrorFromErrno(why));
    }
    // The local file first: the shared journal never holds what it lacks.
    if (ok && shared) {
        SendShared(record, time, std::move(copy));
    }
    return ok;
}

std::string Journal::KeepRadio(const std::string& prgText) {
    radioCopy = prgText; // the shared journal keeps it with the record
    if (!Enabled()) {
        return {};
    }
    std::string folder;
    FileError error = ResolveSafeLinks(TextOf(PathOf(path).parent_path() / "radios"), folder);
    if (error == FileError::None) {
        error = MakeFolders(folder);
    }
    if (error != FileError::None) {
        Warn(error);
        return {};
    }
    const std::string stamp =
        QDateTime::currentDateTime().toString("yyyy-MM-dd_HHmmss").toStdString();
    // Every read in the same second keeps its own file.
    constexpr int kMostPerSecond = 1000000;
    for (int n = 1; n <= kMostPerSecond; ++n) {
        std::string name = stamp;
        if (n > 1) {
            name += '_';
            name += std::to_string(n);
        }
        name += ".prg";
        const std::string kept = folder + "/" + name;
        int fd = -1;
        bool existed = false;
        const FileError created = CreateNewFile(kept, fd, existed);
        if (existed) {
            continue;
        }
        if (created != FileError::None) {
            Warn(created);
            return {};
        }
        errno = 0;
        const bool ok = WriteAtOnce(fd, prgText) && SyncFile(fd);
        const int why = errno != 0 ? errno : ENOSPC;
        CloseFile(fd);
        if (!ok) {
            RemoveFile(kept);
            Warn(FileErrorFromErrno(why));
            return {};
        }
        return kept;
    }
    Warn(FileError::Io);
    return {};
}

CommandJournal::CommandJournal(Journal& journal, JournalRecord base)
    : journal(journal), base(std::move(base)), start(std::chrono::steady_clock::now()) {}

void CommandJournal::Write(const std::string& result, const std::string& message,
                           const Project* image) {
    JournalRecord record = base;
    record.result = result;
    record.message = message;
    if (result == kJournalOk && journal.spoilsOk) {
        if (std::optional<std::string> why = journal.spoilsOk()) {
            record.result = kJournalFailed;
            record.message = std::move(*why);
        }
    }
    if (image != nullptr) {
        record.imageHash = ConfigurationHash(*image);
    }
    if (unitLink != nullptr) {
        // A unit unplugged before this run opened keeps its name from the base.
        if (!unitLink->SerialNumber().empty()) {
            record.unit = unitLink->SerialNumber();
        }
        const int latency = unitLink->LatencyInUse();
        record.latency = latency > 0 ? std::to_string(latency) : kJournalDefaultLatency;
    }
    const auto now = std::chrono::steady_clock::now();
    record.seconds = std::chrono::duration<double>(now - start).count();
    start = now;
    journal.Append(record);
    ++lines;
    okLines += record.result == kJournalOk ? 1 : 0;
    failedLines += record.result == kJournalFailed ? 1 : 0;
}

} // namespace zekt
