#pragma once

#include "ProgramOp.h"
#include "ProgrammerFrame.h"
#include "Project.h"
#include "RunInterfaces.h"
#include "USB_Prog.h"

#include <functional>
#include <string>

namespace zekt {

// How a step or basic routine ended: ok, or the failure with the operator's
// text.
struct [[nodiscard]] StepResult {
    bool ok = true;
    std::string message;
    bool stopped = false;   // failed because the run was asked to stop (a signal)
    bool linkFault = false; // the link failed (cable, power, time-out), not the chip

    static StepResult Failure(std::string text) { return {false, std::move(text), false}; }
    static StepResult LinkFailure(std::string text) {
        return {false, std::move(text), false, true};
    }
};

// The basic routines and the chip steps of one run. Each step moves data
// between the image and the unit in command frames and returns its outcome;
// nothing is retried.
class ProgramSteps {
public:
    // owner, when given, says whether the run's command was asked to stop;
    // without one only a stop event from outside stops it.
    ProgramSteps(Project& image, USB_Prog& link, ProgressView& progress, ProgramOp ops,
                 const RunOwner* owner = nullptr);

    // Basic routines.
    StepResult CheckLink();
    StepResult SendStart();
    StepResult SendBegin();
    StepResult SendEnd();
    StepResult OpenStep();
    StepResult CloseStep();
    StepResult EraseStep();

    // Chip steps.
    StepResult ProgramCodeStep();
    StepResult ProgramDataStep();
    StepResult ProgramConfigStep();
    StepResult VerifyCodeStep();
    StepResult VerifyDataStep();
    StepResult VerifyConfigStep();
    StepResult ReadConfigStep();
    StepResult ReadCodeStep();
    StepResult ReadDataStep();

    ProgramOp Ops() const { return ops; }
    ProgressView& Progress() { return progress; }
    const ProgrammerFrame& Frame() const { return frame; }

private:
    const RunOwner* owner;
    Project& image;
    USB_Prog& link;
    ProgressView& progress;
    ProgramOp ops;
    ProgrammerFrame frame{}; // keeps the bytes a command does not set
    int barPosition = 0;

    // Takes each word a pass reads: its index and value; a failure ends the pass.
    using TakeWord = std::function<StepResult(int, int)>;

    // A stop takes effect between frames.
    bool StopAsked() const;
    StepResult Send(uint8_t command);
    StepResult Preamble();
    void StartBar(const char* caption, int maximum, int position);
    void AdvanceBar();
    StepResult SetAddressIfNeeded();
    void PutPair(int entry, int value);
    int ReplyWord(int entry) const;
    bool ReplyPairFailed(int entry) const;
    StepResult SendWriteBlock(uint8_t command, int firstAddress, const char* failure);
    // Reads blocks with command from entry index on and hands every entry to
    // take until index reaches end.
    StepResult ReadPass(uint8_t command, int index, int end, const TakeWord& take);
    // A pass over program memory from the start word (the address set when
    // it is not 0), each word read handed to take.
    StepResult CodePassFromStart(const char* caption, const TakeWord& take);
    // The data EEPROM, each byte read handed to take.
    StepResult DataPass(const char* caption, const TakeWord& take);
    StepResult ReadIdWords(const TakeWord& take);
    StepResult ReadConfigWord(int& word);
};

} // namespace zekt
