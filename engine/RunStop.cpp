#include "RunStop.h"

#include <atomic>
#include <cerrno>
#include <csignal>

namespace zekt {

namespace {

std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");
void (*stopCallback)(int) = nullptr;

void OnStopSignal(int signal) {
    const int savedErrno = errno; // the interrupted code may be about to read it
    // One exchange: of two signals close together, only one is the first.
    if (stopSignal.exchange(signal) != 0) {
        // The operator insists: end now, as the default action would.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    if (stopCallback != nullptr) {
        stopCallback(signal);
    }
    errno = savedErrno;
}

} // namespace

void RequestRunStop(int signal) noexcept {
    stopSignal.store(signal);
}

int RunStopSignal() noexcept {
    return stopSignal.load();
}

void ClearRunStop() noexcept {
    stopSignal.store(0);
}

void InstallRunStopHandlers(void (*onStop)(int)) {
    stopCallback = onStop;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // a run's I/O goes on; the run stops at its next frame
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

} // namespace zekt
