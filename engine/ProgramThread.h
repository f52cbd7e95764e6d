#pragma once

#include "EngineMessages.h"
#include "ProgramSteps.h"
#include "RunInterfaces.h"

#include <QThread>
#include <functional>
#include <mutex>
#include <string>

namespace zekt {

class ProgramThread;

// What the worker shows of a run, passed on to the progress view by queued
// calls on the thread that waits for the run: the view is only ever touched
// there, and the worker never waits for it.
class QueuedProgress : public ProgressView {
public:
    QueuedProgress(ProgressView& view, ProgramThread& waitingSide)
        : view(view), side(waitingSide) {}
    void SetCaption(const std::string& caption) override;
    void SetMaximum(int maximum) override;
    void SetPosition(int position) override;

private:
    ProgressView& view;
    ProgramThread& side;
};

// One run against the programmer unit. The chip steps and their exchanges
// run on the worker thread, so that a reply awaited for seconds never holds
// the window; the thread that waits in WaitFor keeps its event loop going,
// leaves the link and the image alone meanwhile, and gets the progress by
// queued calls. Opening and closing the unit (which may warn the operator)
// and asking the owner whether to hold the run are handed over to it
// synchronously, between steps.
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

    // Queues a call to the thread that waits for the run. The call travels
    // in an event made before a lock the receiving side takes first, so
    // that what the worker did before it is ordered before the call for a
    // thread checker too (Qt's own queue uses locks it cannot see).
    void Post(std::function<void()> call);

protected:
    void run() override;
    bool event(QEvent* event) override;

private:
    std::mutex handOff;
    RunOwner* owner; // none: nothing to lock
    QueuedProgress queuedProgress;
    ProgramSteps steps;
    // Not failed until a run says so; a failure without a text of its own
    // would read as unknown.
    StepResult outcome{true, msg::kUnknownError};

    void Execute();
    StepResult RunSteps();
    void Synchronize(const std::function<void()>& step);
    // Runs one step on the waiting thread.
    StepResult HandOver(StepResult (ProgramSteps::*step)());
    // Waits while the owner holds the run (it is asking about it).
    void WaitWhileHeld();
    void Finish(const StepResult& result);
};

// Serves the calling thread's events until `thread` has finished, as a run
// is waited for: the operator's input only when the owner guards it itself,
// and on after the application was told to quit. start, when given, starts
// the thread once its end can be heard; a thread already running must not
// be able to end before the caller serves its events.
void ServeEventsUntilFinished(QThread& thread, RunOwner* owner,
                              const std::function<void()>& start = {});

// The programmer's test (an echo and the test commands), for an owner on a
// thread of its own, waited for like a run: a unit that never answers holds
// no window.
bool TestUnit(RunOwner* owner, USB_Prog& link);

} // namespace zekt
