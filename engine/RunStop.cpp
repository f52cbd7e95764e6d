#include "RunStop.h"

#include "Journal.h"
#include "SafeFile.h"
#include "StopEvents.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

namespace zekt {

namespace {

std::atomic<int> stopSignal{0};
std::atomic<bool> stopTaken{false};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");
void (*stopCallback)(int) = nullptr;
std::atomic<bool> lastWordsReady{false};
std::atomic<int> insistedSignal{0};

// The most an insisted stop waits for the last words (a journal held by
// another program, a file system that hangs) before the process ends.
constexpr std::chrono::milliseconds kLastWordsTime{800};

// Waits for an insisted stop, then ends the process: what is owed is
// written, nothing temporary is left.
void SayLastWords() {
    WaitForStopBell();
    const int signal = insistedSignal.load();
    std::thread([signal] {
        std::this_thread::sleep_for(kLastWordsTime);
        EndByStopEvent(signal);
    }).detach();
    CommandJournal::WriteOwedLines();
    RemoveTemporaryFiles();
    EndByStopEvent(signal);
}

} // namespace

void TakeStopRequest(int signal) noexcept {
    const int savedErrno = errno; // the interrupted code may be about to read it
    // One exchange: of two signals close together, only one is the first.
    if (stopSignal.exchange(signal) != 0) {
        // The operator insists: end now, as the default action would, once
        // the last words are said.
        if (!lastWordsReady.load()) {
            EndByStopEvent(signal);
        }
        int none = 0;
        if (insistedSignal.compare_exchange_strong(none, signal)) {
            RingStopBell();
        }
        errno = savedErrno;
        return;
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
    static std::once_flag started;
    std::call_once(started, [] {
        PrepareStopBell();
        std::thread(SayLastWords).detach();
        lastWordsReady.store(true);
    });
    RouteStopEvents([](int signal) { TakeStopRequest(signal); });
}

} // namespace zekt
