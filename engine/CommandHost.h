#pragma once

#include "BoxKind.h"
#include "ConfigBuilder.h"
#include "RunInterfaces.h"

#include <optional>
#include <string>

namespace zekt {

// What an operator text asks of the operator. Hosts act on this, never on
// the wording.
enum class PromptKind {
    Notice,       // tells something: an outcome, a warning, an error
    Question,     // a choice before anything reaches the radio
    ConnectRadio, // connect (and power) a radio, then press OK: a run follows
    NextRadio,    // the last radio is done; another of the same command?
    OutsideBand,  // channels outside the chosen band: program all the same?
};

struct OperatorMessage {
    std::string text;
    std::string title; // empty: the program's own title
    BoxKind icon = BoxKind::None;
    bool okCancel = false;
    PromptKind kind = PromptKind::Notice;
    std::string advice = {}; // what to do, shown below the text
};

// Every host: the texts and questions for the operator.
class OperatorPrompts {
public:
    virtual ~OperatorPrompts() = default;
    // True when the operator chose OK; an OK-only message is always true
    // unless the operator cancelled where the host lets him.
    virtual bool Tell(const OperatorMessage& message) = 0;
    virtual std::optional<std::string> ChooseFirmwareFile() = 0;
    virtual bool ConfirmReadProtection() = 0;
    // Shows which frequency field the build refused.
    virtual void ShowRefusedField(const FrequencyField& field) = 0;
    // Why the unit could not be opened, when the host knows more than the
    // link: another program holds it, or this computer has no driver for it.
    virtual std::optional<std::string> WhyUnitNotOpened() { return std::nullopt; }
    // The radio's own number, once it is connected: empty when none is
    // asked or given; nothing when the operator cancelled the run.
    virtual std::optional<std::string> AskRadioNumber() { return std::string(); }
};

// The progress of the runs of a command.
class RunDisplay {
public:
    virtual ~RunDisplay() = default;
    // True when the progress display is up and runs may start.
    virtual bool ShowProgress() = 0;
    virtual void HideProgress() = 0;
    virtual ProgressView& Progress() = 0;
    virtual void RunFinished() = 0;
};

// The window's configuration panels, which a command hides while it runs
// and hands back with the focus where the operator must look.
class ConfigPanels {
public:
    virtual ~ConfigPanels() = default;
    virtual bool ConfigShown() const = 0;
    virtual void HideConfig() = 0;
    virtual void ShowConfig() = 0;
    // A field the build stored takes the window colour again.
    virtual void ShowStoredField(const FrequencyField& field) = 0;
    virtual void FocusField(const FrequencyField& field) = 0;
    virtual void FocusToneBox(int channel) = 0;
    virtual void FocusCommand() = 0; // the button of the command that ran
};

// Whoever drives a command: the main window (all four parts) or the command
// line (no panels, nothing to lock).
struct CommandHost {
    OperatorPrompts& prompts;
    RunDisplay& runs;
    ConfigPanels* panels = nullptr;
    RunOwner* owner = nullptr;
};

} // namespace zekt
