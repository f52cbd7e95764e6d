#pragma once

// The main window as the host of the commands that talk to the programmer.
#include "CommandFlow.h"
#include "ConfigMessages.h"
#include "TFUser.h"
#include "TForm2.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace zekt {

namespace host_detail {

inline QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace host_detail

// The window as the host of a command.
class TFUser::Host : public CommandHost {
    static QString Text(const std::string& s) { return host_detail::Text(s); }

public:
    Host(TFUser& window, QPushButton* button) : w(window), button(button) {}

    bool Message(const std::string& text, const std::string& title, BoxKind icon,
                 bool okCancel) override {
        return w.dialogs->Message(Text(text), Text(title), icon,
                                  okCancel ? BoxButtons::OkCancel : BoxButtons::Ok) ==
               BoxResult::Ok;
    }
    void PlainMessage(const std::string& text) override {
        zekt::PlainMessage(*w.dialogs, Text(text));
    }
    void ShowError(const std::string& text) override { ErrorMessage(*w.dialogs, Text(text)); }
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
        return Message(msg::kProtectionQuestion, msg::kProtectionQuestionCaption, BoxKind::Warning,
                       true);
    }
    bool ConfigShown() const override { return !w.PanClient->isHidden(); }
    void HideConfig() override { w.HideConfig(); }
    void ShowConfig() override { w.ShowConfig(); }
    std::string VersionText() const override { return w.ComboBoxVer->currentText().toStdString(); }
    void MarkField(const FrequencyField& field, bool invalid) override {
        w.SetFieldColour(w.FieldFor(field), invalid ? FieldColour::Red : FieldColour::Window);
    }
    void FocusField(const FrequencyField& field) override { w.FieldFor(field)->setFocus(); }
    void FocusToneBox(int channel) override {
        w.ctcssBoxes[static_cast<std::size_t>(channel)]->setFocus();
    }
    void FocusCommand() override { button->setFocus(); }
    void MakeStartDirCurrent() override { QDir::setCurrent(w.startDir); }
    bool ShowProgress() override {
        w.Form2->show();
        return w.Form2->shown;
    }
    void HideProgress() override { w.Form2->hide(); }
    ProgressView& Progress() override { return *w.Form2; }
    RunOwner& Owner() override { return w; }
    void RunFinished() override {
        if (w.runFinished) {
            w.runFinished();
        }
    }

private:
    TFUser& w;
    QPushButton* button;
};

} // namespace zekt
