#include "Commands.h"

#include "CommandMessages.h"
#include "EngineMessages.h"
#include "ProgramThread.h"

#include <algorithm>

namespace zekt {

const WriteCommand kProgramCommand = {0,
                                      kOpsProgramRadio,
                                      true,
                                      false,
                                      msg::kProgTestFailed,
                                      msg::kProgDone,
                                      msg::kProgNextQuestion,
                                      msg::kProgTitle,
                                      "program"};
const WriteCommand kWriteFrequenciesCommand = {kFrequencyPageWord,
                                               kOpsWriteFrequencies,
                                               false,
                                               true,
                                               msg::kFreqTestFailed,
                                               msg::kFreqDone,
                                               msg::kFreqNextQuestion,
                                               msg::kFreqTitle,
                                               "write-frequencies"};

std::string NextRadioQuestion(const WriteCommand& command) {
    return std::string(command.doneText) + " " + command.nextQuestion;
}

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

StepResult RunProgramThread(RunOwner* owner, ProgramOp ops, Project& image, USB_Prog& link,
                            ProgressView& progress) {
    ProgramThread thread(true, owner, ops, image, link, progress);
    thread.Resume();
    thread.WaitFor();
    return thread.Outcome();
}

namespace {

// The confirming pass names itself: the operator sees why a read runs twice.
class ConfirmingProgress : public ProgressView {
public:
    explicit ConfirmingProgress(ProgressView& view) : view(view) {}
    void SetCaption(const std::string& caption) override {
        view.SetCaption(caption == msg::kCaptionReadCode   ? msg::kCaptionConfirmCode
                        : caption == msg::kCaptionReadData ? msg::kCaptionConfirmData
                                                           : caption);
    }
    void SetMaximum(int maximum) override { view.SetMaximum(maximum); }
    void SetPosition(int position) override { view.SetPosition(position); }

private:
    ProgressView& view;
};

} // namespace

ReadAgain ReadAgainAndCompare(RunOwner* owner, ProgramOp ops, const Project& image, USB_Prog& link,
                              ProgressView& progress) {
    Project again;
    again.SetStartWord(image.StartWord());
    ReadAgain result;
    ConfirmingProgress confirming(progress);
    result.run = RunProgramThread(owner, ops, again, link, confirming);
    if (!result.run.ok) {
        return result;
    }
    result.same = true;
    if ((ops & opReadConfig) != 0) {
        result.same =
            again.IdWords() == image.IdWords() && again.ConfigWord() == image.ConfigWord();
    }
    if ((ops & opReadCode) != 0) {
        const auto from = static_cast<std::size_t>(std::clamp(image.StartWord(), 0, kProgramWords));
        result.same = result.same &&
                      std::equal(image.ProgramMemory().begin() + from, image.ProgramMemory().end(),
                                 again.ProgramMemory().begin() + from);
    }
    if ((ops & opReadData) != 0) {
        result.same = result.same && again.DataMemory() == image.DataMemory();
    }
    return result;
}

} // namespace zekt
