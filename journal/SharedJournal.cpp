#include "SharedJournal.h"

#include "SafeFile.h"
#include "SharedSchema.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>

namespace zekt {

namespace {

// What one round of sending takes from the outbox: a few megabytes.
constexpr std::size_t kRoundRecords = 5000;
// The sender's waits after a failed attempt.
constexpr int kFirstRetrySeconds = 1;
constexpr int kLongestRetrySeconds = 30;

// A record into a table of this version, or into one that init-db has not
// yet brought to it (without the zone and local time, or the radio number).
std::string InsertStatement(const TableKeeps& keeps) {
    std::string columns =
        "id, time, program, command, result, message, config_file, config_file_sha256, "
        "config_sha256, firmware_file, firmware_sha256, version, seconds, unit, latency, bench, "
        "operator, radio_copy";
    std::string values = "$1, $2::timestamptz, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, "
                         "$13::double precision, $14, $15, $16, $17, NULLIF($18, '')";
    int next = 19;
    // An empty text stored as NULL where the column may lack a value.
    const auto add = [&](const char* column, bool emptyIsNull) {
        columns.append(", ").append(column);
        const std::string parameter = std::to_string(next++);
        values.append(emptyIsNull ? ", NULLIF($" : ", $").append(parameter);
        values.append(emptyIsNull ? ", '')" : "");
    };
    if (keeps.zone) {
        add("zone", true);
        add("local_time", false);
    }
    if (keeps.radio) {
        add("radio", true);
    }
    if (keeps.escaping) {
        add("text_escaping", false);
    }
    return "INSERT INTO zekt_journal (" + columns + ") VALUES (" + values +
           ") ON CONFLICT (id) DO NOTHING RETURNING id";
}

// Whether the row a record's id already names is that record (sent before,
// its acknowledgement lost) and not another with the same id.
constexpr const char* kSameRecord =
    "SELECT bench = $2 AND time = $3::timestamptz AND command = $4 AND result = $5 AND "
    "config_sha256 = $6 AND unit = $7 FROM zekt_journal WHERE id = $1";

// SQLSTATE classes that fault the record itself (data exceptions, integrity
// constraints, program limits): the server will never take it. Anything
// else (no privilege, a server shutting down, a full disk) is the bench's or
// the server's and the record waits.
bool RecordAtFault(const std::string& sqlState) {
    const std::string group = sqlState.substr(0, 2);
    return group == "22" || group == "23" || group == "54";
}

// A connection of the sender's, and what the table it writes to keeps.
struct SenderLink {
    std::unique_ptr<PgLink> db;
    TableKeeps keeps;
    std::string insert = InsertStatement(keeps);
    void Connected(std::unique_ptr<PgLink> connected) {
        db = std::move(connected);
        keeps = WhatTableKeeps(*db);
        insert = InsertStatement(keeps);
    }
};

std::vector<std::string> InsertParameters(const SharedRecord& r, const TableKeeps& keeps) {
    // A table without the rule's column reads every row by 1.1.0's rule.
    const int rule = keeps.escaping ? kTextRule : kTextRule110;
    const auto text = [rule](const std::string& field) { return ServerText(field, rule); };
    std::vector<std::string> params = {text(r.id)};
    for (int c = 0; c < kRadioColumn; ++c) {
        params.push_back(text(r[static_cast<JournalColumn>(c)]));
    }
    params.push_back(text(r.bench));
    params.push_back(text(r.operatorLogin));
    params.push_back(text(r.radioCopy));
    if (keeps.zone) {
        params.push_back(text(r.zone));
        params.push_back(text(r[kTimeColumn])); // as the bench wrote it
    }
    if (keeps.radio) {
        params.push_back(text(r[kRadioColumn]));
    }
    if (keeps.escaping) {
        params.push_back(std::to_string(kTextRule));
    }
    return params;
}

// What happened to the records a round tried.
struct Tried {
    std::set<std::string> sent;
    std::vector<Outbox::Refusal> refused;
    std::optional<PgReply> stopped; // why the rest waits (the connection, a privilege)
};

// One record: true when the server has it (now or from before), else the
// refusal or the failure is noted.
bool Insert(const SenderLink& link, const SharedRecord& record, Tried& tried,
            std::vector<Outbox::Refusal>& refused) {
    PgLink& db = *link.db;
    const std::vector<std::string> params = InsertParameters(record, link.keeps);
    PgReply reply = db.Run(link.insert, params);
    if (reply.ok && !reply.rows.empty()) {
        tried.sent.insert(record.id);
        return true;
    }
    if (reply.ok) {
        reply = db.Run(kSameRecord, {params[0], params[1 + kRadioColumn], params[1 + kTimeColumn],
                                     params[1 + kCommandColumn], params[1 + kResultColumn],
                                     params[1 + kConfigHashColumn], params[1 + kUnitColumn]});
        if (reply.ok && !reply.rows.empty() && reply.rows[0][0] == "t") {
            tried.sent.insert(record.id);
            return true;
        }
        if (reply.ok) {
            refused.emplace_back(record,
                                 "в общем журнале уже есть другая запись с номером " + record.id);
            return true;
        }
    }
    if (!reply.lost && RecordAtFault(reply.sqlState)) {
        refused.emplace_back(record, reply.error);
        return true;
    }
    tried.stopped = reply;
    return false;
}

// A batch in one transaction: one flush on the server for all of it. A
// record the server refuses spoils the transaction: then one by one, so
// that only that record is set aside.
void SendBatch(const SenderLink& link, const std::vector<SharedRecord>& batch, Tried& tried) {
    PgLink& db = *link.db;
    PgReply begun = db.Run("BEGIN");
    if (!begun.ok) {
        tried.stopped = begun;
        return;
    }
    Tried inBatch;
    std::vector<Outbox::Refusal> conflicts;
    bool whole = true;
    for (const SharedRecord& record : batch) {
        if (!Insert(link, record, inBatch, conflicts) || !conflicts.empty()) {
            whole = false;
            break;
        }
    }
    if (whole) {
        const PgReply committed = db.Run("COMMIT");
        if (committed.ok) {
            tried.sent.insert(inBatch.sent.begin(), inBatch.sent.end());
            return;
        }
        tried.stopped = committed;
        return;
    }
    if (inBatch.stopped && inBatch.stopped->lost) {
        tried.stopped = inBatch.stopped;
        return;
    }
    if (const PgReply rolled = db.Run("ROLLBACK"); !rolled.ok) {
        tried.stopped = rolled;
        return;
    }
    for (const SharedRecord& record : batch) {
        if (!Insert(link, record, tried, tried.refused)) {
            return;
        }
    }
}

// The texts of what a round did.
struct Round {
    Outcome outcome = Outcome::Done();
    PgFailure failure = PgFailure::Unreachable;
    int sent = 0;
    int refused = 0;
    std::optional<TableKeeps> oldTable; // what a table init-db has not upgraded lacks
    bool unreachable = false;           // no connection could be made

