#include "StopEvents.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <semaphore.h>
#include <unistd.h>

namespace zekt {

namespace {

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

// A hang-up the program was started to ignore (nohup) stays ignored: the
// operator asked for the run to outlive the terminal.
bool KeptIgnored(int signal, const struct sigaction& current) {
    return signal == SIGHUP && current.sa_handler == SIG_IGN;
}

} // namespace

void RouteStopEvents(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // a run's I/O goes on; the run stops at its next frame
    for (const int signal : kStopSignals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && KeptIgnored(signal, current)) {
            continue;
        }
        sigaction(signal, &action, nullptr);
    }
}

struct PromptStopRoute::Saved {
    std::array<struct sigaction, kStopSignals.size()> previous{};
};

PromptStopRoute::PromptStopRoute(void (*handler)(int)) : saved(new Saved) {
    // Without SA_RESTART the read of the answer returns at once.
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (std::size_t k = 0; k < kStopSignals.size(); ++k) {
        sigaction(kStopSignals[k], nullptr, &saved->previous[k]);
        if (!KeptIgnored(kStopSignals[k], saved->previous[k])) {
            sigaction(kStopSignals[k], &action, nullptr);
        }
    }
}

PromptStopRoute::~PromptStopRoute() {
    for (std::size_t k = 0; k < kStopSignals.size(); ++k) {
        sigaction(kStopSignals[k], &saved->previous[k], nullptr);
    }
    delete saved;
}

namespace {
sem_t stopBell;
} // namespace

void PrepareStopBell() {
    static const bool prepared = sem_init(&stopBell, 0, 0) == 0;
    (void)prepared;
}

void RingStopBell() noexcept {
    const int savedErrno = errno;
    sem_post(&stopBell);
    errno = savedErrno;
}

void WaitForStopBell() {
    while (sem_wait(&stopBell) != 0 && errno == EINTR) {
    }
}

void EndByStopEvent(int event) {
    std::signal(event, SIG_DFL);
    std::raise(event);
    _exit(128 + event); // only if the signal is blocked
}

const char* StopEventName(int event) {
    const char* name = sigabbrev_np(event);
    return name != nullptr ? name : "?";
}

void IgnoreFileSizeLimit() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace zekt
