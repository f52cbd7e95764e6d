#pragma once

#include "CommandHost.h"
#include "EngineMessages.h"

#include <string>

namespace zekt {

// A declined question as the journal records it: who declined, and the
// question's first line.
inline std::string DeclinedText(const std::string& question) {
    return msg::kDeclinedQuestion + question.substr(0, question.find('\n'));
}

// Passes every prompt on to the host's and remembers the last text the
// operator was shown, with its kind, for the journal.
class RecordingPrompts : public OperatorPrompts {
public:
    explicit RecordingPrompts(OperatorPrompts& inner) : inner(inner) {}

    std::string lastText;
    PromptKind lastKind = PromptKind::Notice;
    bool lastDeclined = false; // the last was a question the operator declined

    bool Tell(const OperatorMessage& message) override {
        lastKind = message.kind;
        const bool accepted = inner.Tell(message);
        lastDeclined = message.okCancel && !accepted;
        // A declined question is recorded as the operator's answer, not as
        // the question: who declined, and the question's first line.
        lastText = lastDeclined ? DeclinedText(message.text) : message.text;
        return accepted;
    }
    // What ended a command that ran no radio, for its journal line: the last
    // text, but nothing for a connect prompt the operator accepted.
    std::string Outcome() const {
        return lastKind == PromptKind::ConnectRadio && !lastDeclined ? std::string() : lastText;
    }

    std::optional<std::string> ChooseFirmwareFile() override { return inner.ChooseFirmwareFile(); }
    bool ConfirmReadProtection() override { return inner.ConfirmReadProtection(); }
    void ShowRefusedField(const FrequencyField& field) override { inner.ShowRefusedField(field); }
    std::optional<std::string> WhyUnitNotOpened() override { return inner.WhyUnitNotOpened(); }
    std::optional<std::string> AskRadioNumber() override {
        std::optional<std::string> number = inner.AskRadioNumber();
        if (!number) {
            lastText = msg::kRadioNumberDeclined;
            lastKind = PromptKind::Question;
            lastDeclined = true;
        }
        return number;
    }

private:
    OperatorPrompts& inner;
};

} // namespace zekt
