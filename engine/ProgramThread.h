#pragma once

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
    ProgramThread(bool createSuspended, RunOwner& owner, ProgramOp ops, Project& image,
                  USB_Prog& link, ProgressView& progress);
    ~ProgramThread() override;

    void Resume();
    // Runs a local event loop that serves the hand-offs and lets no operator
    // input through; returns the exit code (1 success, 0 failure).
    int WaitFor();

    bool Failed() const { return steps.Failed(); }
    std::string Message() const { return steps.Message(); }
    bool Stopped() const { return steps.Stopped(); }
    int ExitCode() const { return exitCode; }

protected:
    void run() override;

private:
    RunOwner& owner;
    ProgramSteps steps;
    int exitCode = 0;

    void Execute();
    void Synchronize(const std::function<void()>& step);
    // Runs one handed-over step; true when the run must stop.
    bool HandOver(void (ProgramSteps::*step)());
    void FailRun();
};

} // namespace zekt