    // Counts what a try sent and set aside; true when the server stopped it
    // (a lost connection is dropped, to be made again).
    bool Counted(const Tried& tried, SenderLink& link) {
        sent += static_cast<int>(tried.sent.size());
        refused += static_cast<int>(tried.refused.size());
        if (!tried.stopped) {
            return false;
        }
        if (tried.stopped->lost) {
            link.db.reset();
        }
        failure = FailureOf(*tried.stopped);
        outcome = Outcome::Refused(tried.stopped->error);
        return true;
    }
};

// The sender's connection, made when there is none; false (the round says
// why) when the server cannot be reached.
bool Connected(const std::string& uri, SenderLink& link, Round& round) {
    if (link.db && link.db->Alive()) {
        return true;
    }
    PgLink::Connected connected =
        PgLink::Connect(uri, SharedJournal::kConnectSeconds, SharedJournal::kStatementSeconds);
    if (!connected.link) {
        round.failure = connected.failure;
        round.outcome = Outcome::Refused(connected.why);
        round.unreachable = true;
        return false;
    }
    link.Connected(std::move(connected.link));
    return true;
}

// Sends what waits until the outbox is empty or the server fails.
Round SendWaiting(const std::string& uri, Outbox& outbox, SenderLink& link) {
    Round round;
    for (;;) {
        Outbox::Waiting waiting = outbox.Take(kRoundRecords);
        round.refused += waiting.setAside;
        if (!waiting.outcome.Ok()) {
            round.outcome = waiting.outcome;
            return round;
        }
        if (waiting.records.empty()) {
            return round;
        }
        if (!Connected(uri, link, round)) {
            return round;
        }
        if (link.keeps.table && !link.keeps.All()) {
            round.oldTable = link.keeps; // no table at all is said by the insert
        }
        Tried tried;
        for (std::size_t at = 0; at < waiting.records.size() && !tried.stopped;
             at += SharedJournal::kBatchRecords) {
            const auto from = waiting.records.begin() + static_cast<std::ptrdiff_t>(at);
            const std::size_t count =
                std::min(SharedJournal::kBatchRecords, waiting.records.size() - at);
            SendBatch(link, {from, from + static_cast<std::ptrdiff_t>(count)}, tried);
        }
        const Outcome settled = outbox.Settle(tried.sent, tried.refused);
        if (round.Counted(tried, link)) {
            return round;
        }
        if (!settled.Ok()) {
            round.outcome = settled;
            return round;
        }
        if (waiting.records.size() < kRoundRecords) {
            return round;
        }
    }
}

std::string OldTableText(const TableKeeps& keeps) {
    std::vector<std::string> lacks;
    for (const auto& [kept, what] :
         {std::pair{keeps.zone, "пояса времени"}, std::pair{keeps.radio, "номера радиостанции"},
          std::pair{keeps.escaping, "пометки, отличающей байт от текста"}}) {
        if (!kept) {
            lacks.emplace_back(what);
        }
    }
    std::string without;
    for (std::size_t i = 0; i < lacks.size(); ++i) {
        without += (i == 0 ? "" : i + 1 == lacks.size() ? " и " : ", ") + lacks[i];
    }
    return "общий журнал в базе данных старой версии: записи отправляются без " + without +
           ". Попросите владельца базы выполнить zekt-cli journal init-db.";
}

std::string LeftText(int count) {
    return "общий журнал: записей в очереди: " + std::to_string(count) +
           "; они будут отправлены со следующей работой или командой zekt-cli journal sync.";
}

} // namespace

namespace {

// The reason as a sentence: a full stop unless it ends its own ("Файл ...:
// только для чтения.") or asks ("Сервер действительно работает ...?").
std::string Sentence(const std::string& reason) {
    if (reason.ends_with('?') || reason.ends_with('!') ||
        (reason.ends_with('.') && !reason.ends_with(".."))) {
        return reason;
    }
    return reason + ".";
}

} // namespace

std::string SharedJournal::UnreachableText(PgFailure failure, const std::string& reason) {
    const std::string why = Sentence(reason);
    switch (failure) {
    case PgFailure::NoLibrary:
        return reason;
    case PgFailure::Settings:
        return "общий журнал не принимает записи: " + why +
               " Проверьте адрес journal-database (база данных, пользователь, пароль, sslmode); "
               "записи ждут в очереди.";
    case PgFailure::Busy:
        return "общий журнал занят: " + why +
               " Сервер не успел принять записи (таблица заблокирована или сервер перегружен); "
               "записи ждут в очереди и будут отправлены позже.";
    case PgFailure::NoTable:
        return "в базе данных нет таблицы общего журнала: " + why +
               " Владелец базы создаёт её командой zekt-cli journal init-db; записи ждут в "
               "очереди.";
    case PgFailure::NoRights:
        return "у этого места нет прав на таблицу общего журнала: " + why +
               " Владелец базы выдаёт их роли этого места (GRANT, см. руководство "
               "администратора); записи ждут в очереди.";
    case PgFailure::Unreachable:
        break;
    }
    return "общий журнал недоступен: " + why +
           " Записи ждут в очереди и будут отправлены, как только сервер ответит (или командой "
           "zekt-cli journal sync).";
}

std::string SharedJournal::RefusedText(int count, const std::string& refusedPath) {
    return "общий журнал не принял записей: " + std::to_string(count) +
           "; они отложены с причиной в файл " + refusedPath + " (записи в местном журнале есть).";
}

std::string SharedJournal::ReachableAgainText() {
    return "общий журнал снова доступен: записи из очереди отправлены.";
}

// The sender's state, shared with its thread: a thread still waiting for a
// hung server when its program ends is left to the process's end.
struct SharedJournal::Sender {
    Sender(std::string uri, std::string outboxPath, Tell tell)
        : uri(std::move(uri)), outbox(std::move(outboxPath)), tell(std::move(tell)) {}

