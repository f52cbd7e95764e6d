#include "StopEvents.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <windows.h>

namespace zekt {

namespace {

std::atomic<void (*)(int)> runRoute{nullptr};
std::atomic<void (*)(int)> promptRoute{nullptr};
std::atomic<bool> routed{false};

// How long a closing console leaves the process before the system ends
// it (about 5 s): enough for a run to send its End frame and close.
constexpr DWORD kClosingGraceMs = 4500;

BOOL WINAPI OnConsoleEvent(DWORD type) {
    const bool interrupt = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT;
    void (*handler)(int) = promptRoute.load();
    if (handler == nullptr) {
        handler = runRoute.load();
    }
    if (handler == nullptr) {
        return FALSE;
    }
    handler(interrupt ? kStopInterrupt : kStopHangUp);
    if (!interrupt) {
        // The system ends the process when this returns: the run gets its
        // time to stop at the next frame, and the process ends when it does.
        Sleep(kClosingGraceMs);
    }
    return TRUE;
}

void Route() {
    if (!routed.exchange(true)) {
        SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    }
}

} // namespace

void RouteStopEvents(void (*handler)(int)) {
    runRoute.store(handler);
    Route();
}

struct PromptStopRoute::Saved {
    void (*previous)(int) = nullptr;
};

PromptStopRoute::PromptStopRoute(void (*handler)(int)) : saved(new Saved) {
    saved->previous = promptRoute.exchange(handler);
    Route();
}

PromptStopRoute::~PromptStopRoute() {
    promptRoute.store(saved->previous);
    delete saved;
}

namespace {
HANDLE stopBell = nullptr;
} // namespace

void PrepareStopBell() {
    static const HANDLE prepared = stopBell = CreateSemaphoreW(nullptr, 0, 1000, nullptr);
    (void)prepared;
}

void RingStopBell() noexcept {
    ReleaseSemaphore(stopBell, 1, nullptr);
}

void WaitForStopBell() {
    WaitForSingleObject(stopBell, INFINITE);
}

void EndByStopEvent(int event) {
    ExitProcess(static_cast<UINT>(128 + event));
}

const char* StopEventName(int event) {
    switch (event) {
    case kStopHangUp:
        return "HUP";
    case kStopInterrupt:
        return "INT";
    case kStopTerminate:
        return "TERM";
    default:
        return "?";
    }
}

void IgnoreFileSizeLimit() {}

} // namespace zekt
