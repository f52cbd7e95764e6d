// Looking runs up in the shared journal, page by page: memory stays flat
// whatever the table holds.
#include "SharedJournal.h"
#include "SharedSchema.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <map>
#include <set>

namespace zekt {

namespace {

// How a table of each version gives a record's time and day: as the bench
// that made it saw them (its local time kept beside the instant), or, for a
// record from before the zone was kept, in the looking bench's zone.
struct TimeColumns {
    const char* time;
    const char* day;
    const char* zone;
    const char* nearSince; // the time index narrows the days first: zones differ by < 2 days
    const char* nearUntil;
};
constexpr TimeColumns kLocalTime = {"coalesce(local_time, to_json(time) #>> '{}')",
                                    "coalesce(left(local_time, 10), to_char(time, 'YYYY-MM-DD'))",
                                    "coalesce(zone, '')", "time >= NULLIF($1, '')::date - 2 AND ",
                                    "time < NULLIF($2, '')::date + 3 AND "};
constexpr TimeColumns kBenchTime = {"to_json(time) #>> '{}'", "to_char(time, 'YYYY-MM-DD')", "''",
                                    "", ""};

// A connection for a lookup, its times in the bench's zone, and how its
// table gives times, days and radio numbers.
struct LookupLink {
    std::unique_ptr<PgLink> db;
    const TimeColumns* columns = &kBenchTime;
    const char* radio = "''"; // a table from before the radio number
    const char* rule = "1";   // how the row's text is spelled; 1.1.0's before the column
};

// A record's columns as the lookups select them, in the record's order.
std::string SelectRecord(const LookupLink& link) {
    const TimeColumns& t = *link.columns;
    return std::string("SELECT id, ") + t.time +
           ", program, command, result, message, config_file, config_file_sha256, "
           "config_sha256, firmware_file, firmware_sha256, version, to_char(seconds, "
           "'FM999999990.0'), unit, latency, " +
           link.radio + ", id, bench, operator, " + t.zone + ", " + link.rule + ", ";
}

// Days from since to until, both included, as calendar days where each
// record was made.
std::string WhereFilter(const LookupLink& link) {
    const TimeColumns& t = *link.columns;
    return std::string(" FROM zekt_journal WHERE (NULLIF($1, '') IS NULL OR (") + t.nearSince +
           t.day + " >= $1)) AND (NULLIF($2, '') IS NULL OR (" + t.nearUntil + t.day +
           " <= $2)) AND ($3 = '' OR unit = $3) AND ($4 = '' OR bench = $4) AND ($5 = '' OR "
           "result = $5) AND (($6 = '' AND $7 = '') OR ($6 <> '' AND config_sha256 = $6) OR "
           "($7 <> '' AND config_file_sha256 = $7)) AND ($8 = '' OR " +
           link.radio + " = $8)";
}

// The runs are read through a cursor, a page at a time: one query on the
// server, a page in memory here.
constexpr const char* kOrder = " ORDER BY time, id";
constexpr std::size_t kPageRows = 500;

const char* const kResults[] = {"ok", "failed", "cancelled", "refused"};

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

// The rule a row's text was spelled by, from its column.
int TextRuleOf(const std::string& column) {
    return column == std::to_string(kTextRule) ? kTextRule : kTextRule110;
}

SharedRecord RecordOfRow(const std::vector<std::string>& row) {
    const int rule = TextRuleOf(row.at(4 + kJournalColumns));
    const auto field = [&row, rule](std::size_t at) { return FieldOfServerText(row.at(at), rule); };
    SharedRecord record;
    record.id = field(0);
    for (std::size_t c = 0; c < kJournalColumns; ++c) {
        record.columns[c] = field(1 + c);
    }
    record.bench = field(1 + kJournalColumns);
    record.operatorLogin = field(2 + kJournalColumns);
    record.zone = field(3 + kJournalColumns);
    record.radioCopy = field(5 + kJournalColumns);
    return record;
}

LookupLink Connect(const std::string& uri, int utcOffsetMinutes, FoundRuns& found) {
    // A server that is not there is said as soon as for a run; a search may take longer.
    PgLink::Connected connected =
        PgLink::Connect(uri, SharedJournal::kConnectSeconds, SharedJournal::kLookupSeconds);
    if (!connected.link) {
        found.outcome = Outcome::Refused(connected.why);
        return {};
    }
    if (const PgReply zone = connected.link->Run(ZoneStatement(utcOffsetMinutes)); !zone.ok) {
        found.outcome = Outcome::Refused(zone.error);
        return {};
    }
    LookupLink link{std::move(connected.link)};
    const TableKeeps keeps = WhatTableKeeps(*link.db);
    link.columns = keeps.zone ? &kLocalTime : &kBenchTime;
    link.radio = keeps.radio ? "coalesce(radio, '')" : "''";
    link.rule = keeps.escaping ? "coalesce(text_escaping, 1)" : "1";
    return link;
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
        return "итог \"" + filter.result +
               "\" не из успешно, ошибка, прервано, отказ (ok, failed, cancelled, refused)";
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
           asks(filter.radio, record[kRadioColumn]) && asks(filter.result, record[kResultColumn]) &&
           ((filter.configHash.empty() && filter.configFileHash.empty()) ||
            (!filter.configHash.empty() && filter.configHash == record[kConfigHashColumn]) ||
            (!filter.configFileHash.empty() &&
             filter.configFileHash == record[kConfigFileHashColumn]));
}

void FoundRuns::Take(SharedRecord run, std::size_t limit, const EachRun& each) {
    ++total;
    if (limit != 0 && shown >= limit) {
        return;
    }
    ++shown;
    if (each) {
        each(run);
    } else {
        runs.push_back(std::move(run));
    }
}

FoundRuns SharedJournal::Find(const std::string& uri, const JournalFilter& filter,
                              std::size_t limit, const EachRun& each, const LookupStop* stop) {
    FoundRuns found;
    // Looked at between statements: one already asked ends at its own deadline.
    const auto stopped = [stop, &found] {
        if (stop == nullptr || !stop->load(std::memory_order_relaxed)) {
            return false;
        }
        found = {Outcome::Refused(kLookupStoppedText), {}, 0, 0};
        return true;
    };
    const LookupLink link = Connect(uri, filter.utcOffsetMinutes, found);
    if (!link.db || stopped()) {
        return found;
    }
    PgLink* db = link.db.get();
    const std::string where = WhereFilter(link);
    const std::vector<std::string> params = {
        filter.since,  filter.until,      filter.unit,           filter.bench,
        filter.result, filter.configHash, filter.configFileHash, ServerText(filter.radio)};
    const PgReply counted = db->Run("SELECT count(*)" + where, params);
    if (!counted.ok) {
        found.outcome = Outcome::Refused(counted.error);
        return found;
    }
    const std::size_t total = std::stoull(counted.rows.at(0).at(0));
    if (stopped()) {
        return found;
    }
    PgReply step = db->Run("BEGIN");
    if (step.ok) {
        step = db->Run("DECLARE runs NO SCROLL CURSOR FOR " + SelectRecord(link) + "''" + where +
                           kOrder,
                       params);
    }
    const std::string fetch = "FETCH " + std::to_string(kPageRows) + " FROM runs";
    while (step.ok && (limit == 0 || found.shown < limit)) {
        if (stopped()) {
            return found;
        }
        step = db->Run(fetch);
        for (const std::vector<std::string>& row : step.rows) {
            found.Take(RecordOfRow(row), limit, each);
        }
        if (step.rows.size() < kPageRows) {
            break;
        }
    }
    if (!step.ok) {
        found.outcome = Outcome::Refused(step.error);
        return found;
    }
    (void)db->Run("COMMIT");
    found.total = std::max(total, found.total);
    return found;
}

namespace {

// A time as the instant it names, "YYYY-MM-DD HH:MM:SS" in UTC, however the
// bench wrote its offset; the text itself when it is no such time.
std::string UtcInstant(const std::string& time) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, oh = 0, om = 0;
    char sign = 0;
    if (std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &y, &mo, &d, &h, &mi, &s,
                    &sign, &oh, &om) != 9 ||
        (sign != '+' && sign != '-')) {
        return time;
    }
    using namespace std::chrono;
    const year_month_day day{year(y), month(static_cast<unsigned>(mo)),
                             std::chrono::day(static_cast<unsigned>(d))};
    if (!day.ok()) {
        return time;
    }
    const int offset = (sign == '-' ? -1 : 1) * (oh * 60 + om);
    const sys_seconds at = sys_days(day) + hours(h) + minutes(mi - offset) + seconds(s);
    const sys_days utcDay = floor<days>(at);
    const year_month_day u{utcDay};
    const hh_mm_ss clock{at - utcDay};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(u.year()),
                  static_cast<unsigned>(u.month()), static_cast<unsigned>(u.day()),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

// The server's columns a comparison reads, in the journal's order from the
// time to the latency, then the radio's number (empty from a table of
// before it), as the server stores them.
constexpr const char* kCompareColumns =
    "to_char(time AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), program, command, result, "
    "message, config_file, config_file_sha256, config_sha256, firmware_file, firmware_sha256, "
    "version, to_char(seconds, 'FM999999990.0'), unit, latency, ";

// A run's whole content, every column but its id, as its bytes: two radios
// programmed in the same second differ in their numbers at least. The
// radio's number counts only where the table keeps it.
std::string ContentKey(const SharedRecord& r, bool withRadio) {
    std::string key = UtcInstant(r[kTimeColumn]);
    for (int c = kTimeColumn + 1; c < kRadioColumn; ++c) {
        std::string field = r[static_cast<JournalColumn>(c)];
        if (c == kSecondsColumn) {
            std::replace(field.begin(), field.end(), ',', '.'); // 1.0.0 under ru_RU
        }
        key += '\x1f' + field;
    }
    return key + '\x1f' + (withRadio ? r[kRadioColumn] : std::string());
}

// The same of a row of the comparison's (its id, the columns, the radio's
// number and its text rule last), its text read back to bytes.
std::string ContentKeyOfRow(const std::vector<std::string>& row) {
    const int rule = TextRuleOf(row.back());
    std::string key = row.at(1);
    for (std::size_t c = 2; c + 1 < row.size(); ++c) {
        key += '\x1f' + FieldOfServerText(row[c], rule);
    }
    return key;
}

} // namespace

SharedJournal::Compared SharedJournal::Compare(const std::string& uri,
                                               const std::string& outboxPath,
                                               const std::string& bench, int utcOffsetMinutes,
                                               const std::vector<SharedRecord>& local) {
    Compared compared;
    FoundRuns found;
    const LookupLink link = Connect(uri, utcOffsetMinutes, found);
    if (!link.db) {
        compared.outcome = found.outcome;
        return compared;
    }
    const bool withRadio = std::string(link.radio) != "''";
    const PgReply reply = link.db->Run(std::string("SELECT id, ") + kCompareColumns + link.radio +
                                           ", " + link.rule + " FROM zekt_journal WHERE bench = $1",
                                       {ServerText(bench)});
    if (!reply.ok) {
        compared.outcome = Outcome::Refused(reply.error);
        return compared;
    }
    compared.onServer = reply.rows.size();
    // A line with its id is the row with that id; a line from before ids
    // is any row of the same content that no line claims by id, counted:
    // two alike are two.
    std::set<std::string> localIds;
    for (const SharedRecord& record : local) {
        if (!record[kIdColumn].empty()) {
            localIds.insert(record[kIdColumn]);
        }
    }
    std::set<std::string> have;
    std::map<std::string, int> alike;
    for (const std::vector<std::string>& row : reply.rows) {
        const std::string id = FieldOfServerText(row.at(0), TextRuleOf(row.back()));
        have.insert(id);
        if (localIds.count(id) == 0) {
            ++alike[ContentKeyOfRow(row)];
        }
    }
    const Outbox::Waiting queued = Outbox(outboxPath).Take(std::numeric_limits<std::size_t>::max());
    for (const SharedRecord& record : queued.records) {
        have.insert(record.id);
        if (localIds.count(record.id) == 0) {
            ++alike[ContentKey(record, withRadio)];
        }
    }
    for (const SharedRecord& record : local) {
        if (!record[kIdColumn].empty()) {
            if (have.count(record[kIdColumn]) == 0) {
                compared.missing.push_back(record);
            }
            continue;
        }
        int& left = alike[ContentKey(record, withRadio)];
        if (left > 0) {
            --left;
        } else {
            compared.missing.push_back(record);
        }
    }
    return compared;
}

FoundRuns SharedJournal::FindId(const std::string& uri, const std::string& id,
                                int utcOffsetMinutes) {
    FoundRuns found;
    const LookupLink link = Connect(uri, utcOffsetMinutes, found);
    if (!link.db) {
        return found;
    }
    const PgReply reply = link.db->Run(
        SelectRecord(link) + "coalesce(radio_copy, '') FROM zekt_journal WHERE id = $1", {id});
    if (!reply.ok) {
        found.outcome = Outcome::Refused(reply.error);
        return found;
    }
    for (const std::vector<std::string>& row : reply.rows) {
        found.Take(RecordOfRow(row), 0, {});
    }
    return found;
}

} // namespace zekt
