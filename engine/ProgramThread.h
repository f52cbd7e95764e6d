#pragma once

#include "EngineMessages.h"
#include "ProgramSteps.h"
#include "RunInterfaces.h"

#include <QThread>
#include <functional>
#include <string>

namespace zekt {

// One run against the programmer unit. The worker thread only sequences the
// run: it exchanges the run's first and last regular frames itself and hands
// every other step synchronously to the user-interface thread, which serves
// them while it waits in WaitFor.
class ProgramThread : public QThread {
    Q_OBJECT

public:
    ProgramThread(bool createSuspended, RunOwner* owner, ProgramOp ops, Project& image,
                  USB_Prog& link, ProgressView& progress);
    ~ProgramThread() override;

    void Resume();
    // Runs a local event loop that serves the hand-offs and lets no operator
    // input through; returns the exit code (1 success, 0 failure).
    int WaitFor();

    // How the run ended: set once, when it ends.
    const StepResult& Outcome() const { return outcome; }
    int ExitCode() const { return outcome.ok ? 1 : 0; }

protected:
    void run() override;

private:
    RunOwner* owner; // none: nothing to lock
    ProgramSteps steps;
    // Not failed until a run says so; a failure without a text of its own
    // would read as unknown.
    StepResult outcome{true, msg::kUnknownError};

    void Execute();
    StepResult RunSteps();
    void Synchronize(const std::function<void()>& step);
    // Runs one step on the user-interface thread.
    StepResult HandOver(StepResult (ProgramSteps::*step)());
    void Finish(const StepResult& result);
};

} // namespace zekt
