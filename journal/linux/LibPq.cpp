#include "LibPq.h"

#include <cerrno>
#include <libpq-fe.h>
#include <poll.h>

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
        c.connectStartParams = [](const char* const* k, const char* const* v, int e) -> void* {
            return PQconnectStartParams(k, v, e);
        };
        c.connectPoll = [](void* conn) { return static_cast<int>(PQconnectPoll(Conn(conn))); };
        c.status = [](const void* conn) { return static_cast<int>(PQstatus(Conn(conn))); };
        c.socket = [](const void* conn) { return PQsocket(Conn(conn)); };
        c.errorMessage = [](const void* conn) { return PQerrorMessage(Conn(conn)); };
        c.finish = [](void* conn) { PQfinish(Conn(conn)); };
        c.sendQueryParams = [](void* conn, const char* sql, int n, const char* const* values) {
            return PQsendQueryParams(Conn(conn), sql, n, nullptr, values, nullptr, nullptr, 0);
        };
        c.consumeInput = [](void* conn) { return PQconsumeInput(Conn(conn)); };
        c.isBusy = [](void* conn) { return PQisBusy(Conn(conn)); };
        c.getResult = [](void* conn) -> void* { return PQgetResult(Conn(conn)); };
        c.resultStatus = [](const void* r) { return static_cast<int>(PQresultStatus(Res(r))); };
        c.resultErrorMessage = [](const void* r) { return PQresultErrorMessage(Res(r)); };
        c.resultErrorField = [](const void* r, int f) { return PQresultErrorField(Res(r), f); };
        c.ntuples = [](const void* r) { return PQntuples(Res(r)); };
        c.nfields = [](const void* r) { return PQnfields(Res(r)); };
        c.getvalue = [](const void* r, int row, int col) { return PQgetvalue(Res(r), row, col); };
        c.clear = [](void* r) { PQclear(Res(r)); };
        c.conninfoParse = [](const char* text, char** error) {
            return reinterpret_cast<ConninfoOption*>(PQconninfoParse(text, error));
        };
        c.conninfoFree = [](ConninfoOption* options) {
            PQconninfoFree(reinterpret_cast<PQconninfoOption*>(options));
        };
        c.freemem = [](void* p) { PQfreemem(p); };
        return c;
    }();
    return calls;
}

bool WaitForSocket(int socket, bool forWriting, int timeoutMs) {
    pollfd watched{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    for (;;) {
        const int ready = poll(&watched, 1, timeoutMs < 0 ? 0 : timeoutMs);
        if (ready >= 0 || errno != EINTR) {
            return ready > 0;
        }
    }
}

} // namespace zekt::libpq
