#include "LibPq.h"

#include "RunTimeLibrary.h"

#include <winsock2.h> // WSAPoll; it brings windows.h in the order it needs

namespace zekt::libpq {

namespace {

using ExecParams = int (*)(void*, const char*, int, const unsigned*, const char* const*, const int*,
                           const int*, int);

template <typename F>
void Take(const RunTimeLibrary& library, const char* name, F& into) {
    into = reinterpret_cast<F>(LibraryFunction(library, name));
}

ExecParams sendQueryParams = nullptr; // libpq's own, with the arguments not used here

} // namespace

const Calls& Library() {
    static const Calls calls = [] {
        Calls c;
        const RunTimeLibrary library = LoadRunTimeLibrary(L"libpq.dll", {"PQconnectStartParams",
                                                                         "PQconnectPoll",
                                                                         "PQstatus",
                                                                         "PQsocket",
                                                                         "PQerrorMessage",
                                                                         "PQfinish",
                                                                         "PQsendQueryParams",
                                                                         "PQconsumeInput",
                                                                         "PQisBusy",
                                                                         "PQgetResult",
                                                                         "PQresultStatus",
                                                                         "PQresultErrorMessage",
                                                                         "PQresultErrorField",
                                                                         "PQntuples",
                                                                         "PQnfields",
                                                                         "PQgetvalue",
                                                                         "PQclear",
                                                                         "PQconninfoParse",
                                                                         "PQconninfoFree",
                                                                         "PQfreemem"});
        if (library.handle == nullptr) {
            c.missing = DescribeLibraryProblem(library, "libpq.dll", " (клиент PostgreSQL)",
                                               "ведётся только местный журнал.");
            return c;
        }
        Take(library, "PQconnectStartParams", c.connectStartParams);
        Take(library, "PQconnectPoll", c.connectPoll);
        Take(library, "PQstatus", c.status);
        Take(library, "PQsocket", c.socket);
        Take(library, "PQerrorMessage", c.errorMessage);
        Take(library, "PQfinish", c.finish);
        Take(library, "PQsendQueryParams", sendQueryParams);
        Take(library, "PQconsumeInput", c.consumeInput);
        Take(library, "PQisBusy", c.isBusy);
        Take(library, "PQgetResult", c.getResult);
        Take(library, "PQresultStatus", c.resultStatus);
        Take(library, "PQresultErrorMessage", c.resultErrorMessage);
        Take(library, "PQresultErrorField", c.resultErrorField);
        Take(library, "PQntuples", c.ntuples);
        Take(library, "PQnfields", c.nfields);
        Take(library, "PQgetvalue", c.getvalue);
        Take(library, "PQclear", c.clear);
        Take(library, "PQconninfoParse", c.conninfoParse);
        Take(library, "PQconninfoFree", c.conninfoFree);
        Take(library, "PQfreemem", c.freemem);
        c.sendQueryParams = [](void* conn, const char* sql, int n, const char* const* values) {
            return sendQueryParams(conn, sql, n, nullptr, values, nullptr, nullptr, 0);
        };
        c.complete = true; // the loader checked every name
        return c;
    }();
    return calls;
}

bool WaitForSocket(int socket, bool forWriting, int timeoutMs) {
    WSAPOLLFD watched{};
    watched.fd = static_cast<SOCKET>(socket);
    watched.events = forWriting ? POLLWRNORM : POLLRDNORM;
    return WSAPoll(&watched, 1, timeoutMs < 0 ? 0 : timeoutMs) > 0;
}

} // namespace zekt::libpq
