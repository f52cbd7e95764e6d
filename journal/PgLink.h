#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zekt {

// What the server answered one statement: rows of text values, or the error
// with its SQLSTATE (42501: no privilege; 23505: a key already there).
struct PgReply {
    bool ok = false;
    std::string sqlState;
    std::string error;
    std::vector<std::vector<std::string>> rows;
};

// One connection to a PostgreSQL server through libpq: linked on Linux,
// loaded at run time on Windows (libpq.dll beside the program or on PATH).
class PgLink {
public:
    ~PgLink();
    PgLink(const PgLink&) = delete;
    PgLink& operator=(const PgLink&) = delete;

    struct Connected {
        std::unique_ptr<PgLink> link; // nothing when it could not connect
        std::string why;              // the server's or libpq's own words
    };
    // A libpq connection URI ("postgresql://user@host/db"); the password from
    // the user's .pgpass or PGPASSFILE. Gives up after timeoutSeconds, and
    // each statement after statementSeconds (0: as long).
    static Connected Connect(const std::string& uri, int timeoutSeconds, int statementSeconds = 0);

    // One statement; parameters $1, $2, ... as text.
    PgReply Run(const std::string& sql, const std::vector<std::string>& params = {});

private:
    struct Handle;
    explicit PgLink(Handle* handle) : handle(handle) {}
    Handle* handle;
};

// Why no server can be reached from this system at all (Windows without
// libpq.dll); nothing when libpq is there.
std::optional<std::string> PgLibraryMissing();

} // namespace zekt
