#pragma once

#include "ProgramOp.h"
#include "ProgrammerFrame.h"
#include "Project.h"
#include "RunInterfaces.h"
#include "USB_Prog.h"

#include <functional>
#include <string>

namespace zekt {

// The basic routines and the chip steps of one run. Each step moves data
// between the image and the unit in command frames and leaves its outcome in
// failed and message; nothing is retried.
class ProgramSteps {
public:
    ProgramSteps(Project& image, USB_Prog& link, ProgressView& progress, ProgramOp ops);

    // Basic routines.
    void CheckLink();
    void SendStart();
    void SendBegin();
    void SendEnd();
    void OpenStep();
    void CloseStep();
    void EraseStep();

    // Chip steps.
    void ProgramCodeStep();
    void ProgramDataStep();
    void ProgramConfigStep();
    void VerifyCodeStep();
    void VerifyDataStep();
    void VerifyConfigStep();
    void ReadConfigStep();
    void ReadCodeStep();
    void ReadDataStep();

    bool Failed() const { return failed; }
    // The run was asked to stop (a signal), rather than failing.
    bool Stopped() const { return stopped; }
    const std::string& Message() const { return message; }
    // Puts back the failure that ended a run after winding-up steps ran.
    void RestoreFailure(const std::string& text) {
        failed = true;
        message = text;
    }
    ProgramOp Ops() const { return ops; }
    ProgressView& Progress() { return progress; }
    const ProgrammerFrame& Frame() const { return frame; }

private:
    Project& image;
    USB_Prog& link;
    ProgressView& progress;
    ProgramOp ops;
    ProgrammerFrame frame{}; // keeps the bytes a command does not set
    bool failed = false;
    bool stopped = false;
    std::string message;
    int barPosition = 0;

    bool Send(uint8_t command);
    void Fail(const std::string& text);
    bool Preamble();
    void StartBar(const char* caption, int maximum, int position);
    void AdvanceBar();
    bool SetAddressIfNeeded();
    void PutPair(int entry, int value);
    int ReplyWord(int entry) const;
    bool ReplyPairFailed(int entry) const;
    bool SendWriteBlock(uint8_t command, int firstAddress, const char* failure);
    // Reads blocks with command from entry index on and hands every entry to
    // take until index reaches end; false when an exchange or take failed.
    bool ReadPass(uint8_t command, int index, int end, const std::function<bool(int, int)>& take);
    // A pass over program memory from the start word (the address set when
    // it is not 0), each word read handed to take.
    void CodePassFromStart(const char* caption, const std::function<bool(int, int)>& take);
    bool ReadIdWords(const std::function<bool(int, int)>& take);
    bool ReadConfigWord(int& word);
};

} // namespace zekt
