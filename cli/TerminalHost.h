#pragma once

#include "CommandFlow.h"

#include <cstdio>
#include <functional>
#include <string>

namespace zekt {

// Progress on a terminal: a bar redrawn in place; plain lines otherwise.
class TerminalProgress : public ProgressView {
public:
    explicit TerminalProgress(std::FILE* out);
    ~TerminalProgress() override;
    void SetCaption(const std::string& caption) override;
    void SetMaximum(int maximum) override;
    void SetPosition(int position) override;
    void Finish();

private:
    std::FILE* out;
    bool terminal;
    std::string caption;
    int maximum = 100;
    bool barOpen = false;
};

struct NoOwner : RunOwner {
    void DisableCommands() override {}
    void EnableCommands() override {}
};

// The command line as the host of a command: operator texts go to standard
// error, prompts to connect a radio are taken as answered, one radio per call.
class TerminalHost : public CommandHost {
public:
    TerminalHost(std::FILE* out, std::string workdir, std::string firmware, bool confirmProtection,
                 int version);

    bool Message(const std::string& text, const std::string& title, BoxKind icon,
                 bool okCancel) override;
    void PlainMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    std::optional<std::string> ChooseFirmwareFile() override;
    bool ConfirmReadProtection() override;
    bool ConfigShown() const override { return true; }
    void HideConfig() override {}
    void ShowConfig() override {}
    std::string VersionText() const override;
    void MarkField(const FrequencyField& field, bool invalid) override;
    void FocusField(const FrequencyField&) override {}
    void FocusToneBox(int) override {}
    void FocusCommand() override {}
    void MakeStartDirCurrent() override;
    bool ShowProgress() override { return !cancelled; }
    void HideProgress() override { progress.Finish(); }
    ProgressView& Progress() override { return progress; }
    RunOwner& Owner() override { return owner; }
    void RunFinished() override;

    std::function<void()> afterRun;
    // Where the operator answers the prompts to connect a radio and press
    // OK (a terminal); nullptr takes them as answered (--yes, scripts).
    std::FILE* promptInput = nullptr;
    // Where the operator answers whether to program the next radio (the
    // batch of --repeat); nullptr answers no: one radio per call.
    std::FILE* nextRadioInput = nullptr;
    // The operator cancelled at a prompt: no run starts.
    bool Cancelled() const { return cancelled; }

private:
    std::FILE* out;
    std::string workdir;
    std::string firmware;
    bool confirmProtection;
    int version;
    TerminalProgress progress;
    NoOwner owner;

    bool cancelled = false;

    void Say(const std::string& text);
    // Shows text; a prompt to press OK waits for the operator. False when
    // the operator cancelled (n, Ctrl+C or the end of the input).
    bool Prompt(const std::string& text);
};

// Whether a text asks the operator to press OK before anything happens.
bool AsksToPressOk(const std::string& text);

// Waits for a line from in: Enter answers yes; n, Ctrl+C or the end of the
// input answer no.
bool WaitForEnter(std::FILE* out, std::FILE* in);

// "Канал 3, приём" and the like, as the window names its fields.
std::string FieldName(const FrequencyField& field);

} // namespace zekt
