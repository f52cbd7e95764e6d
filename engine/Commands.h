#pragma once

#include "ProgramOp.h"
#include "ProgramSteps.h"
#include "Project.h"
#include "RunInterfaces.h"
#include "USB_Prog.h"

#include <string>

namespace zekt {

// What tells the two writing commands apart; the window and the command
// line both work from these.
struct WriteCommand {
    int32_t startWord; // also where blanking program memory starts
    ProgramOp ops;
    bool loadsFirmware;
    bool needsConfigShown;
    const char* testFailed;
    const char* doneText;     // what the journal says of a radio done
    const char* nextQuestion; // asked after the done text
    const char* title;
    const char* journalName; // the command as the journal and the command line name it
};

extern const WriteCommand kProgramCommand;
extern const WriteCommand kWriteFrequenciesCommand;

// "Программирование завершено! Программировать следующее устройство?"
std::string NextRadioQuestion(const WriteCommand& command);

// The image as a writing command starts from: start word set, program memory
// blanked from it, the data EEPROM blanked.
void PrepareImage(Project& image, const WriteCommand& command);

// Before the second read-back run: blank what that run fills, so that a run
// that fails part-way leaves no earlier radio's data to be decoded.
void PrepareMemoryRead(Project& image);

// One run in a fresh ProgramThread, waited for on the calling thread; the
// owner, when there is one, has its commands locked meanwhile.
StepResult RunProgramThread(RunOwner* owner, ProgramOp ops, Project& image, USB_Prog& link,
                            ProgressView& progress);

// A second pass over what a read run read, into a copy of the image from the
// same start word: whether the radio gave the same words again (the ID words
// and configuration word, program memory from the start word, the data
// EEPROM, as ops read them). A contact that fails now and then garbles a
// reply without failing the exchange.
struct ReadAgain {
    StepResult run;
    bool same = false;
};
ReadAgain ReadAgainAndCompare(RunOwner* owner, ProgramOp ops, const Project& image, USB_Prog& link,
                              ProgressView& progress);

} // namespace zekt
