#pragma once

#include "CommandFlow.h"

namespace zekt {

// Passes everything on to the host it wraps and remembers the last text the
// operator was shown, for the journal.
class RecordingHost : public CommandHost {
public:
    explicit RecordingHost(CommandHost& inner) : inner(inner) {}

    std::string lastText;

    bool Message(const std::string& text, const std::string& title, BoxKind icon,
                 bool okCancel) override {
        lastText = text;
        return inner.Message(text, title, icon, okCancel);
    }
    void PlainMessage(const std::string& text) override {
        lastText = text;
        inner.PlainMessage(text);
    }
    void ShowError(const std::string& text) override {
        lastText = text;
        inner.ShowError(text);
    }
    std::optional<std::string> ChooseFirmwareFile() override { return inner.ChooseFirmwareFile(); }
    bool ConfirmReadProtection() override { return inner.ConfirmReadProtection(); }
    bool ConfigShown() const override { return inner.ConfigShown(); }
    void HideConfig() override { inner.HideConfig(); }
    void ShowConfig() override { inner.ShowConfig(); }
    std::string VersionText() const override { return inner.VersionText(); }
    void MarkField(const FrequencyField& field, bool invalid) override {
        inner.MarkField(field, invalid);
    }
    void FocusField(const FrequencyField& field) override { inner.FocusField(field); }
    void FocusToneBox(int channel) override { inner.FocusToneBox(channel); }
    void FocusCommand() override { inner.FocusCommand(); }
    void MakeStartDirCurrent() override { inner.MakeStartDirCurrent(); }
    bool ShowProgress() override { return inner.ShowProgress(); }
    void HideProgress() override { inner.HideProgress(); }
    ProgressView& Progress() override { return inner.Progress(); }
    RunOwner& Owner() override { return inner.Owner(); }
    void RunFinished() override { inner.RunFinished(); }

private:
    CommandHost& inner;
};

} // namespace zekt
