#include "StopRequests.h"

#include "RunStop.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A stop signal reaches the event loop through a pipe (a handler may do
// no more than write to it).
int stopPipe[2] = {-1, -1};

void WakeEventLoop(int) {
    const int savedErrno = errno;
    const char byte = 1;
    (void)!write(stopPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

// SIGTERM, SIGHUP (and SIGINT from a terminal) wake the event loop.
void QuitOnStopRequests(QCoreApplication& app) {
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        while (read(stopPipe[0], &byte, 1) > 0) {
        }
        app.quit(); // a run in progress is waited for (it stops at its next frame)
    });
    zekt::InstallRunStopHandlers(WakeEventLoop);
}
