#pragma once

namespace zekt {

// Requests from outside to stop, numbered as the POSIX signals on every
// system, so that exit statuses (128 + event) and texts agree.
inline constexpr int kStopHangUp = 1;
inline constexpr int kStopInterrupt = 2;
inline constexpr int kStopTerminate = 15;

// Routes the stop events to handler. POSIX: SIGINT, SIGTERM and SIGHUP, an
// interrupted call restarting, handler running as a signal handler. Windows:
// the console's Ctrl+C and Ctrl+Break (interrupt), its closing, log-off and
// shutdown (hang-up), handler running on the system's own thread.
void RouteStopEvents(void (*handler)(int));

// While it lives, the stop events go to handler instead, and a read of the
// terminal that waits (a question) returns at once.
class PromptStopRoute {
public:
    explicit PromptStopRoute(void (*handler)(int));
    ~PromptStopRoute();
    PromptStopRoute(const PromptStopRoute&) = delete;
    PromptStopRoute& operator=(const PromptStopRoute&) = delete;

private:
    struct Saved;
    Saved* saved;
};

// A bell a stop handler rings and one thread waits for: ringing is
// async-signal-safe (a POSIX semaphore; a Windows semaphore rung from the
// console's own thread). PrepareStopBell comes before the first ring.
void PrepareStopBell();
void RingStopBell() noexcept;
void WaitForStopBell();

// Ends the process at once, as the event's default action would.
[[noreturn]] void EndByStopEvent(int event);

// "INT", "TERM", "HUP".
const char* StopEventName(int event);

// A file that outgrows the user's size limit fails its write instead of
// ending the process (SIGXFSZ).
void IgnoreFileSizeLimit();

} // namespace zekt
