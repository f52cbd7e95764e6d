#pragma once

#include "CommandHost.h"

namespace zekt {

// Passes every prompt on to the host's and remembers the last text the
// operator was shown, with its kind, for the journal.
class RecordingPrompts : public OperatorPrompts {
public:
    explicit RecordingPrompts(OperatorPrompts& inner) : inner(inner) {}

    std::string lastText;
    PromptKind lastKind = PromptKind::Notice;

    bool Tell(const OperatorMessage& message) override {
        lastText = message.text;
        lastKind = message.kind;
        return inner.Tell(message);
    }
    std::optional<std::string> ChooseFirmwareFile() override { return inner.ChooseFirmwareFile(); }
    bool ConfirmReadProtection() override { return inner.ConfirmReadProtection(); }
    void ShowRefusedField(const FrequencyField& field) override { inner.ShowRefusedField(field); }
    std::optional<std::string> WhyUnitNotOpened() override { return inner.WhyUnitNotOpened(); }
    std::optional<std::string> AskRadioNumber() override { return inner.AskRadioNumber(); }

private:
    OperatorPrompts& inner;
};

} // namespace zekt
