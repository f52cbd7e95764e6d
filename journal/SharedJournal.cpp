#include "SharedJournal.h"

#include "SafeFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace zekt {

namespace {

constexpr std::size_t kOutboxLimit = 256u * 1024 * 1024;
constexpr int kOutboxFields = 4 + kJournalColumns;

constexpr const char* kInsert =
    "INSERT INTO zekt_journal (id, time, program, command, result, message, config_file, "
    "config_file_sha256, config_sha256, firmware_file, firmware_sha256, version, seconds, unit, "
    "latency, bench, operator, radio_copy) VALUES ($1, $2::timestamptz, $3, $4, $5, $6, $7, $8, "
    "$9, $10, $11, $12, $13::double precision, $14, $15, $16, $17, NULLIF($18, '')) "
    "ON CONFLICT (id) DO NOTHING";

// Each version's statements, applied in order from the one a database has.
const std::vector<std::vector<const char*>> kSchemaSteps = {
    // 1: the journal's columns, the bench, the operator and a read's copy.
    {"CREATE TABLE zekt_journal (id text PRIMARY KEY, time timestamptz NOT NULL, program text "
     "NOT NULL, command text NOT NULL, result text NOT NULL, message text NOT NULL, config_file "
     "text NOT NULL, config_file_sha256 text NOT NULL, config_sha256 text NOT NULL, "
     "firmware_file text NOT NULL, firmware_sha256 text NOT NULL, version text NOT NULL, "
     "seconds double precision NOT NULL, unit text NOT NULL, latency text NOT NULL, bench text "
     "NOT NULL, operator text NOT NULL, radio_copy text)",
     "CREATE INDEX zekt_journal_time ON zekt_journal (time)",
     "CREATE INDEX zekt_journal_unit ON zekt_journal (unit)",
     "CREATE INDEX zekt_journal_bench ON zekt_journal (bench)",
     "CREATE INDEX zekt_journal_config ON zekt_journal (config_sha256)"},
    // 2: the runs made from one configuration file, found by its bytes.
    {"CREATE INDEX zekt_journal_config_file ON zekt_journal (config_file_sha256)"},
};

// A record's columns as the lookups select them, in the record's order.
constexpr const char* kSelectRecord =
    "SELECT id, to_json(time) #>> '{}', program, command, result, message, config_file, "
    "config_file_sha256, config_sha256, firmware_file, firmware_sha256, version, "
    "to_char(seconds, 'FM999999990.0'), unit, latency, bench, operator, ";

// Dates as the bench's day: from the start of since to the end of until.
constexpr const char* kWhereFilter =
    " FROM zekt_journal WHERE (NULLIF($1, '') IS NULL OR time >= NULLIF($1, '')::date) "
    "AND (NULLIF($2, '') IS NULL OR time < NULLIF($2, '')::date + 1) "
    "AND ($3 = '' OR unit = $3) AND ($4 = '' OR bench = $4) AND ($5 = '' OR result = $5) "
    "AND ($6 = '' OR config_file_sha256 = $6) ORDER BY time, id";

constexpr int kLookupTimeoutSeconds = 30;

const char* const kResults[] = {"ok", "failed", "cancelled", "refused"};

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string Encoded(const std::string& field) {
    std::string out;
    for (const char c : field) {
        if (c == '%' || c == ';' || c == '\n' || c == '\r') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

bool Decoded(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size() || HexValue(field[i + 1]) < 0 || HexValue(field[i + 2]) < 0) {
            return false;
        }
        out += static_cast<char>(HexValue(field[i + 1]) * 16 + HexValue(field[i + 2]));
        i += 2;
    }
    return true;
}

// The outbox open and locked against the other programs of this bench.
struct LockedOutbox {
    int fd = -1;
    FileError error = FileError::None;
    explicit LockedOutbox(const std::string& path) {
        error = OpenForAppending(path, fd);
        if (error == FileError::None) {
            LockWholeFile(fd);
        }
    }
    ~LockedOutbox() {
        if (fd >= 0) {
            CloseFile(fd);
        }
    }
    LockedOutbox(const LockedOutbox&) = delete;
    LockedOutbox& operator=(const LockedOutbox&) = delete;
};

std::string Described(const std::string& path, FileError error) {
    return "очередь общего журнала: " + DescribeFileError(path, error);
}

bool IsDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    const std::chrono::year_month_day day{std::chrono::year(std::stoi(text.substr(0, 4))),
                                          std::chrono::month(std::stoul(text.substr(5, 2))),
                                          std::chrono::day(std::stoul(text.substr(8, 2)))};
    return day.ok();
}