    const std::string uri;
    Outbox outbox;
    SenderLink link; // the sender thread's only

    std::mutex mutex;
    std::condition_variable changed;
    Tell tell;                      // under the mutex: cleared before the thread is left behind
    bool wake = true;               // what earlier programs left waits too
    std::set<std::string> mine;     // the records this program queued
    std::vector<SharedRecord> held; // records the outbox could not take, sent from memory
    bool stopping = false;
    bool finished = false;
    enum class State { Unknown, Up, Down } state = State::Unknown;
    int failures = 0;
    bool toldOldTable = false;
    std::chrono::steady_clock::time_point retryAt = std::chrono::steady_clock::time_point::max();

    void Say(const std::string& text) {
        if (tell) {
            tell(text);
        }
    }

    // After a round, under the mutex: what changed is told once.
    void Note(const Round& round) {
        if (round.refused > 0) {
            Say(RefusedText(round.refused, outbox.RefusedPath()));
        }
        if (round.oldTable && !toldOldTable) {
            toldOldTable = true;
            Say(OldTableText(*round.oldTable));
        }
        const auto now = std::chrono::steady_clock::now();
        if (round.outcome.Ok()) {
            if (state == State::Down) {
                Say(ReachableAgainText());
            }
            state = State::Up;
            failures = 0;
            retryAt = std::chrono::steady_clock::time_point::max();
            return;
        }
        if (state != State::Down) {
            Say(UnreachableText(round.failure, round.outcome.Why()));
        }
        state = State::Down;
        const int wait =
            std::min(kLongestRetrySeconds, kFirstRetrySeconds << std::min(failures, 5));
        ++failures;
        retryAt = now + std::chrono::seconds(wait);
    }

