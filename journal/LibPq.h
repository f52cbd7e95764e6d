#pragma once

#include <string>

// libpq's C interface as far as the shared journal uses it, as a table the
// system's half fills: the linked library on Linux, libpq.dll loaded at run
// time on Windows. Connections and results are opaque here.
namespace zekt::libpq {

inline constexpr int kConnectionOk = 0;               // CONNECTION_OK
inline constexpr int kConnectionBad = 1;              // CONNECTION_BAD
inline constexpr int kConnectionAwaitingResponse = 4; // CONNECTION_AWAITING_RESPONSE
inline constexpr int kConnectionSetEnv = 6;           // CONNECTION_SETENV
inline constexpr int kConnectionSslStartup = 7;       // CONNECTION_SSL_STARTUP
inline constexpr int kCommandOk = 1;                  // PGRES_COMMAND_OK
inline constexpr int kTuplesOk = 2;                   // PGRES_TUPLES_OK
inline constexpr int kDiagSqlState = 'C';             // PG_DIAG_SQLSTATE
// PostgresPollingStatusType
inline constexpr int kPollingFailed = 0;
inline constexpr int kPollingReading = 1;
inline constexpr int kPollingWriting = 2;
inline constexpr int kPollingOk = 3;

// PQconninfoOption's leading fields: the keyword and its value.
struct ConninfoOption {
    char* keyword;
    char* envvar;
    char* compiled;
    char* val;
    char* label;
    char* dispchar;
    int dispsize;
};

struct Calls {
    bool complete = false;
    void* (*connectStartParams)(const char* const*, const char* const*, int) = nullptr;
    int (*connectPoll)(void*) = nullptr;
    int (*status)(const void*) = nullptr;
    int (*socket)(const void*) = nullptr;
    char* (*errorMessage)(const void*) = nullptr;
    void (*finish)(void*) = nullptr;
    int (*sendQueryParams)(void*, const char*, int, const char* const*) = nullptr;
    int (*consumeInput)(void*) = nullptr;
    int (*isBusy)(void*) = nullptr;
    void* (*getResult)(void*) = nullptr;
    int (*resultStatus)(const void*) = nullptr;
    char* (*resultErrorMessage)(const void*) = nullptr;
    char* (*resultErrorField)(const void*, int) = nullptr;
    int (*ntuples)(const void*) = nullptr;
    int (*nfields)(const void*) = nullptr;
    char* (*getvalue)(const void*, int, int) = nullptr;
    void (*clear)(void*) = nullptr;
    ConninfoOption* (*conninfoParse)(const char*, char**) = nullptr;
    void (*conninfoFree)(ConninfoOption*) = nullptr;
    void (*freemem)(void*) = nullptr;
    std::string missing; // why the library is not complete, in the operator's words
};

// The system's libpq; `complete` false when it is not there.
const Calls& Library();

// Waits until the connection's socket can be read (or written), at most
// timeoutMs; false when the time ran out or the wait failed.
bool WaitForSocket(int socket, bool forWriting, int timeoutMs);

} // namespace zekt::libpq
