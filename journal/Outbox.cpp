#include "Outbox.h"

#include "SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace zekt {

namespace {

// Years of a bench that never reached its server.
constexpr std::size_t kOutboxLimit = 256u * 1024 * 1024;

std::string Described(const std::string& path, FileError error) {
    return "очередь общего журнала: " + DescribeFileError(path, error);
}

// The queue's files are the program's own, opened by their names only
// (SafeFile.h): a link put in their place is refused, never followed to
// the file it names, which would be overwritten or emptied.

// The programs of one bench take turns on the outbox through this lock;
// released when it goes.
class OutboxLock {
public:
    explicit OutboxLock(const std::string& path) {
        error = OpenOwnForAppending(path, fd);
        if (error == FileError::None) {
            LockWholeFile(fd);
        }
    }
    ~OutboxLock() {
        if (fd >= 0) {
            CloseFile(fd);
        }
    }
    OutboxLock(const OutboxLock&) = delete;
    OutboxLock& operator=(const OutboxLock&) = delete;
    FileError error = FileError::None;

private:
    int fd = -1;
};

// Appends text as whole lines: after a line someone cut short, on a line of
// its own; a short write is cut back.
FileError AppendWhole(const std::string& path, std::string text) {
    int fd = -1;
    if (const FileError error = OpenOwnForAppending(path, fd); error != FileError::None) {
        return error;
    }
    long long size = 0;
    char last = '\n';
    if (!FileSizeOf(fd, size) || (size > 0 && !ByteAt(fd, size - 1, last))) {
        const int why = errno;
        CloseFile(fd);
        return FileErrorFromErrno(why);
    }
    if (last != '\n') {
        text.insert(0, 1, '\n');
    }
    const FileError written = AppendAtOnce(fd, text, size);
    CloseFile(fd);
    return written;
}

std::string UtcNow() {
    using namespace std::chrono;
    const sys_seconds now = floor<seconds>(system_clock::now());
    const year_month_day day{floor<days>(now)};
    const hh_mm_ss<seconds> time{now - floor<days>(now)};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

// A refused-records line: when, why, and the outbox line as it was.
std::string RefusedLine(const std::string& why, std::string_view line) {
    std::string reason = why;
    for (char& c : reason) {
        c = c == ';' || c == '\n' || c == '\r' ? ' ' : c;
    }
    std::string text = UtcNow() + ";" + reason + ";" + std::string(line);
    if (text.back() != '\n') {
        text += '\n';
    }
    return text;
}

struct Lines {
    FileError error = FileError::None;
    std::vector<std::string> records; // the lines that parse, in order
    std::vector<SharedRecord> parsed;
    std::string unreadable; // refused-records lines for those that do not
};

Lines ReadLines(const std::string& path) {
    Lines lines;
    FileRead read = ReadOwnFile(path, kOutboxLimit);
    if (read.error == FileError::NotFound) {
        return lines;
    }
    lines.error = read.error;
    for (const std::string_view line : SplitLines(read.bytes)) {
        if (line.empty()) {
            continue;
        }
        SharedRecord record;
        if (ParseOutboxLine(line, record)) {
            lines.records.emplace_back(line);
            lines.parsed.push_back(std::move(record));
        } else {
            lines.unreadable += RefusedLine("строка очереди не читается", line);
        }
    }
    return lines;
}

// Everything in the queue has gone: it is cut to nothing under the lock,
// without the temporary file and its sync. Nothing can be lost by it: a
// crash leaves the old lines, which the server knows and takes as sent.
Outcome Emptied(const std::string& path) {
    int fd = -1;
    FileError error = OpenOwnForAppending(path, fd);
    if (error == FileError::None) {
        if (!CutFileTo(fd, 0)) {
            error = FileErrorFromErrno(errno);
        }
        CloseFile(fd);
    }
    return error == FileError::None ? Outcome::Done() : Outcome::Refused(Described(path, error));
}

} // namespace

Outbox::Outbox(std::string path)
    : path(std::move(path)), lockPath(TextOf(PathOf(this->path).replace_extension(".lock"))),
      refusedPath(TextOf(PathOf(this->path).replace_extension("").string() + "-refused.txt")) {}

Outcome Outbox::Append(const SharedRecord& record) {
    OutboxLock lock(lockPath);
    if (lock.error != FileError::None) {
        return Outcome::Refused(Described(lockPath, lock.error));
    }
    if (const FileError error = AppendWhole(path, OutboxLine(record)); error != FileError::None) {
        return Outcome::Refused(Described(path, error));
    }
    return Outcome::Done();
}

Outbox::Waiting Outbox::Take(std::size_t most) {
    Waiting waiting;
    std::error_code ec;
    // A link that leads nowhere is no empty queue: it is refused below.
    if (std::filesystem::symlink_status(PathOf(path), ec).type() ==
        std::filesystem::file_type::not_found) {
        return waiting; // nothing ever waited
    }
    OutboxLock lock(lockPath);
    if (lock.error != FileError::None) {
        waiting.outcome = Outcome::Refused(Described(lockPath, lock.error));
        return waiting;
    }
    Lines lines = ReadLines(path);
    if (lines.error != FileError::None) {
        waiting.outcome = Outcome::Refused(Described(path, lines.error));
        return waiting;
    }
    if (!lines.unreadable.empty()) {
        // Set aside first, then dropped from the queue: never in neither.
        if (const FileError error = AppendWhole(refusedPath, lines.unreadable);
            error != FileError::None) {
            waiting.outcome = Outcome::Refused(Described(refusedPath, error));
            return waiting;
        }
        std::string kept;
        for (const std::string& line : lines.records) {
            kept.append(line).push_back('\n');
        }
        if (const FileWrite written = WriteOwnFileSafely(path, kept); !written.Ok()) {
            waiting.outcome = Outcome::Refused(Described(path, written.error));
            return waiting;
        }
        for (const char c : lines.unreadable) {
            waiting.setAside += c == '\n' ? 1 : 0;
        }
    }
    if (lines.parsed.size() > most) {
        lines.parsed.resize(most);
    }
    waiting.records = std::move(lines.parsed);
    return waiting;
}

Outcome Outbox::Settle(const std::set<std::string>& sent, const std::vector<Refusal>& refused) {
    if (sent.empty() && refused.empty()) {
        return Outcome::Done();
    }
    OutboxLock lock(lockPath);
    if (lock.error != FileError::None) {
        return Outcome::Refused(Described(lockPath, lock.error));
    }
    std::string setAside;
    std::set<std::string> leaving = sent;
    for (const auto& [record, why] : refused) {
        setAside += RefusedLine(why, OutboxLine(record));
        leaving.insert(record.id);
    }
    const Lines lines = ReadLines(path);
    if (lines.error != FileError::None) {
        return Outcome::Refused(Described(path, lines.error));
    }
    setAside += lines.unreadable; // appended since the lines were taken
    if (!setAside.empty()) {
        if (const FileError error = AppendWhole(refusedPath, setAside); error != FileError::None) {
            return Outcome::Refused(Described(refusedPath, error));
        }
    }
    std::string kept;
    for (std::size_t i = 0; i < lines.records.size(); ++i) {
        if (leaving.count(lines.parsed[i].id) == 0) {
            kept.append(lines.records[i]).push_back('\n');
        }
    }
    if (kept.empty()) {
        return Emptied(path); // the usual end of a round
    }
    if (const FileWrite written = WriteOwnFileSafely(path, kept); !written.Ok()) {
        return Outcome::Refused(Described(path, written.error));
    }
    return Outcome::Done();
}

int Outbox::Count(const std::set<std::string>* among) const {
    const Lines lines = ReadLines(path);
    if (among == nullptr) {
        return static_cast<int>(lines.parsed.size());
    }
    return static_cast<int>(
        std::count_if(lines.parsed.begin(), lines.parsed.end(),
                      [among](const SharedRecord& record) { return among->count(record.id) > 0; }));
}

} // namespace zekt
