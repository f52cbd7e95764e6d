#include "PgLink.h"

#include "LibPq.h"

namespace zekt {

struct PgLink::Handle {
    void* connection;
};

namespace {

// libpq's messages end with a line end and may hold more lines ("\n\tIs the
// server running..."): one line, for a warning that stays one.
std::string Trimmed(const char* text) {
    std::string s;
    for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
        const bool blank = *c == '\n' || *c == '\r' || *c == '\t' || *c == ' ';
        if (!blank) {
            s += *c;
        } else if (!s.empty() && s.back() != ' ') {
            s += ' ';
        }
    }
    while (!s.empty() && s.back() == ' ') {
        s.pop_back();
    }
    return s;
}

} // namespace

PgLink::~PgLink() {
    libpq::Library().finish(handle->connection);
    delete handle;
}

PgLink::Connected PgLink::Connect(const std::string& uri, int timeoutSeconds,
                                  int statementSeconds) {
    const libpq::Calls& pq = libpq::Library();
    if (const std::optional<std::string> missing = PgLibraryMissing()) {
        return {nullptr, *missing};
    }
    const std::string timeout = std::to_string(timeoutSeconds);
    const std::string options =
        "-c client_min_messages=warning -c statement_timeout=" +
        std::to_string((statementSeconds > 0 ? statementSeconds : timeoutSeconds) * 1000);
    // The URI first: what follows overrides what it says.
    const char* keywords[] = {"dbname",          "connect_timeout",  "options",
                              "client_encoding", "application_name", nullptr};
    const char* values[] = {uri.c_str(), timeout.c_str(),   options.c_str(),
                            "UTF8",      "zekt-programmer", nullptr};
    void* connection = pq.connectdbParams(keywords, values, 1);
    if (connection == nullptr) {
        return {nullptr, "нет памяти для соединения"};
    }
    if (pq.status(connection) != libpq::kConnectionOk) {
        Connected failed{nullptr, Trimmed(pq.errorMessage(connection))};
        pq.finish(connection);
        return failed;
    }
    return {std::unique_ptr<PgLink>(new PgLink(new Handle{connection})), {}};
}

PgReply PgLink::Run(const std::string& sql, const std::vector<std::string>& params) {
    const libpq::Calls& pq = libpq::Library();
    std::vector<const char*> values;
    for (const std::string& p : params) {
        values.push_back(p.c_str());
    }
    void* result = pq.execParams(handle->connection, sql.c_str(), static_cast<int>(values.size()),
                                 values.data());
    PgReply reply;
    const int status = pq.resultStatus(result);
    reply.ok = status == libpq::kCommandOk || status == libpq::kTuplesOk;
    if (!reply.ok) {
        reply.error = Trimmed(result != nullptr ? pq.resultErrorMessage(result)
                                                : pq.errorMessage(handle->connection));
        const char* state =
            result != nullptr ? pq.resultErrorField(result, libpq::kDiagSqlState) : nullptr;
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
    if (libpq::Library().complete) {
        return std::nullopt;
    }
    return std::string("общий журнал на этом компьютере недоступен: не найдена библиотека "
                       "libpq.dll (клиент PostgreSQL); ведётся только местный журнал.");
}

} // namespace zekt
