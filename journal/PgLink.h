#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zekt {

// What the server answered one statement: rows of text values, or the error
// with its SQLSTATE (42501: no privilege; 23505: a key already there).
// lost: the connection is gone (or the answer did not come in time), so the
// statement says nothing about the record.
struct PgReply {
    bool ok = false;
    bool lost = false;
    std::string sqlState;
    std::string error;
    std::vector<std::vector<std::string>> rows;
};

// Why the server could not be used: it could not be reached (worth trying
// again); it was reached and refused this address (a mistake in the
// settings: database, role, password, sslmode, an unknown parameter); it
// is busy (a locked table, a statement out of time, no free connection:
// worth trying again); the table is not there (init-db makes it); this
// bench's role has no right to it. NoLibrary: this computer has no libpq
// (Windows without libpq.dll).
enum class PgFailure { Unreachable, Settings, NoLibrary, Busy, NoTable, NoRights };

// What a failed statement says of the server, by its SQLSTATE.
PgFailure FailureOf(const PgReply& reply);

// One connection to a PostgreSQL server through libpq: linked on Linux,
// loaded at run time on Windows (libpq.dll beside the program or on PATH).
// Nothing waits without a limit of its own: the connection (name lookup
// aside, which libpq does in one call) and every statement have a deadline
// here on the client, whatever the server or the network does.
class PgLink {
public:
    ~PgLink();
    PgLink(const PgLink&) = delete;
    PgLink& operator=(const PgLink&) = delete;

    struct Connected {
        std::unique_ptr<PgLink> link; // nothing when it could not connect
        PgFailure failure = PgFailure::Unreachable;
        std::string why; // libpq's or the server's own words, on one line
    };
    // A libpq connection URI ("postgresql://user@host/db"); the password from
    // the user's .pgpass or PGPASSFILE. Gives up after connectSeconds (all
    // the URI's hosts together); each statement after statementSeconds.
    static Connected Connect(const std::string& uri, int connectSeconds, int statementSeconds);

    // One statement; parameters $1, $2, ... as text.
    PgReply Run(const std::string& sql, const std::vector<std::string>& params = {});
    // Whether the connection is still usable.
    bool Alive() const;

private:
    struct Handle;
    PgLink(Handle* handle, int statementSeconds)
        : handle(handle), statementSeconds(statementSeconds) {}
    Handle* handle;
    int statementSeconds;
};

// Why no server can be reached from this system at all (Windows without
// libpq.dll); nothing when libpq is there.
std::optional<std::string> PgLibraryMissing();

// A connection URI or keyword string as libpq reads it: its keywords with
// their values, or why libpq cannot read it.
struct PgAddress {
    std::optional<std::string> refusal;
    std::vector<std::pair<std::string, std::string>> settings; // only those given
    std::string Value(const std::string& keyword) const;
};
PgAddress ParsePgAddress(const std::string& uri);

// libpq's message on one line, without its trailing punctuation.
std::string PgMessageLine(const char* text);

} // namespace zekt
