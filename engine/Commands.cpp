#include "Commands.h"

#include "CommandMessages.h"
#include "ProgramThread.h"

namespace zekt {

const WriteCommand kProgramCommand = {
    0,        kOpsProgramRadio, true, false, msg::kProgTestFailed, msg::kProgNext, msg::kProgTitle,
    "program"};
const WriteCommand kWriteFrequenciesCommand = {
    kFrequencyPageWord,   kOpsWriteFrequencies, false,           true,
    msg::kFreqTestFailed, msg::kFreqNext,       msg::kFreqTitle, "write-frequencies"};

void PrepareImage(Project& image, const WriteCommand& command) {
    image.SetStartWord(command.startWord);
    image.BlankProgramFrom(command.startWord);
    image.BlankDataFrom(0);
}

void PrepareMemoryRead(Project& image) {
    image.SetStartWord(kFrequencyPageWord);
    image.BlankProgramFrom(kFrequencyPageWord);
    image.BlankDataFrom(0);
}

RunResult RunProgramThread(RunOwner& owner, ProgramOp ops, Project& image, USB_Prog& link,
                           ProgressView& progress) {
    ProgramThread thread(true, owner, ops, image, link, progress);
    thread.Resume();
    const bool ok = thread.WaitFor() == 1;
    return {ok, ok ? std::string() : thread.Message()};
}

} // namespace zekt
