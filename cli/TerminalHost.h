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
    bool ShowProgress() override { return true; }
    void HideProgress() override { progress.Finish(); }
    ProgressView& Progress() override { return progress; }
    RunOwner& Owner() override { return owner; }
    void RunFinished() override;

    std::function<void()> afterRun;

private:
    std::FILE* out;
    std::string workdir;
    std::string firmware;
    bool confirmProtection;
    int version;
    TerminalProgress progress;
    NoOwner owner;

    void Say(const std::string& text);
};

// "Канал 3, приём" and the like, as the window names its fields.
std::string FieldName(const FrequencyField& field);

} // namespace zekt