// The server's times in the bench's zone ("+03:00" east of UTC).
std::string ZoneStatement(int utcOffsetMinutes) {
    char zone[64];
    const int minutes = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    std::snprintf(zone, sizeof zone, "SET TIME ZONE INTERVAL '%c%02d:%02d' HOUR TO MINUTE",
                  utcOffsetMinutes < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return zone;
}

SharedRecord RecordOfRow(const std::vector<std::string>& row) {
    SharedRecord record;
    record.id = row.at(0);
    for (int c = 0; c < kJournalColumns; ++c) {
        record.columns[static_cast<std::size_t>(c)] = row.at(static_cast<std::size_t>(1 + c));
    }
    record.bench = row.at(1 + kJournalColumns);
    record.operatorLogin = row.at(2 + kJournalColumns);
    record.radioCopy = row.at(3 + kJournalColumns);
    return record;
}

FoundRuns Select(const std::string& uri, int utcOffsetMinutes, const std::string& sql,
                 const std::vector<std::string>& params) {
    FoundRuns found;
    // A server that is not there is said as soon as for a run; a search may take longer.
    PgLink::Connected connected =
        PgLink::Connect(uri, SharedJournal::kTimeoutSeconds, kLookupTimeoutSeconds);
    if (!connected.link) {
        found.outcome = Outcome::Refused(connected.why);
        return found;
    }
    PgReply reply = connected.link->Run(ZoneStatement(utcOffsetMinutes));
    if (reply.ok) {
        reply = connected.link->Run(sql, params);
    }
    if (!reply.ok) {
        found.outcome = Outcome::Refused(reply.error);
        return found;
    }
    for (const std::vector<std::string>& row : reply.rows) {
        found.runs.push_back(RecordOfRow(row));
    }
    return found;
}

} // namespace

std::optional<std::string> FilterRefusal(const JournalFilter& filter) {
    for (const std::string* date : {&filter.since, &filter.until}) {
        if (!date->empty() && !IsDate(*date)) {
            return "нет такой даты: \"" + *date + "\" (нужна дата ГГГГ-ММ-ДД)";
        }
    }
    if (!filter.result.empty() &&
        std::find(std::begin(kResults), std::end(kResults), filter.result) == std::end(kResults)) {
        return "итог \"" + filter.result + "\" не из ok, failed, cancelled, refused";
    }
    return std::nullopt;
}

bool Matches(const SharedRecord& record, const JournalFilter& filter) {
    const std::string day = record[kTimeColumn].substr(0, 10);
    const auto asks = [](const std::string& wanted, const std::string& value) {
        return wanted.empty() || wanted == value;
    };
    return (filter.since.empty() || day >= filter.since) &&
           (filter.until.empty() || day <= filter.until) &&
           asks(filter.unit, record[kUnitColumn]) && asks(filter.bench, record.bench) &&
           asks(filter.result, record[kResultColumn]) &&
           asks(filter.configFileHash, record[kConfigFileHashColumn]);
}

FoundRuns SharedJournal::Find(const std::string& uri, const JournalFilter& filter) {
    return Select(uri, filter.utcOffsetMinutes, std::string(kSelectRecord) + "''" + kWhereFilter,
                  {filter.since, filter.until, filter.unit, filter.bench, filter.result,
                   filter.configFileHash});
}

