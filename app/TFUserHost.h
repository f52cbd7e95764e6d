#pragma once

// The main window as the host of the commands that talk to the programmer.
#include "ChannelMarks.h"
#include "CommandFlow.h"
#include "ConfigMessages.h"
#include "RunStop.h"
#include "TFUser.h"
#include "TForm2.h"

#include <QLineEdit>
#include <QPushButton>

namespace zekt {

namespace host_detail {

inline QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace host_detail

// The window as the host of a command: its boxes, its panels and its
// progress window.
class TFUser::Host : public OperatorPrompts, public RunDisplay, public ConfigPanels {
    static QString Text(const std::string& s) { return host_detail::Text(s); }

public:
    Host(TFUser& window, QPushButton* button) : w(window), button(button) {}

    CommandHost Parts() { return {*this, *this, this, &w}; }

    bool Tell(const OperatorMessage& message) override {
        if (message.kind == PromptKind::NextRadio && w.StopAsked()) {
            return false; // a stopped series asks for no next radio
        }
        const QString title =
            message.title.empty() ? QString(kApplicationTitle) : Text(message.title);
        const BoxResult result = w.dialogs->Message(
            Text(message.text), title, message.icon,
            message.okCancel ? BoxButtons::OkCancel : BoxButtons::Ok, Text(message.advice));
        if (message.okCancel) {
            FocusProgress(); // the run goes on after a question
        }
        return !message.okCancel || result == BoxResult::Ok;
    }
    std::optional<std::string> ChooseFirmwareFile() override {
        FileDialogRequest request;
        request.title = msg::kFirmwareDialogTitle;
        request.filter = msg::kFirmwareDialogFilter;
        request.initialDir = w.startDir;
        request.changesWorkingDir = false;
        const std::optional<QString> path = w.dialogs->OpenFile(request);
        if (!path) {
            return std::nullopt;
        }
        return path->toStdString();
    }
    bool ConfirmReadProtection() override {
        return Tell({msg::kProtectionQuestion, msg::kProtectionQuestionCaption, BoxKind::Warning,
                     true, PromptKind::Question});
    }
    std::optional<std::string> WhyUnitNotOpened() override { return w.WhyUnitNotOpened(); }
    std::optional<std::string> AskRadioNumber() override {
        w.Form2->Clear(); // the next radio's run: nothing of the last one shows
        std::optional<std::string> number = w.AskRadioNumber();
        FocusProgress();
        return number;
    }
    void ShowRefusedField(const FrequencyField& field) override {
        w.channelMarks->Refuse(w.FieldFor(field));
    }

    bool ShowProgress() override {
        w.Form2->SetRunName(button->accessibleName()); // the command, without its "&"
        w.Form2->show();
        FocusProgress();
        return w.Form2->shown;
    }
    void HideProgress() override { w.Form2->hide(); }
    ProgressView& Progress() override { return *w.Form2; }
    void RunFinished() override {
        if (w.runFinished) {
            w.runFinished();
        }
        w.ShowLinkWarning();
    }

    bool ConfigShown() const override { return !w.PanClient->isHidden(); }
    void HideConfig() override { w.HideConfig(); }
    void ShowConfig() override { w.ShowConfig(); }
    void ShowStoredField(const FrequencyField& field) override {
        w.channelMarks->Stored(w.FieldFor(field));
    }
    void FocusField(const FrequencyField& field) override { w.FieldFor(field)->setFocus(); }
    void FocusToneBox(int channel) override {
        w.ctcssBoxes[static_cast<std::size_t>(channel)]->setFocus();
    }
    void FocusCommand() override { button->setFocus(); }

private:
    TFUser& w;

    // The run's keys (Esc) go where the operator looks: the progress window
    // takes the focus when it shows and again after each question.
    void FocusProgress() {
        if (w.Form2->isVisible()) {
            w.Form2->raise();
            w.Form2->activateWindow();
        }
    }
    QPushButton* button;
};

} // namespace zekt
