#include "LibPq.h"

#include <windows.h>

namespace zekt::libpq {

namespace {

using ExecParams = void* (*)(void*, const char*, int, const unsigned*, const char* const*,
                             const int*, const int*, int);

template <typename F>
bool Take(HMODULE library, const char* name, F& into) {
    into = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return into != nullptr;
}

ExecParams execParams = nullptr; // libpq's own, with the arguments not used here

} // namespace

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
            Take(library, "PQfinish", c.finish) && Take(library, "PQexecParams", execParams) &&
            Take(library, "PQresultStatus", c.resultStatus) &&
            Take(library, "PQresultErrorMessage", c.resultErrorMessage) &&
            Take(library, "PQresultErrorField", c.resultErrorField) &&
            Take(library, "PQntuples", c.ntuples) && Take(library, "PQnfields", c.nfields) &&
            Take(library, "PQgetvalue", c.getvalue) && Take(library, "PQclear", c.clear);
        c.execParams = [](void* conn, const char* sql, int n, const char* const* values) {
            return execParams(conn, sql, n, nullptr, values, nullptr, nullptr, 0);
        };
        return c;
    }();
    return calls;
}

} // namespace zekt::libpq
