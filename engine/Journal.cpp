#include "Journal.h"

#include "Console.h"
#include "EngineMessages.h"
#include "SafeFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTimeZone>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <utility>

namespace zekt {

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

Journal::Journal(std::string path) : local(std::move(path)) {}

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
    shared = std::make_unique<SharedJournal>(uri, OutboxPath(Path()), std::move(tell));
}

void Journal::Warn(const std::string& why) {
    if (!warned && warn) {
        warn("Журнал " + Path() + " не записан: " + why);
    }
    warned = true;
}

void Journal::Warn(FileError error) {
    Warn(std::string(FileErrorText(error)));
}

namespace {

std::string HeldLine(const JournalRecord& record, const std::string& time) {
    std::string line = time + " " + record.command + " " + record.result;
    if (!record.radio.empty()) {
        line += ", радиостанция " + record.radio;
    }
    return line;
}

} // namespace

bool Journal::Keep(Held& record, std::string& why, std::string copy) {
    FileError localError = FileError::None;
    if (!record.inLocal) {
        const LocalJournal::Appended appended = local.Append(record.record, record.time);
        record.inLocal = appended.error == FileError::None || appended.pending;
        if (appended.pending) {
            if (!pendingWarned && warn) {
                warn("Журнал " + Path() + ": " + FileErrorText(appended.error) +
                     ". Записи ждут в " + PendingPath(Path()) +
                     " и будут дописаны в журнал, когда он освободится.");
            }
            pendingWarned = true;
        } else if (!record.inLocal) {
            localError = appended.error;
            why = "журнал " + Path() + ": " + FileErrorText(appended.error);
        }
    }
    if (shared && !record.inOutbox && !record.withSender) {
        SharedRecord sent{record.record.id, bench,
                          operatorLogin,    JournalColumns(record.record, record.time),
                          std::move(copy),  BenchZone()};
        const Outcome queued = shared->Record(sent);
        record.inOutbox = queued.Ok();
        if (!queued.Ok()) {
            why +=
                (why.empty() ? "" : "; ") + std::string("очередь общего журнала: ") + queued.Why();
            // Kept or not, the sender has it while the program runs.
            shared->Hold(std::move(sent));
            record.withSender = true;
            if (record.inLocal && !sharedWarned && warn) {
                sharedWarned = true;
                warn("запись не поставлена в очередь общего журнала: " + queued.Why() +
                     " (в местном журнале она есть; пока программа работает, она будет "
                     "отправлена и так).");
            }
        }
    }
    const bool kept = record.inLocal || record.inOutbox;
    if (kept && localError != FileError::None) {
        Warn(localError); // in the outbox only: the local file is told once
    }
    return kept;
}

void Journal::KeepHeld() {
    std::size_t kept = 0;
    for (auto it = held.begin(); it != held.end();) {
        std::string why;
        if (Keep(*it, why, {})) {
            it = held.erase(it);
            ++kept;
        } else {
            ++it;
        }
    }
    if (kept > 0 && warn) {
        warn("записи, ждавшие в памяти программы, сохранены в журнале: " + std::to_string(kept) +
             (held.empty() ? "." : "; ещё ждут: " + std::to_string(held.size()) + "."));
    }
}

std::vector<std::string> Journal::Flush() {
    KeepHeld();
    std::vector<std::string> lines;
    for (const Held& record : held) {
        lines.push_back(HeldLine(record.record, record.time));
    }
    return lines;
}

bool Journal::Append(const JournalRecord& record) {
    // A copy goes with this record only, whether or not it is sent.
    std::string copy = std::exchange(radioCopy, {});
    lastResult = record.result;
    if (!Enabled()) {
        return true;
    }
    if (!held.empty()) {
        KeepHeld();
    }
    Held one{record, JournalTime()};
    if (one.record.id.empty()) {
        // One id for the local line and the shared journal's row alike.
        one.record.id = NewRecordId(bench, one.time);
    }
    std::string why;
    if (Keep(one, why, std::move(copy))) {
        return true;
    }
    held.push_back(std::move(one));
    if (warn) {
        warn("запись о работе (" + HeldLine(record, held.back().time) + ") не сохранена: " + why +
             ". Она ждёт в памяти программы и будет записана, как "
             "только журнал сможет её принять.");
    }
    return false;
}

