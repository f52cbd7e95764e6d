// Looking runs up in the shared journal, page by page: memory stays flat
// whatever the table holds.
#include "SharedJournal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace zekt {

namespace {

// A record's columns as the lookups select them, in the record's order,
// then the key of the next page.
constexpr const char* kSelectRecord =
    "SELECT id, to_json(time) #>> '{}', program, command, result, message, config_file, "
    "config_file_sha256, config_sha256, firmware_file, firmware_sha256, version, "
    "to_char(seconds, 'FM999999990.0'), unit, latency, bench, operator, ";

// Dates as the bench's day: from the start of since to the end of until.
constexpr const char* kWhereFilter =
    " FROM zekt_journal WHERE (NULLIF($1, '') IS NULL OR time >= NULLIF($1, '')::date) "
    "AND (NULLIF($2, '') IS NULL OR time < NULLIF($2, '')::date + 1) "
    "AND ($3 = '' OR unit = $3) AND ($4 = '' OR bench = $4) AND ($5 = '' OR result = $5) "
    "AND (($6 = '' AND $7 = '') OR ($6 <> '' AND config_sha256 = $6) "
    "OR ($7 <> '' AND config_file_sha256 = $7))";

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

// A connection for a lookup, its times in the bench's zone.
std::unique_ptr<PgLink> LookupLink(const std::string& uri, int utcOffsetMinutes, FoundRuns& found) {
    // A server that is not there is said as soon as for a run; a search may take longer.
    PgLink::Connected connected =
        PgLink::Connect(uri, SharedJournal::kConnectSeconds, SharedJournal::kLookupSeconds);
    if (!connected.link) {
        found.outcome = Outcome::Refused(connected.why);
        return nullptr;
    }
    if (const PgReply zone = connected.link->Run(ZoneStatement(utcOffsetMinutes)); !zone.ok) {
        found.outcome = Outcome::Refused(zone.error);
        return nullptr;
    }
    return std::move(connected.link);
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
                              std::size_t limit, const EachRun& each) {
    FoundRuns found;
    const std::unique_ptr<PgLink> db = LookupLink(uri, filter.utcOffsetMinutes, found);
    if (!db) {
        return found;
    }
    const std::vector<std::string> params = {filter.since,         filter.until,  filter.unit,
                                             filter.bench,         filter.result, filter.configHash,
                                             filter.configFileHash};
    const PgReply counted = db->Run(std::string("SELECT count(*)") + kWhereFilter, params);
    if (!counted.ok) {
        found.outcome = Outcome::Refused(counted.error);
        return found;
    }
    const std::size_t total = std::stoull(counted.rows.at(0).at(0));
    PgReply step = db->Run("BEGIN");
    if (step.ok) {
        step = db->Run(std::string("DECLARE runs NO SCROLL CURSOR FOR ") + kSelectRecord + "''" +
                           kWhereFilter + kOrder,
                       params);
    }
    const std::string fetch = "FETCH " + std::to_string(kPageRows) + " FROM runs";
    while (step.ok && (limit == 0 || found.shown < limit)) {
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

FoundRuns SharedJournal::FindId(const std::string& uri, const std::string& id,
                                int utcOffsetMinutes) {
    FoundRuns found;
    const std::unique_ptr<PgLink> db = LookupLink(uri, utcOffsetMinutes, found);
    if (!db) {
        return found;
    }
    const PgReply reply = db->Run(std::string(kSelectRecord) +
                                      "coalesce(radio_copy, '') FROM zekt_journal WHERE id = $1",
                                  {id});
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
