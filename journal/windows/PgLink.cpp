#include "PgLink.h"

#include <windows.h>

namespace zekt {

namespace {

// libpq's C interface, as far as it is used, from libpq.dll loaded at run
// time: the program runs on a bench without it, with the local journal only.
using Conn = void;
using Result = void;
constexpr int kConnectionOk = 0;   // CONNECTION_OK
constexpr int kCommandOk = 1;      // PGRES_COMMAND_OK
constexpr int kTuplesOk = 2;       // PGRES_TUPLES_OK
constexpr int kDiagSqlState = 'C'; // PG_DIAG_SQLSTATE

struct Calls {
    bool complete = false;
    Conn* (*connectdbParams)(const char* const*, const char* const*, int) = nullptr;
    int (*status)(const Conn*) = nullptr;
    char* (*errorMessage)(const Conn*) = nullptr;
    void (*finish)(Conn*) = nullptr;
    Result* (*execParams)(Conn*, const char*, int, const unsigned*, const char* const*, const int*,
                          const int*, int) = nullptr;
    int (*resultStatus)(const Result*) = nullptr;
    char* (*resultErrorMessage)(const Result*) = nullptr;
    char* (*resultErrorField)(const Result*, int) = nullptr;
    int (*ntuples)(const Result*) = nullptr;
    int (*nfields)(const Result*) = nullptr;
    char* (*getvalue)(const Result*, int, int) = nullptr;
    void (*clear)(Result*) = nullptr;
};

template <typename F>
bool Take(HMODULE library, const char* name, F& into) {
    into = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return into != nullptr;
}

const Calls& Library() {
    static const Calls calls = [] {
        Calls c;
        HMODULE library = LoadLibraryW(L"libpq.dll");
        if (library == nullptr) {
            return c;
        }
        c.complete =
            Take(library, "PQconnectdbParams", c.connectdbParams) &&
            Take(library, "PQstatus", c.status) &&
            Take(library, "PQerrorMessage", c.errorMessage) &&
            Take(library, "PQfinish", c.finish) && Take(library, "PQexecParams", c.execParams) &&
            Take(library, "PQresultStatus", c.resultStatus) &&
            Take(library, "PQresultErrorMessage", c.resultErrorMessage) &&
            Take(library, "PQresultErrorField", c.resultErrorField) &&
            Take(library, "PQntuples", c.ntuples) && Take(library, "PQnfields", c.nfields) &&
            Take(library, "PQgetvalue", c.getvalue) && Take(library, "PQclear", c.clear);
        return c;
    }();
    return calls;
}

std::string Trimmed(const char* text) {
    std::string s = text != nullptr ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) {
        s.pop_back();
    }
    return s;
}

} // namespace

struct PgLink::Handle {
    Conn* connection;
};

PgLink::~PgLink() {
    Library().finish(handle->connection);
    delete handle;
}

PgLink::Connected PgLink::Connect(const std::string& uri, int timeoutSeconds) {
    const Calls& pq = Library();
    if (!pq.complete) {
        return {nullptr, *PgLibraryMissing()};
    }
    const std::string timeout = std::to_string(timeoutSeconds);
    const std::string options = "-c client_min_messages=warning -c statement_timeout=" +
                                std::to_string(timeoutSeconds * 1000);
    const char* keywords[] = {"dbname",          "connect_timeout",  "options",
                              "client_encoding", "application_name", nullptr};
    const char* values[] = {uri.c_str(), timeout.c_str(),   options.c_str(),
                            "UTF8",      "zekt-programmer", nullptr};
    Conn* connection = pq.connectdbParams(keywords, values, 1);
    if (connection == nullptr) {
        return {nullptr, "нет памяти для соединения"};
    }
    if (pq.status(connection) != kConnectionOk) {
        Connected failed{nullptr, Trimmed(pq.errorMessage(connection))};
        pq.finish(connection);
        return failed;
    }
    return {std::unique_ptr<PgLink>(new PgLink(new Handle{connection})), {}};
}

PgReply PgLink::Run(const std::string& sql, const std::vector<std::string>& params) {
    const Calls& pq = Library();
    std::vector<const char*> values;
    for (const std::string& p : params) {
        values.push_back(p.c_str());
    }
    Result* result = pq.execParams(handle->connection, sql.c_str(), static_cast<int>(values.size()),
                                   nullptr, values.data(), nullptr, nullptr, 0);
    PgReply reply;
    const int status = pq.resultStatus(result);
    reply.ok = status == kCommandOk || status == kTuplesOk;
    if (!reply.ok) {
        reply.error = Trimmed(result != nullptr ? pq.resultErrorMessage(result)
                                                : pq.errorMessage(handle->connection));
        const char* state =
            result != nullptr ? pq.resultErrorField(result, kDiagSqlState) : nullptr;
        reply.sqlState = state != nullptr ? state : "";
    }
    for (int r = 0; reply.ok && r < pq.ntuples(result); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < pq.nfields(result); ++c) {
            row.emplace_back(pq.getvalue(result, r, c));
        }
        reply.rows.push_back(std::move(row));
    }
    pq.clear(result);
    return reply;
}

std::optional<std::string> PgLibraryMissing() {
    if (Library().complete) {
        return std::nullopt;
    }
    return std::string("общий журнал на этом компьютере недоступен: не найдена библиотека "
                       "libpq.dll (клиент PostgreSQL); ведётся только местный журнал.");
}

} // namespace zekt