    // The records only this program's memory holds, after the outbox's.
    void SendHeld(Round& round) {
        std::vector<SharedRecord> records;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            records = held;
        }
        if (records.empty() || !Connected(uri, link, round)) {
            return;
        }
        Tried tried;
        SendBatch(link, records, tried);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            std::erase_if(held, [&tried](const SharedRecord& record) {
                return tried.sent.count(record.id) > 0 ||
                       std::any_of(tried.refused.begin(), tried.refused.end(),
                                   [&record](const Outbox::Refusal& refusal) {
                                       return refusal.first.id == record.id;
                                   });
            });
        }
        if (!tried.refused.empty()) {
            (void)outbox.Settle({}, tried.refused); // to the refused-records file, with why
        }
        (void)round.Counted(tried, link);
    }

    void Run() {
        // Connected while the run works, so that its record goes at once;
        // a server not there yet is said when a record waits for it.
        if (PgLink::Connected early =
                PgLink::Connect(uri, SharedJournal::kConnectSeconds, kStatementSeconds);
            early.link) {
            link.Connected(std::move(early.link));
        }
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait_until(lock, retryAt, [this] {
                return wake || stopping || std::chrono::steady_clock::now() >= retryAt;
            });
            const bool last = stopping;
            wake = false;
            lock.unlock();
            Round round = SendWaiting(uri, outbox, link);
            if (!round.unreachable) { // an outbox that cannot be read holds none of these
                SendHeld(round);
            }
            lock.lock();
            Note(round);
            if (last) {
                finished = true;
                changed.notify_all();
                return;
            }
        }
    }
};

SharedJournal::SharedJournal(std::string uri, std::string outboxPath, Tell tell)
    : outbox(outboxPath),
      sender(std::make_shared<Sender>(std::move(uri), std::move(outboxPath), std::move(tell))) {
    std::thread([state = sender] { state->Run(); }).detach();
}

SharedJournal::~SharedJournal() {
    std::unique_lock<std::mutex> lock(sender->mutex);
    sender->stopping = true;
    sender->changed.notify_all();
    const bool drained = sender->changed.wait_for(
        lock, std::chrono::milliseconds(kDrainMilliseconds), [this] { return sender->finished; });
    // Said unless the sender has just said the server is down, or sent all.
    if (!drained || sender->state != Sender::State::Up) {
        if (const int left = outbox.Count(&sender->mine);
            left > 0 && (!drained || sender->state != Sender::State::Down)) {
            sender->Say(LeftText(left));
        }
    }
    sender->tell = nullptr; // the thread may outlive whoever listens
}

