#pragma once

// libpq's C interface as far as the shared journal uses it, as a table the
// system's half fills: the linked library on Linux, libpq.dll loaded at run
// time on Windows. Connections and results are opaque here.
namespace zekt::libpq {

inline constexpr int kConnectionOk = 0;   // CONNECTION_OK
inline constexpr int kCommandOk = 1;      // PGRES_COMMAND_OK
inline constexpr int kTuplesOk = 2;       // PGRES_TUPLES_OK
inline constexpr int kDiagSqlState = 'C'; // PG_DIAG_SQLSTATE

struct Calls {
    bool complete = false;
    void* (*connectdbParams)(const char* const*, const char* const*, int) = nullptr;
    int (*status)(const void*) = nullptr;
    char* (*errorMessage)(const void*) = nullptr;
    void (*finish)(void*) = nullptr;
    void* (*execParams)(void*, const char*, int, const char* const*) = nullptr;
    int (*resultStatus)(const void*) = nullptr;
    char* (*resultErrorMessage)(const void*) = nullptr;
    char* (*resultErrorField)(const void*, int) = nullptr;
    int (*ntuples)(const void*) = nullptr;
    int (*nfields)(const void*) = nullptr;
    char* (*getvalue)(const void*, int, int) = nullptr;
    void (*clear)(void*) = nullptr;
};

// The system's libpq; `complete` false when it is not there.
const Calls& Library();

} // namespace zekt::libpq
