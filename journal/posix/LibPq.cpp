#include "LibPq.h"

#include <libpq-fe.h>

namespace zekt::libpq {

namespace {

PGconn* Conn(const void* c) {
    return static_cast<PGconn*>(const_cast<void*>(c));
}
PGresult* Res(const void* r) {
    return static_cast<PGresult*>(const_cast<void*>(r));
}

} // namespace

const Calls& Library() {
    static const Calls calls = [] {
        Calls c;
        c.complete = true;
        c.connectdbParams = [](const char* const* k, const char* const* v, int e) -> void* {
            return PQconnectdbParams(k, v, e);
        };
        c.status = [](const void* conn) { return static_cast<int>(PQstatus(Conn(conn))); };
        c.errorMessage = [](const void* conn) { return PQerrorMessage(Conn(conn)); };
        c.finish = [](void* conn) { PQfinish(Conn(conn)); };
        c.execParams = [](void* conn, const char* sql, int n, const char* const* values) -> void* {
            return PQexecParams(Conn(conn), sql, n, nullptr, values, nullptr, nullptr, 0);
        };
        c.resultStatus = [](const void* r) { return static_cast<int>(PQresultStatus(Res(r))); };
        c.resultErrorMessage = [](const void* r) { return PQresultErrorMessage(Res(r)); };
        c.resultErrorField = [](const void* r, int f) { return PQresultErrorField(Res(r), f); };
        c.ntuples = [](const void* r) { return PQntuples(Res(r)); };
        c.nfields = [](const void* r) { return PQnfields(Res(r)); };
        c.getvalue = [](const void* r, int row, int col) { return PQgetvalue(Res(r), row, col); };
        c.clear = [](void* r) { PQclear(Res(r)); };
        return c;
    }();
    return calls;
}

} // namespace zekt::libpq