std::string Journal::KeepRadio(const std::string& prgText) {
    radioCopy = prgText; // the shared journal keeps it with the record
    if (!Enabled()) {
        return {};
    }
    const LocalJournal::Kept kept = local.KeepRadio(
        prgText, QDateTime::currentDateTime().toString("yyyy-MM-dd_HHmmss").toStdString());
    if (kept.error != FileError::None && warn) {
        // Only the copy: the record is written (or its own failure said) apart.
        warn("копия радиостанции не сохранена в " + CopiesFolder(Path()) + ": " +
             FileErrorText(kept.error) + ".");
    }
    return kept.path;
}

namespace {

// The commands whose lines may be owed, for WriteOwedLines; never destroyed,
// since a stop may call it while the process exits.
std::mutex& openCommandsMutex = *new std::mutex;
std::set<CommandJournal*>& openCommands = *new std::set<CommandJournal*>;
std::atomic<bool> ending{false};

} // namespace

void CommandJournal::StartClock() {
    clockStarted = true;
    if (unitLink != nullptr) {
        unitLink->MarkFrames();
    }
}

CommandJournal::CommandJournal(Journal& journal, JournalRecord base)
    : journal(journal), base(std::move(base)) {
    const std::lock_guard<std::mutex> lock(openCommandsMutex);
    openCommands.insert(this);
}

CommandJournal::~CommandJournal() {
    const std::lock_guard<std::mutex> lock(openCommandsMutex);
    openCommands.erase(this);
}

std::string CommandJournal::KeepRadio(const std::string& prgText) {
    const std::lock_guard<std::mutex> lock(lineMutex);
    return journal.KeepRadio(prgText);
}

void CommandJournal::AttachRadioCopy(std::string prgText) {
    const std::lock_guard<std::mutex> lock(lineMutex);
    journal.AttachRadioCopy(std::move(prgText));
}

void CommandJournal::StartRadio(const std::string& radio) {
    const std::lock_guard<std::mutex> lock(lineMutex);
    base.radio = radio;
    StartClock();
    lineOwed = true;
    owedUnit = unitLink != nullptr ? unitLink->SerialNumber() : std::string();
    const int latency = unitLink != nullptr ? unitLink->LatencyInUse() : 0;
    owedLatency = latency > 0 ? std::to_string(latency) : kJournalDefaultLatency;
    owedSince = std::chrono::steady_clock::now();
}

void CommandJournal::Write(const std::string& result, const std::string& message,
                           const Project* image) {
    const std::lock_guard<std::mutex> lock(lineMutex);
    if (!lineOwed && ending) {
        return; // the process is ending and wrote this command's line
    }
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
    record.seconds = 0; // refused before any run
    if (clockStarted && unitLink != nullptr && unitLink->Frames().frames > 0) {
        const USB_Prog::FrameSpan& span = unitLink->Frames();
        record.seconds = std::chrono::duration<double>(span.last - span.first).count();
    }
    StartClock(); // the next radio of a series
    lineOwed = false;
    journal.Append(record);
    ++lines;
    okLines += record.result == kJournalOk ? 1 : 0;
    failedLines += record.result == kJournalFailed ? 1 : 0;
}

// The owed line as the run stood when it began: the run's own thread may be
// inside an exchange, so nothing of its link is read here.
void CommandJournal::WriteOwedLine() {
    const std::lock_guard<std::mutex> lock(lineMutex);
    if (!lineOwed) {
        return;
    }
    JournalRecord record = base;
    record.result = kJournalCancelled;
    record.message = msg::kRunStopped;
    if (!owedUnit.empty()) {
        record.unit = owedUnit;
        record.latency = owedLatency;
    }
    if (owedSince != std::chrono::steady_clock::time_point{}) {
        record.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - owedSince).count();
    }
    lineOwed = false;
    journal.warn = nullptr; // nobody is left to tell; the window's boxes are not this thread's
    journal.Append(record);
}

void CommandJournal::WriteOwedLines() {
    const std::lock_guard<std::mutex> lock(openCommandsMutex);
    ending = true;
    for (CommandJournal* command : openCommands) {
        command->WriteOwedLine();
    }
}

} // namespace zekt