FoundRuns SharedJournal::FindId(const std::string& uri, const std::string& id,
                                int utcOffsetMinutes) {
    return Select(uri, utcOffsetMinutes,
                  std::string(kSelectRecord) +
                      "coalesce(radio_copy, '') FROM zekt_journal WHERE id = $1",
                  {id});
}

std::string NewRecordId(const std::string& bench, const std::string& time) {
    static std::atomic<unsigned> sequence{0};
    return bench + "/" + time + "/" + std::to_string(getpid()) + "-" + std::to_string(++sequence);
}

std::string OutboxLine(const SharedRecord& record) {
    std::string line;
    for (const std::string* field :
         {&record.id, &record.bench, &record.operatorLogin, &record.radioCopy}) {
        line.append(Encoded(*field)).push_back(';');
    }
    for (const std::string& column : record.columns) {
        line.append(Encoded(column)).push_back(';');
    }
    line.back() = '\n'; // the last separator ends the line
    return line;
}

bool ParseOutboxLine(std::string_view line, SharedRecord& record) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(';', start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    if (fields.size() != kOutboxFields) {
        return false;
    }
    bool ok = Decoded(fields[0], record.id) && Decoded(fields[1], record.bench) &&
              Decoded(fields[2], record.operatorLogin) && Decoded(fields[3], record.radioCopy);
    for (int c = 0; ok && c < kJournalColumns; ++c) {
        ok = Decoded(fields[static_cast<std::size_t>(4 + c)],
                     record.columns[static_cast<std::size_t>(c)]);
    }
    return ok && !record.id.empty();
}

bool UriHasPassword(const std::string& uri) {
    if (uri.find("password=") != std::string::npos) {
        return true;
    }
    const std::size_t scheme = uri.find("://");
    if (scheme == std::string::npos) {
        return false;
    }
    const std::size_t at = uri.find('@', scheme + 3);
    const std::size_t slash = uri.find('/', scheme + 3);
    if (at == std::string::npos || (slash != std::string::npos && slash < at)) {
        return false;
    }
    return uri.substr(scheme + 3, at - scheme - 3).find(':') != std::string::npos;
}

SharedJournal::SharedJournal(std::string uri, std::string outboxPath)
    : uri(std::move(uri)), outboxPath(std::move(outboxPath)) {}

SharedJournal::~SharedJournal() = default;

Outcome SharedJournal::Connect() {
    if (link) {
        return Outcome::Done();
    }
    if (!unreachable.empty()) {
        return Outcome::Refused(unreachable);
    }
    PgLink::Connected connected = PgLink::Connect(uri, kTimeoutSeconds);
    if (!connected.link) {
        unreachable = connected.why;
        return Outcome::Refused(unreachable);
    }
    link = std::move(connected.link);
    return Outcome::Done();
}

Outcome SharedJournal::Send(const SharedRecord& r) {
    std::vector<std::string> params = {r.id};
    params.insert(params.end(), r.columns.begin(), r.columns.end());
    params.push_back(r.bench);
    params.push_back(r.operatorLogin);
    params.push_back(r.radioCopy);
    const PgReply reply = link->Run(kInsert, params);
    if (!reply.ok) {
        return Outcome::Refused(reply.error);
    }
    return Outcome::Done();
}

Outcome SharedJournal::Keep(const SharedRecord& record) {
    LockedOutbox outbox(outboxPath);
    if (outbox.error != FileError::None) {
        return Outcome::Refused(Described(outboxPath, outbox.error));
    }
    errno = 0;
    if (!WriteAtOnce(outbox.fd, OutboxLine(record))) {
        return Outcome::Refused(
            Described(outboxPath, FileErrorFromErrno(errno != 0 ? errno : ENOSPC)));
    }
    return Outcome::Done();
}

