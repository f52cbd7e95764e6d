#pragma once

#include <atomic>

namespace zekt {

// A request from outside the window or the command line (a signal) to stop
// the run at the next frame. The run then ends as cancelled: the unit gets
// its End frame and is closed, so a radio is never left mid-frame.
// RequestRunStop may be called from a signal handler.
void RequestRunStop(int signal) noexcept;
int RunStopSignal() noexcept; // the signal that asked, 0 when none
void ClearRunStop() noexcept;

// Whether the request cut anything short: a run's frame, or a question
// before a run. One that came after a run's last frame changed nothing, and
// neither the record nor the exit status says otherwise.
void NoteRunStopTaken() noexcept;
bool RunStopTaken() noexcept;

// A stop request from outside as every front takes it: the first asks the
// run to stop, a second one ends the process at once (the operator
// insists). May be called from a signal handler: it only rings the bell of
// the thread InstallRunStopHandlers started, which writes every owed
// journal line as cancelled, removes the temporary files of writes under
// way and ends the process, within a second whatever the runs are doing.
void TakeStopRequest(int signal) noexcept;

// A stop asked of one command from its window (Esc, the close box, Ctrl+Q):
// it ends the run it was asked in and the rest of that command (the next
// radio of a series, a read's other pass), and nothing after it: each
// command has its own. A stop event from outside (a signal) is asked of the
// whole process and stops every command.
class CommandStop {
public:
    void Ask() noexcept { asked.store(true); }
    bool Asked() const noexcept { return asked.load() || RunStopSignal() != 0; }

private:
    std::atomic<bool> asked{false};
};

// Takes the stop events (SIGINT, SIGTERM and SIGHUP; on Windows the
// console's) with TakeStopRequest. onStop, when given, is also called from
// the handler (it must be async-signal-safe).
void InstallRunStopHandlers(void (*onStop)(int) = nullptr);

} // namespace zekt