Outcome SharedJournal::Record(const SharedRecord& record) {
    const Outcome kept = outbox.Append(record);
    std::lock_guard<std::mutex> lock(sender->mutex);
    if (kept.Ok()) {
        sender->mine.insert(record.id);
    }
    sender->wake = true;
    sender->changed.notify_all();
    return kept;
}

void SharedJournal::Hold(SharedRecord record) {
    const std::lock_guard<std::mutex> lock(sender->mutex);
    sender->held.push_back(std::move(record));
    sender->wake = true;
    sender->changed.notify_all();
}

int SharedJournal::Waiting() const {
    return outbox.Count();
}

SharedJournal::Synced SharedJournal::Sync(const std::string& uri, const std::string& outboxPath) {
    Outbox outbox(outboxPath);
    SenderLink link;
    const Round round = SendWaiting(uri, outbox, link);
    Synced synced{round.outcome, round.sent, outbox.Count(), round.refused};
    if (!round.outcome.Ok()) {
        synced.outcome = Outcome::Refused(UnreachableText(round.failure, round.outcome.Why()));
    }
    return synced;
}

SharedJournal::Probed SharedJournal::Probe(const std::string& uri) {
    Probed probed;
    const auto refuse = [&probed](PgFailure failure, const std::string& why) {
        probed.failure = failure;
        probed.outcome = Outcome::Refused(UnreachableText(failure, why));
        return probed;
    };
    PgLink::Connected connected = PgLink::Connect(uri, kConnectSeconds, kStatementSeconds);
    if (!connected.link) {
        return refuse(connected.failure, connected.why);
    }
    PgLink& db = *connected.link;
    // The rights are asked only of a table that is there (the question
    // itself fails on one that is not).
    const PgReply who =
        db.Run("SELECT current_user, current_database(), to_regclass('zekt_journal') IS NOT NULL, "
               "CASE WHEN to_regclass('zekt_journal') IS NULL THEN false ELSE "
               "has_table_privilege('zekt_journal', 'INSERT') END, CASE WHEN "
               "to_regclass('zekt_journal') IS NULL THEN false ELSE "
               "has_table_privilege('zekt_journal', 'SELECT') END");
    if (!who.ok) {
        return refuse(FailureOf(who), who.error);
    }
    const std::vector<std::string>& row = who.rows.at(0);
    probed.user = row.at(0);
    probed.database = row.at(1);
    probed.mayRead = row.at(4) == "t";
    if (row.at(2) != "t") {
        return refuse(PgFailure::NoTable, "таблицы zekt_journal нет в базе " + probed.database);
    }
    probed.version = WhatTableKeeps(db).Version();
    if (row.at(3) != "t") {
        return refuse(PgFailure::NoRights,
                      "роль " + probed.user + " не может добавлять записи в zekt_journal");
    }
    return probed;
}

Outcome SharedJournal::InitDatabase(const std::string& uri) {
    PgLink::Connected connected = PgLink::Connect(uri, kConnectSeconds, kLookupSeconds);
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

namespace {

// The text with %XX decoded, blanks dropped and letters in lower case: what
// a reader of the file could make a password of.
std::string Flattened(const std::string& uri) {
    std::string out;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        char c = uri[i];
        if (c == '%' && i + 2 < uri.size() &&
            std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
            c = static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
            i += 2;
        }
        if (c != ' ' && c != '\t') {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

} // namespace

bool UriHasPassword(const std::string& uri) {
    const PgAddress address = ParsePgAddress(uri);
    if (!address.refusal) {
        return !address.Value("password").empty();
    }
    // libpq cannot read it (or is not there): judged by its text, warily.
    const std::string flat = Flattened(uri);
    if (flat.find("password") != std::string::npos) {
        return true;
    }
    const std::size_t scheme = flat.find("://");
    if (scheme == std::string::npos) {
        return false;
    }
    const std::size_t at = flat.find('@', scheme + 3);
    const std::size_t end = flat.find_first_of("/?", scheme + 3);
    return at != std::string::npos && (end == std::string::npos || at < end) &&
           flat.substr(scheme + 3, at - scheme - 3).find(':') != std::string::npos;
}

} // namespace zekt
