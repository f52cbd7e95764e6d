#include "Journal.h"

#include "Csv.h"
#include "SafeFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zekt {

namespace {

constexpr char kSeparator = ';';

std::string Join(std::initializer_list<std::string> fields) {
    std::string line;
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) {
            line += kSeparator;
        }
        first = false;
        line += CsvField(field, kSeparator);
    }
    return line + "\r\n";
}

bool WriteOnce(int fd, const std::string& text) {
    // One write: O_APPEND places it whole after whatever others wrote.
    ssize_t n;
    do {
        n = write(fd, text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(text.size());
}

// Opening never blocks: a FIFO or device in the journal's place is refused.
int OpenForAppend(const std::string& path, FileError& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = FileError::NotRegular;
        return -1;
    }
    const int fd =
        open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        error = FileErrorFromErrno(errno);
        return -1;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        error = FileError::NotRegular;
        return -1;
    }
    return fd;
}

} // namespace

const char* const kNoJournalPlace =
    "журнал не ведётся: не заданы ни XDG_DATA_HOME, ни HOME (укажите --journal ФАЙЛ)";

std::string DefaultJournalPath() {
    return UserFilePath("XDG_DATA_HOME", ".local/share", "journal.csv");
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
    return Join({"time", "program", "command", "result", "message", "configuration file",
                 "configuration file sha256", "configuration sha256", "firmware file",
                 "firmware sha256", "version", "seconds", "unit", "latency"});
}

std::string FormatJournalLine(const JournalRecord& r, const std::string& time) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", r.seconds);
    return Join({time, r.program, r.command, r.result, r.message, r.configFile, r.configFileHash,
                 r.imageHash, r.firmwareFile, r.firmwareHash, r.version, seconds, r.unit,
                 r.latency});
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

Journal::Journal(std::string path) : path(std::move(path)) {}

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
    if (!Enabled()) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    FileError error = FileError::None;
    const int fd = OpenForAppend(path, error);
    if (fd < 0) {
        Warn(error);
        return false;
    }
    // The lock lets only one of several programs find the file empty and
    // give it its header (a journal cut off by a full disk gets one too).
    (void)!flock(fd, LOCK_EX);
    struct stat st {};
    std::string text = FormatJournalLine(record, JournalTime());
    if (fstat(fd, &st) == 0 && st.st_size == 0) {
        text = JournalHeader() + text;
    }
    errno = 0;
    const bool ok = WriteOnce(fd, text);
    const int why = errno != 0 ? errno : ENOSPC; // a short write is a full disk
    close(fd);
    if (!ok) {
        Warn(FileErrorFromErrno(why));
    }
    return ok;
}

std::string Journal::KeepRadio(const std::string& prgText) {
    if (!Enabled()) {
        return {};
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path() / "radios";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
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
        const std::string kept = (folder / name).string();
        const int fd =
            open(kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            Warn(FileErrorFromErrno(errno));
            return {};
        }
        errno = 0;
        const bool ok = WriteOnce(fd, prgText) && fsync(fd) == 0;
        const int why = errno != 0 ? errno : ENOSPC;
        close(fd);
        if (!ok) {
            unlink(kept.c_str());
            Warn(FileErrorFromErrno(why));
            return {};
        }
        return kept;
    }
    Warn(FileError::Io);
    return {};
}

JournalScope::JournalScope(Journal& journal, JournalRecord base)
    : journal(journal), base(std::move(base)), start(std::chrono::steady_clock::now()) {}

void JournalScope::Write(const std::string& result, const std::string& message,
                         const Project* image) {
    JournalRecord record = base;
    record.result = result;
    record.message = message;
    if (image != nullptr) {
        record.imageHash = ConfigurationHash(*image);
    }
    if (unitLink != nullptr) {
        record.unit = unitLink->SerialNumber();
        const int latency = unitLink->LatencyInUse();
        record.latency = latency > 0 ? std::to_string(latency) : kJournalDefaultLatency;
    }
    const auto now = std::chrono::steady_clock::now();
    record.seconds = std::chrono::duration<double>(now - start).count();
    start = now;
    journal.Append(record);
    ++lines;
    okLines += result == kJournalOk ? 1 : 0;
    failedLines += result == kJournalFailed ? 1 : 0;
}

} // namespace zekt
