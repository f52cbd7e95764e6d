#include "RunStop.h"

#include "StopEvents.h"

#include <atomic>
#include <cerrno>

namespace zekt {

namespace {

std::atomic<int> stopSignal{0};
std::atomic<bool> stopTaken{false};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");
void (*stopCallback)(int) = nullptr;

} // namespace

void TakeStopRequest(int signal) noexcept {
    const int savedErrno = errno; // the interrupted code may be about to read it
    // One exchange: of two signals close together, only one is the first.
    if (stopSignal.exchange(signal) != 0) {
        // The operator insists: end now, as the default action would.
        EndByStopEvent(signal);
    }
    if (stopCallback != nullptr) {
        stopCallback(signal);
    }
    errno = savedErrno;
}

void RequestRunStop(int signal) noexcept {
    stopSignal.store(signal);
}

int RunStopSignal() noexcept {
    return stopSignal.load();
}

void ClearRunStop() noexcept {
    stopSignal.store(0);
    stopTaken.store(false);
}

void NoteRunStopTaken() noexcept {
    stopTaken.store(true);
}

bool RunStopTaken() noexcept {
    return stopTaken.load() && stopSignal.load() != 0;
}

void InstallRunStopHandlers(void (*onStop)(int)) {
    stopCallback = onStop;
    RouteStopEvents([](int signal) { TakeStopRequest(signal); });
}

} // namespace zekt
