#include "PgLink.h"

#include <libpq-fe.h>

namespace zekt {

struct PgLink::Handle {
    PGconn* connection;
};

namespace {

// libpq's messages end with a line end.
std::string Trimmed(const char* text) {
    std::string s = text != nullptr ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) {
        s.pop_back();
    }
    return s;
}

} // namespace

PgLink::~PgLink() {
    PQfinish(handle->connection);
    delete handle;
}

PgLink::Connected PgLink::Connect(const std::string& uri, int timeoutSeconds) {
    const std::string timeout = std::to_string(timeoutSeconds);
    const std::string options = "-c client_min_messages=warning -c statement_timeout=" +
                                std::to_string(timeoutSeconds * 1000);
    // The URI first: what follows overrides what it says.
    const char* keywords[] = {"dbname",          "connect_timeout",  "options",
                              "client_encoding", "application_name", nullptr};
    const char* values[] = {uri.c_str(), timeout.c_str(),   options.c_str(),
                            "UTF8",      "zekt-programmer", nullptr};
    PGconn* connection = PQconnectdbParams(keywords, values, 1);
    if (connection == nullptr) {
        return {nullptr, "нет памяти для соединения"};
    }
    if (PQstatus(connection) != CONNECTION_OK) {
        Connected failed{nullptr, Trimmed(PQerrorMessage(connection))};
        PQfinish(connection);
        return failed;
    }
    return {std::unique_ptr<PgLink>(new PgLink(new Handle{connection})), {}};
}

PgReply PgLink::Run(const std::string& sql, const std::vector<std::string>& params) {
    std::vector<const char*> values;
    for (const std::string& p : params) {
        values.push_back(p.c_str());
    }
    PGresult* result =
        PQexecParams(handle->connection, sql.c_str(), static_cast<int>(values.size()), nullptr,
                     values.data(), nullptr, nullptr, 0);
    PgReply reply;
    const ExecStatusType status = PQresultStatus(result);
    reply.ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!reply.ok) {
        reply.error = Trimmed(result != nullptr ? PQresultErrorMessage(result)
                                                : PQerrorMessage(handle->connection));
        const char* state =
            result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        reply.sqlState = state != nullptr ? state : "";
    }
    for (int r = 0; reply.ok && r < PQntuples(result); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < PQnfields(result); ++c) {
            row.emplace_back(PQgetvalue(result, r, c));
        }
        reply.rows.push_back(std::move(row));
    }
    PQclear(result);
    return reply;
}

std::optional<std::string> PgLibraryMissing() {
    return std::nullopt; // libpq is linked
}

} // namespace zekt
