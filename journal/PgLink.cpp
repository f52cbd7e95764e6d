#include "PgLink.h"

#include "LibPq.h"

#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

namespace zekt {

struct PgLink::Handle {
    void* connection;
};

namespace {

using Clock = std::chrono::steady_clock;

// TCP keepalives: a half-open connection (a server's cable pulled, a NAT
// that forgot it) is found in about 15 s, not the system's two hours.
constexpr const char* kKeepaliveIdle = "5";
constexpr const char* kKeepaliveInterval = "2";
constexpr const char* kKeepaliveCount = "3";

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void Finish(void* connection) {
    if (connection != nullptr) {
        libpq::Library().finish(connection);
    }
}

// What StartBefore gives when the deadline came first.
void* const kTooLate = reinterpret_cast<void*>(1);

// libpq starts a connection by looking the server's name up, in one call
// that no deadline reaches: it runs on a thread of its own, and one that
// outlives the deadline is left to finish (and close what it made) alone.
void* StartBefore(Clock::time_point deadline, const char* const* keywords,
                  const char* const* values) {
    struct Start {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        void* connection = nullptr;
        std::vector<std::string> texts; // the thread's own copies
    };
    auto start = std::make_shared<Start>();
    for (const char* const* k = keywords; *k != nullptr; ++k) {
        start->texts.emplace_back(*k);
        start->texts.emplace_back(values[k - keywords]);
    }
    std::thread([start] {
        std::vector<const char*> k, v;
        for (std::size_t i = 0; i < start->texts.size(); i += 2) {
            k.push_back(start->texts[i].c_str());
            v.push_back(start->texts[i + 1].c_str());
        }
        k.push_back(nullptr);
        v.push_back(nullptr);
        void* connection = libpq::Library().connectStartParams(k.data(), v.data(), 1);
        const std::lock_guard<std::mutex> lock(start->mutex);
        if (start->abandoned) {
            Finish(connection);
            return;
        }
        start->connection = connection;
        start->finished = true;
        start->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(start->mutex);
    if (!start->done.wait_until(lock, deadline, [&start] { return start->finished; })) {
        start->abandoned = true;
        return kTooLate;
    }
    return start->connection;
}

// Drives a started connection to its end, or gives up at the deadline.
// answered: it failed on the server's answer to the start-up (a database,
// role or password it refuses), not on the way there.
bool Poll(void* connection, Clock::time_point deadline, bool& answered, std::string& why) {
    const libpq::Calls& pq = libpq::Library();
    int state = libpq::kPollingWriting;
    int stage = pq.status(connection);
    for (;;) {
        if (state == libpq::kPollingOk) {
            return true;
        }
        if (state == libpq::kPollingFailed) {
            why = PgMessageLine(pq.errorMessage(connection));
            // A server that refused SSL was reached too: waiting will not help.
            answered = (stage >= libpq::kConnectionAwaitingResponse &&
                        stage <= libpq::kConnectionSetEnv) ||
                       stage == libpq::kConnectionSslStartup;
            return false;
        }
        if (!libpq::WaitForSocket(pq.socket(connection), state == libpq::kPollingWriting,
                                  MillisecondsLeft(deadline))) {
            why = "сервер не ответил за отведённое время";
            return false;
        }
        stage = pq.status(connection);
        state = pq.connectPoll(connection);
    }
}

// What libpq would refuse in the address before trying a host: what it
// cannot read, and an sslmode it does not know (the values libpq takes).
std::optional<std::string> AddressMistake(const std::string& uri) {
    const PgAddress address = ParsePgAddress(uri);
    if (address.refusal) {
        return address.refusal;
    }
    const std::string sslmode = address.Value("sslmode");
    constexpr const char* kSslModes[] = {"",        "disable",   "allow",      "prefer",
                                         "require", "verify-ca", "verify-full"};
    for (const char* known : kSslModes) {
        if (sslmode == known) {
            return std::nullopt;
        }
    }
    return "неверное значение sslmode: \"" + sslmode + "\"";
}

} // namespace

std::string PgMessageLine(const char* text) {
    std::string s;
    bool blank = false;     // blanks since the last character kept
    bool lineEnded = false; // among them a line's end: libpq's lines are sentences without stops
    for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\r' || *c == '\t' || *c == ' ') {
            blank = true;
            lineEnded = lineEnded || *c == '\n';
            continue;
        }
        if (blank && !s.empty()) {
            if (lineEnded && std::string_view(".:;?!").find(s.back()) == std::string_view::npos) {
                s += '.';
            }
            s += ' ';
        }
        blank = false;
        lineEnded = false;
        s += *c;
    }
    // A question keeps its mark: without it, it reads as a statement.
    while (!s.empty() && (s.back() == ' ' || s.back() == '.')) {
        s.pop_back();
    }
    return s;
}

PgFailure FailureOf(const PgReply& reply) {
    if (reply.lost) {
        return PgFailure::Unreachable;
    }
    const std::string& state = reply.sqlState;
    // A statement out of time, a lock not granted, no free connection, a
    // server starting or a transaction that lost a race: it answers later.
    if (state == "57014" || state == "55P03" || state == "53300" || state == "57P03" ||
        state == "40001" || state == "40P01") {
        return PgFailure::Busy;
    }
    if (state == "42P01") {
        return PgFailure::NoTable;
    }
    if (state == "42501") {
        return PgFailure::NoRights;
    }
    return PgFailure::Settings;
}

std::string PgAddress::Value(const std::string& keyword) const {
    for (const auto& [key, value] : settings) {
        if (key == keyword) {
            return value;
        }
    }
    return {};
}

PgAddress ParsePgAddress(const std::string& uri) {
    PgAddress address;
    const libpq::Calls& pq = libpq::Library();
    if (const std::optional<std::string> missing = PgLibraryMissing()) {
        address.refusal = *missing;
        return address;
    }
    char* error = nullptr;
    libpq::ConninfoOption* options = pq.conninfoParse(uri.c_str(), &error);
    if (options == nullptr) {
        address.refusal = PgMessageLine(error != nullptr ? error : "нет памяти");
        if (error != nullptr) {
            pq.freemem(error);
        }
        return address;
    }
    for (const libpq::ConninfoOption* o = options; o->keyword != nullptr; ++o) {
        if (o->val != nullptr) {
            address.settings.emplace_back(o->keyword, o->val);
        }
    }
    pq.conninfoFree(options);
    return address;
}

PgLink::~PgLink() {
    Finish(handle->connection);
    delete handle;
}

PgLink::Connected PgLink::Connect(const std::string& uri, int connectSeconds,
                                  int statementSeconds) {
    const libpq::Calls& pq = libpq::Library();
    if (const std::optional<std::string> missing = PgLibraryMissing()) {
        return {nullptr, PgFailure::NoLibrary, *missing};
    }
    if (const std::optional<std::string> wrong = AddressMistake(uri)) {
        return {nullptr, PgFailure::Settings, *wrong};
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(connectSeconds);
    const std::string timeout = std::to_string(connectSeconds);
    const std::string userTimeout = std::to_string(statementSeconds * 1000);
    // The server gives up on a statement a little before the client does, so
    // that a slow server says why.
    const std::string options = "-c client_min_messages=warning -c statement_timeout=" +
                                std::to_string(statementSeconds * 1000 - 500);
    // The URI first: what follows overrides what it says.
    const char* keywords[] = {"dbname",
                              "connect_timeout",
                              "options",
                              "client_encoding",
                              "application_name",
                              "keepalives",
                              "keepalives_idle",
                              "keepalives_interval",
                              "keepalives_count",
                              "tcp_user_timeout",
                              nullptr};
    const char* values[] = {
        uri.c_str(), timeout.c_str(), options.c_str(),    "UTF8",          "zekt-programmer",
        "1",         kKeepaliveIdle,  kKeepaliveInterval, kKeepaliveCount, userTimeout.c_str(),
        nullptr};
    void* connection = StartBefore(deadline, keywords, values);
    if (connection == kTooLate) {
        return {nullptr, PgFailure::Unreachable, "имя сервера не найдено за отведённое время"};
    }
    if (connection == nullptr) {
        return {nullptr, PgFailure::Unreachable, "нет памяти для соединения"};
    }
    if (pq.status(connection) == libpq::kConnectionBad) {
        Connected failed{nullptr, PgFailure::Unreachable,
                         PgMessageLine(pq.errorMessage(connection))};
        Finish(connection);
        return failed;
    }
    bool reached = false;
    std::string why;
    if (!Poll(connection, deadline, reached, why)) {
        Finish(connection);
        return {nullptr, reached ? PgFailure::Settings : PgFailure::Unreachable, why};
    }
    return {std::unique_ptr<PgLink>(new PgLink(new Handle{connection}, statementSeconds)),
            PgFailure::Unreachable,
            {}};
}

bool PgLink::Alive() const {
    return handle->connection != nullptr &&
           libpq::Library().status(handle->connection) == libpq::kConnectionOk;
}

PgReply PgLink::Run(const std::string& sql, const std::vector<std::string>& params) {
    const libpq::Calls& pq = libpq::Library();
    PgReply reply;
    if (!Alive()) {
        reply.lost = true;
        reply.error = "соединение с сервером потеряно";
        return reply;
    }
    std::vector<const char*> values;
    for (const std::string& p : params) {
        values.push_back(p.c_str());
    }
    void* connection = handle->connection;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(statementSeconds);
    if (pq.sendQueryParams(connection, sql.c_str(), static_cast<int>(values.size()),
                           values.data()) == 0) {
        reply.lost = true;
        reply.error = PgMessageLine(pq.errorMessage(connection));
        return reply;
    }
    while (pq.isBusy(connection) != 0) {
        if (!libpq::WaitForSocket(pq.socket(connection), false, MillisecondsLeft(deadline))) {
            // No answer in time: the connection is dropped, never waited on again.
            Finish(std::exchange(handle->connection, nullptr));
            reply.lost = true;
            reply.error = "сервер не ответил за отведённое время";
            return reply;
        }
        if (pq.consumeInput(connection) == 0) {
            break; // the connection broke: getResult says how
        }
    }
    bool first = true;
    while (void* result = pq.getResult(connection)) {
        if (first) {
            first = false;
            const int status = pq.resultStatus(result);
            reply.ok = status == libpq::kCommandOk || status == libpq::kTuplesOk;
            if (!reply.ok) {
                reply.error = PgMessageLine(pq.resultErrorMessage(result));
                const char* state = pq.resultErrorField(result, libpq::kDiagSqlState);
                reply.sqlState = state != nullptr ? state : "";
            }
            for (int r = 0; reply.ok && r < pq.ntuples(result); ++r) {
                std::vector<std::string> row;
                for (int c = 0; c < pq.nfields(result); ++c) {
                    row.emplace_back(pq.getvalue(result, r, c));
                }
                reply.rows.push_back(std::move(row));
            }
        }
        pq.clear(result);
    }
    if (first) {
        reply.error = PgMessageLine(pq.errorMessage(connection));
    }
    reply.lost = !reply.ok && (!Alive() || reply.sqlState.empty());
    return reply;
}

std::optional<std::string> PgLibraryMissing() {
    if (libpq::Library().complete) {
        return std::nullopt;
    }
    return "общий журнал на этом компьютере недоступен: " + libpq::Library().missing;
}

} // namespace zekt
