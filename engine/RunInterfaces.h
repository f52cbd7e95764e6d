#pragma once

#include "RunStop.h"

#include <string>

namespace zekt {

// What a run shows of its progress: the progress window, or text on a terminal.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetMaximum(int maximum) = 0;
    // Positions beyond the maximum show a full bar.
    virtual void SetPosition(int position) = 0;
};

// The window whose command column is locked while a run goes on.
class RunOwner {
public:
    virtual ~RunOwner() = default;
    virtual void DisableCommands() = 0;
    virtual void EnableCommands() = 0;
    // True when the owner keeps the operator's input from its windows
    // itself while commands are disabled, so that the wait for a run may
    // serve a request to close the window (which the toolkit counts as input).
    virtual bool GuardsInput() const { return false; }
    // True while the owner asks the operator something about the run: the
    // next step waits (the unit idles between steps), so the question is
    // answered at once instead of behind a long step.
    virtual bool HoldsRun() const { return false; }
    // Whether the run's command was asked to stop; asked from the run's
    // worker thread before every frame.
    virtual bool StopAsked() const { return RunStopSignal() != 0; }
};

} // namespace zekt
