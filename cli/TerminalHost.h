#pragma once

#include "CommandFlow.h"

#include <cstdio>
#include <functional>
#include <optional>
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

// The command line as the host of a command: operator texts go to standard
// error, prompts to connect a radio are taken as answered, one radio per call.
class TerminalHost : public OperatorPrompts, public RunDisplay {
public:
    TerminalHost(std::FILE* out, std::string firmware, bool confirmProtection);

    bool Tell(const OperatorMessage& message) override;
    std::optional<std::string> ChooseFirmwareFile() override;
    bool ConfirmReadProtection() override;
    void ShowRefusedField(const FrequencyField& field) override;
    std::optional<std::string> AskRadioNumber() override {
        return radioNumber ? radioNumber() : std::string();
    }

    bool ShowProgress() override { return true; }
    void HideProgress() override { progress.Finish(); }
    ProgressView& Progress() override { return progress; }
    void RunFinished() override;

    // The host of the engine's commands: no panels, nothing to lock.
    CommandHost Parts() { return {*this, *this}; }

    std::function<void()> afterRun;
    // Where the operator answers the prompts to connect a radio and press
    // OK (a terminal); nullptr takes them as answered (--yes, scripts).
    std::FILE* promptInput = nullptr;
    // Where the operator answers whether to program the next radio (the
    // batch of --repeat); nullptr answers no: one radio per call.
    std::FILE* nextRadioInput = nullptr;
    // Channels outside the chosen band are programmed (--force-band).
    bool forceBand = false;
    // Each radio's number; empty: none is asked.
    std::function<std::optional<std::string>()> radioNumber;

private:
    std::FILE* out;
    std::string firmware;
    bool confirmProtection;
    TerminalProgress progress;

    void Say(const std::string& text);
};

// Waits for a line from in: Enter answers yes; n, Ctrl+C or the end of the
// input answer no.
bool WaitForEnter(std::FILE* out, std::FILE* in);
// The same before a radio's run: a stop request that answers it stopped
// the command.
bool WaitForConnect(std::FILE* out, std::FILE* in);
// A radio's number from a line of in (a terminal, a scanner, a script),
// asked again until it is one; empty: none. Nothing at the end of the input,
// Ctrl+C or a stop request: the run is cancelled. unitSerial names the unit
// when several are at work.
std::optional<std::string> AskRadioNumberLine(std::FILE* out, std::FILE* in,
                                              const std::string& unitSerial);

} // namespace zekt
