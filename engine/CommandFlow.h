#pragma once

#include "CommandHost.h"
#include "Commands.h"
#include "ConfigBuilder.h"
#include "Outcome.h"
#include "RadioConfig.h"
#include "ReadBack.h"

#include <functional>
#include <string>

namespace zekt {

// The window's state that the commands read and write.
struct CommandContext {
    Project& image;
    USB_Prog& link;
    ProgDate date;
    std::string& firmwareFile;
    bool& buildAborted;
    // Where the standard firmware's relative paths start; empty: the
    // current folder.
    std::string startDir = {};
    // Called after each run of a writing command, before the next-radio
    // question: the journal's line for that radio.
    std::function<void(const StepResult&)> runDone = {};
    // Called as a radio's first run starts, with the radio's number (empty:
    // none): the journal times the runs, not the questions around them.
    std::function<void(const std::string& radio)> runStarting = {};
};

// How a command ended, for a caller that reports it (the command line's exit
// status); the window has shown everything already.
enum class CommandOutcome {
    Done,              // every run succeeded
    TestFailed,        // the programmer test failed
    Refused,           // no version, panels never used, or the build refused
    Cancelled,         // the operator declined a prompt
    FirmwareNotLoaded, // the firmware file could not be loaded
    RunFailed,         // a run ended with a failure message
    OutputLost,        // the radio was read; what it held could not be written
};

// "Программирование" or "Запись частот" from the click to the end, with the
// run loop over fresh ProgramThread objects.
CommandOutcome RunWriteCommand(const WriteCommand& command, const RadioConfig& config,
                               CommandContext& context, const CommandHost& host);

// The data build with its messages: stored fields get the window colour, a
// refused field turns red and takes the focus.
DataBuildResult::Outcome BuildDataReporting(const RadioConfig& config, Project& image,
                                            const CommandHost& host);

// The configuration build of a writing command with its messages; false when
// no run may follow.
bool BuildForRun(const RadioConfig& config, CommandContext& context, const CommandHost& host);

class CommandJournal;

// A writing command with a journal line for every radio, and one for a
// command that ends before any run (with the last text the operator saw).
CommandOutcome RunWriteCommandJournaled(const WriteCommand& command, const RadioConfig& config,
                                        CommandContext& context, const CommandHost& host,
                                        CommandJournal& journal);

// What to do after a failed run, shown below its text: a link fault is the
// cable or the power; a write cut short left the radio half-written.
enum class RunKind { Reading, Writing };
std::string RunFaultAdvice(const StepResult& result, RunKind kind);

// "Чтение конфигурации" up to the decoding: the test, the prompt, both runs
// and their checks.
struct [[nodiscard]] ReadOutcome {
    CommandOutcome outcome = CommandOutcome::Done;
    bool decode = false; // the image holds a radio both passes agreed on
};
// A read is believed, and what it found said, only when a second pass gives
// the same.
ReadOutcome ReadRadio(CommandContext& context, const CommandHost& host);

// A second pass over the radio into a copy of the image, before anything
// read is believed: a contact that fails now and then garbles a reply
// without failing the exchange. Passes that disagree fail with the
// unreliable-contact text. ops: what the first pass read.
StepResult ConfirmRead(const CommandHost& host, ProgramOp ops, const Project& image,
                       USB_Prog& link);

// What a caller does with a successful read before its journal line: a
// check or a save. Done lets the read stand; a refusal fails it in the
// journal with its text.
using AfterRead = std::function<Outcome(const ReadBackPanels& decoded)>;

// The read with its journal line; a successful read also keeps what it found
// as a *.prg beside the journal (decoded from the given panels).
ReadOutcome ReadRadioJournaled(CommandContext& context, const CommandHost& host,
                               CommandJournal& journal, const RadioConfig& panels,
                               const AfterRead& after = {});

} // namespace zekt
