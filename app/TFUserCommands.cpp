// The commands of the main window that talk to the programmer: programming a
// radio, writing its frequencies and reading it back.
#include "CommandMessages.h"
#include "ConfigMessages.h"
#include "TFUser.h"
#include "TForm2.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace zekt {

namespace {

// The build's questions, asked with the window's dialogs.
class WindowQuestions : public BuildQuestions {
public:
    explicit WindowQuestions(TFUser& window) : window(window) {}

    std::optional<std::string> ChooseFirmwareFile() override {
        FileDialogSpec spec;
        spec.title = msg::kFirmwareDialogTitle;
        spec.filter = msg::kFirmwareDialogFilter;
        spec.initialDir = window.startDir;
        spec.changesWorkingDir = false;
        const std::optional<QString> path = window.Dialogs().OpenFile(spec);
        if (!path) {
            return std::nullopt;
        }
        return path->toStdString();
    }

    bool ConfirmReadProtection() override {
        return window.Dialogs().Message(msg::kProtectionQuestion, msg::kProtectionQuestionCaption,
                                        BoxIcon::Warning, BoxButtons::OkCancel) == BoxResult::Ok;
    }

private:
    TFUser& window;
};

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

void TFUser::ButProgClick() {
    RunWriteCommand(kProgramCommand, ButProg);
}

void TFUser::ButPrFrecClick() {
    RunWriteCommand(kWriteFrequenciesCommand, ButPrFrec);
}

QLineEdit* TFUser::FieldFor(const FrequencyField& field) {
    switch (field.kind) {
    case FrequencyField::Kind::ChannelTx:
        return channelEdits[static_cast<std::size_t>(2 * field.channel)];
    case FrequencyField::Kind::ChannelRx:
        return channelEdits[static_cast<std::size_t>(2 * field.channel + 1)];
    case FrequencyField::Kind::BandLow:
        return EditFrec1;
    case FrequencyField::Kind::BandHigh:
        break;
    }
    return EditFrec2;
}

bool TFUser::ConfirmWrite(const WriteCommand& command, const RadioConfig& config) {
    QString prompt;
    QString title;
    if (command.loadsFirmware) {
        prompt = config.software == 1
                     ? Text(msg::kProgPromptUserFile)
                     : Text(msg::kProgPromptStandard).replace("%s", ComboBoxVer->currentText());
        title = msg::kProgPromptCaption;
    } else {
        prompt = msg::kFreqPrompt;
        title = command.title;
    }
    return dialogs->Message(prompt, title, BoxIcon::Information, BoxButtons::OkCancel) ==
           BoxResult::Ok;
}

bool TFUser::BuildForRun(const RadioConfig& config) {
    const DataBuildResult data = BuildConfigurationData(config, *image);
    for (const FrequencyField& stored : data.storedFields) {
        SetFieldColour(FieldFor(stored), FieldColour::Window);
    }
    if (data.outcome == DataBuildResult::Outcome::NotANumber) {
        // No run: the operator sees the error, the panels and the field to mend.
        ErrorMessage(*dialogs, QString::fromStdString(data.conversionError));
        ShowConfig();
        QLineEdit* field = FieldFor(data.field);
        SetFieldColour(field, FieldColour::Red);
        field->setFocus();
        return false;
    }
    if (data.outcome == DataBuildResult::Outcome::InvalidFrequency) {
        SetFieldColour(FieldFor(data.field), FieldColour::Red);
        dialogs->Message(msg::kSyntaxError, msg::kSyntaxErrorCaption, BoxIcon::Error,
                         BoxButtons::Ok);
    }
    WindowQuestions questions(*this);
    const IdentificationResult id =
        BuildIdentification(config, *image, progDate, firmwareFile.toStdString(), questions);
    firmwareFile = QString::fromStdString(id.firmwareFile);
    switch (id.outcome) {
    case IdentificationResult::Outcome::Complete:
        break;
    case IdentificationResult::Outcome::BadTone:
        dialogs->Message(msg::kBadTone, msg::kBadToneCaption, BoxIcon::Error, BoxButtons::Ok);
        buildAborted = true;
        ShowConfig(); // the tone box can take the focus only when shown
        ctcssBoxes[static_cast<std::size_t>(id.toneChannel)]->setFocus();
        break;
    case IdentificationResult::Outcome::FirmwareCancelled:
    case IdentificationResult::Outcome::ProtectionDeclined:
        buildAborted = true;
        break;
    }
    return !buildAborted;
}

void TFUser::RunWriteCommand(const WriteCommand& command, QPushButton* button) {
    PrepareImage(*image, command);
    buildAborted = false;
    if (link->IsReady() && !link->Test()) {
        dialogs->Message(command.testFailed, msg::kTestFailedCaption, BoxIcon::Error,
                         BoxButtons::Ok);
        return;
    }
    const RadioConfig config = GetRadioConfig();
    if (config.version < kVersion410 || config.version > kVersion611) {
        dialogs->Message(msg::kNoVersion, msg::kNoVersionCaption, BoxIcon::Error, BoxButtons::Ok);
        return;
    }
    if (command.needsConfigShown && PanClient->isHidden()) {
        dialogs->Message(msg::kConfigNotSet, msg::kConfigNotSetCaption, BoxIcon::Error,
                         BoxButtons::Ok);
        return;
    }
    HideConfig();
    if (ConfirmWrite(command, config)) {
        // The standard firmware paths are relative to the start folder.
        QDir::setCurrent(startDir);
        if (!BuildForRun(config)) {
            ShowConfig();
            return;
        }
        if (command.loadsFirmware) {
            if (!image->LoadHex(firmwareFile.toStdString())) {
                dialogs->Message(msg::kFirmwareNotLoaded, msg::kFirmwareNotLoadedCaption,
                                 BoxIcon::Error, BoxButtons::Ok);
                ShowConfig();
                return;
            }
            if (config.software == 1) {
                PlainMessage(*dialogs, msg::kConnectDevice);
            }
        }
        Form2->show();
        if (Form2->shown) {
            RunLoop(command);
            Form2->hide();
        }
    }
    ShowConfig();
    button->setFocus();
}

RunResult TFUser::Run(ProgramOp ops) {
    const RunResult result = RunProgramThread(*this, ops, *image, *link, *Form2);
    if (runFinished) {
        runFinished();
    }
    return result;
}

void TFUser::RunLoop(const WriteCommand& command) {
    for (;;) {
        const RunResult result = Run(command.ops);
        if (!result.ok) {
            PlainMessage(*dialogs, QString::fromStdString(result.message));
            return;
        }
        if (dialogs->Message(command.nextQuestion, command.title, BoxIcon::None,
                             BoxButtons::OkCancel) != BoxResult::Ok) {
            return;
        }
    }
}

void TFUser::ButReadClick() {
    if (link->IsReady() && !link->Test()) {
        dialogs->Message(msg::kReadTestFailed, msg::kReadTestFailedCaption, BoxIcon::Error,
                         BoxButtons::Ok);
        return;
    }
    HideConfig();
    bool readOk = false;
    if (dialogs->Message(msg::kConnectRadioForRead, msg::kConnectRadioForReadCaption,
                         BoxIcon::Information, BoxButtons::OkCancel) == BoxResult::Ok) {
        Form2->show();
        if (Form2->shown) {
            const RunResult identification = Run(kOpsReadIdentification);
            if (!identification.ok) {
                PlainMessage(*dialogs, QString::fromStdString(identification.message));
                Form2->hide();
            } else if (RadioBlank(*image)) {
                dialogs->Message(msg::kRadioBlank, msg::kRadioBlankCaption, BoxIcon::Error,
                                 BoxButtons::Ok);
                Form2->hide();
                ShowConfig();
                return;
            } else {
                readOk = true;
                if (ProgrammedByOldUnit(*image)) {
                    dialogs->Message(msg::kOldProgrammer, msg::kOldProgrammerCaption,
                                     BoxIcon::Information, BoxButtons::Ok);
                }
                PrepareMemoryRead(*image);
                const RunResult memories = Run(kOpsReadMemories);
                if (!memories.ok) {
                    PlainMessage(*dialogs, QString::fromStdString(memories.message));
                }
                Form2->hide();
                if (OldFirmware(*image)) {
                    dialogs->Message(msg::kOldFirmware, msg::kOldFirmwareCaption, BoxIcon::Warning,
                                     BoxButtons::Ok);
                }
            }
        }
    }
    ShowConfig();
    ButRead->setFocus();
    if (readOk) {
        ApplyReadBack(DecodeReadBack(*image, GetRadioConfig()));
    }
}

void TFUser::ApplyReadBack(const ReadBackPanels& panels) {
    const RadioConfig& c = panels.config;
    RG1ProgOb->SetItemIndex(c.software);
    RG2Type->SetItemIndex(c.radioType);
    RG3FrTon->SetItemIndex(c.tonePair);
    RG4Band->SetItemIndex(c.bandMode);
    RG5BandMain->SetItemIndex(c.mainBand);
    RG6Setka->SetItemIndex(c.gridStep);
    if (c.bandMode == 1) {
        EditFrec1->setText(QString::fromStdString(c.bandLow));
        EditFrec2->setText(QString::fromStdString(c.bandHigh));
    }
    ComboBoxVer->SetItemIndex(panels.decodingVersion);
    CheckBoxProtect->setChecked(c.readProtect);
    if (panels.readProtected) {
        dialogs->Message(msg::kReadProtected, msg::kReadProtectedCaption, BoxIcon::Error,
                         BoxButtons::Ok);
    }
    ShowConfig();

    for (int n = 0; n < kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        QLineEdit* tx = channelEdits[2 * i];
        QLineEdit* rx = channelEdits[2 * i + 1];
        tx->setText(QString::fromStdString(c.channels[i].tx));
        rx->setText(QString::fromStdString(c.channels[i].rx));
        if (panels.channelEmpty[i]) {
            for (QLineEdit* edit : {tx, rx}) {
                SetFieldColour(edit, FieldColour::ButtonFace);
                edit->setEnabled(false);
            }
        }
        if (panels.BoxesEnabled(n)) {
            scanBoxes[i]->setChecked(c.channels[i].scan);
            if (panels.toneTexts[i].empty()) {
                ctcssBoxes[i]->SetItemIndex(-1);
            } else {
                ctcssBoxes[i]->SetText(QString::fromStdString(panels.toneTexts[i]));
            }
        } else {
            scanBoxes[i]->setChecked(false);
            scanBoxes[i]->setEnabled(false);
            ctcssBoxes[i]->SetItemIndex(-1);
            ctcssBoxes[i]->setEnabled(false);
        }
    }

    ComboBoxVer->SetItemIndex(panels.finalVersion);
    if (panels.constructionMismatch) {
        PlainMessage(*dialogs, msg::kConstructionMismatch);
        ComboBoxVer->SetItemIndex(kNoVersion);
    }
    dialogs->Message(QString::fromStdString(panels.summary), msg::kSummaryCaption, BoxIcon::None,
                     BoxButtons::Ok);
}

} // namespace zekt