Outcome SharedJournal::Record(const SharedRecord& record) {
    Outcome sent = Connect();
    if (sent.Ok()) {
        // What waited goes first, so that the server sees the bench's order.
        const Synced waited = Sync();
        sent = waited.outcome.Ok() ? Send(record) : waited.outcome;
    }
    if (sent.Ok()) {
        return sent;
    }
    if (const Outcome kept = Keep(record); !kept.Ok()) {
        return Outcome::Refused(sent.Why() + "; " + kept.Why());
    }
    return sent;
}

SharedJournal::Synced SharedJournal::Sync() {
    Synced synced;
    std::error_code ec;
    if (!std::filesystem::exists(PathOf(outboxPath), ec)) {
        return synced; // nothing ever waited
    }
    LockedOutbox outbox(outboxPath);
    if (outbox.error != FileError::None) {
        synced.outcome = Outcome::Refused(Described(outboxPath, outbox.error));
        return synced;
    }
    long long size = 0;
    if (!FileSizeOf(outbox.fd, size) || size == 0) {
        return synced;
    }
    const FileRead read = ReadRegularFile(outboxPath, kOutboxLimit);
    if (!read.Ok()) {
        synced.outcome = Outcome::Refused(Described(outboxPath, read.error));
        return synced;
    }
    std::string left;
    Outcome reached = Connect();
    for (const std::string_view line : SplitLines(read.bytes)) {
        if (line.empty()) {
            continue;
        }
        SharedRecord record;
        if (!ParseOutboxLine(line, record)) {
            continue; // a line cut short by a full disk: its record is in the local journal
        }
        if (reached.Ok()) {
            reached = Send(record);
            if (reached.Ok()) {
                ++synced.sent;
                continue;
            }
        }
        left += std::string(line) + "\n";
        ++synced.waiting;
    }
    synced.outcome = reached;
    // What the server acknowledged leaves the outbox; the rest stays, whole.
    if (synced.sent > 0 && (!CutFileTo(outbox.fd, 0) || !WriteAtOnce(outbox.fd, left))) {
        synced.outcome = Outcome::Refused(Described(outboxPath, FileErrorFromErrno(errno)));
    }
    return synced;
}

Outcome SharedJournal::InitDatabase(const std::string& uri) {
    PgLink::Connected connected = PgLink::Connect(uri, kTimeoutSeconds);
    if (!connected.link) {
        return Outcome::Refused(connected.why);
    }
    PgLink& db = *connected.link;
    const auto run = [&db](const std::string& sql) {
        const PgReply reply = db.Run(sql);
        return reply.ok ? Outcome::Done() : Outcome::Refused(reply.error);
    };
    // One transaction, one bench at a time: a database is at one version or
    // the next, never between.
    for (const char* sql : {"BEGIN", "SELECT pg_advisory_xact_lock(7401)",
                            "CREATE TABLE IF NOT EXISTS zekt_schema (version integer NOT NULL)"}) {
        if (const Outcome done = run(sql); !done.Ok()) {
            return done;
        }
    }
    const PgReply version = db.Run("SELECT coalesce(max(version), 0) FROM zekt_schema");
    if (!version.ok) {
        return Outcome::Refused(version.error);
    }
    const int have = std::stoi(version.rows.at(0).at(0));
    if (have > kSchemaVersion) {
        (void)run("ROLLBACK");
        return Outcome::Refused("журнал в базе данных версии " + std::to_string(have) +
                                ", эта программа знает версию " + std::to_string(kSchemaVersion) +
                                ": обновите программу");
    }
    for (int step = have; step < kSchemaVersion; ++step) {
        for (const char* sql : kSchemaSteps[static_cast<std::size_t>(step)]) {
            if (const Outcome done = run(sql); !done.Ok()) {
                (void)run("ROLLBACK");
                return done;
            }
        }
    }
    if (const Outcome done = run("DELETE FROM zekt_schema"); !done.Ok()) {
        return done;
    }
    if (const Outcome done =
            run("INSERT INTO zekt_schema VALUES (" + std::to_string(kSchemaVersion) + ")");
        !done.Ok()) {
        return done;
    }
    return run("COMMIT");
}

} // namespace zekt
