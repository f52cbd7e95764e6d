// Saving the panels to a *.prg configuration file and loading one.
#include "ChannelMarks.h"
#include "ChannelTableHistory.h"
#include "CommandFlow.h"
#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "FileMessages.h"
#include "Firmware.h"
#include "ProgramSetUp.h"
#include "SafeFile.h"
#include "TFUserHost.h"

#include <QCheckBox>
#include <QLineEdit>

namespace zekt {

namespace {

FileDialogRequest ConfigFileDialog(const QString& startDir, const char* filter) {
    FileDialogRequest request;
    request.filter = filter;
    request.initialDir = startDir;
    request.fileName = msg::kConfigFilePreset;
    return request;
}

} // namespace

void TFUser::ButWrFileClick() {
    if (PanClient->isHidden()) {
        dialogs->Message(msg::kSaveNeedsConfig, msg::kSaveNeedsConfigCaption, BoxIcon::Question,
                         BoxButtons::Ok);
        return;
    }
    const std::optional<OutputFile> output = dialogs->SaveOutput(
        SaveDialog::ConfigFile, ConfigFileDialog(startDir, msg::kConfigFileFilterSave));
    if (output) {
        WriteConfigFile(*output);
    }
}

std::vector<GuardedFile> TFUser::FilesNotToWrite() const {
    std::vector<GuardedFile> guarded = ProgramKeptFiles(journal.Path());
    std::vector<NamedFile> read = StandardFirmwareInputs(startDir.toStdString());
    read.push_back({"файл программы", firmwareFile.toStdString()});
    for (const std::string& radio : keptRadios) {
        read.push_back({"--simulate", radio});
    }
    const std::vector<GuardedFile> named = GuardedFiles(read);
    guarded.insert(guarded.end(), named.begin(), named.end());
    return guarded;
}

void TFUser::ButRdFileClick() {
    const std::optional<QString> path =
        dialogs->OpenFile(ConfigFileDialog(startDir, msg::kConfigFileFilterOpen));
    if (path) {
        ReadConfigFile(*path);
    }
}

bool TFUser::BuildForFile(const RadioConfig& config) {
    // The file holds what the panels show, not bytes an earlier command left.
    image->BlankDataFrom(0);
    Host host(*this, ButWrFile);
    return BuildDataReporting(config, *image, host.Parts()) == DataBuildResult::Outcome::Complete;
}

void TFUser::WriteConfigFile(const OutputFile& output) {
    const RadioConfig config = GetRadioConfig();
    // Built before the file is touched: a refused build leaves any file alone.
    if (!BuildForFile(config)) {
        return;
    }
    const std::string text = FormatConfigFile(OptionsOf(config), image->DataMemory());
    if (!SaveOutput(output, text).Ok()) {
        dialogs->Beep();
        dialogs->Message(msg::kCannotCreate, msg::kCannotCreateCaption, BoxIcon::Error,
                         BoxButtons::Ok);
    }
}

void TFUser::ReadConfigFile(const QString& path) {
    const auto step = tableHistory->Record("Чтение файла конфигурации");
    const FileRead read = ReadRegularFile(path.toStdString(), kConfigFileLimit);
    if (!read.Ok()) {
        dialogs->Beep();
        dialogs->Message(msg::kCannotOpen, msg::kCannotOpenCaption, BoxIcon::Error, BoxButtons::Ok);
        return;
    }
    // A file that is not whole would replace every panel with garbage: the
    // panels stay as they were.
    if (const std::optional<ConfigFileDefect> defect = FindConfigFileDefect(read.bytes)) {
        dialogs->Beep();
        dialogs->Message(
            QString::fromStdString(DescribeConfigFileDefect(path.toStdString(), *defect)),
            msg::kCannotOpenCaption, BoxIcon::Error, BoxButtons::Ok);
        return;
    }
    ButSetConfClick();
    const ParsedConfigFile file = ParseConfigFile(read.bytes);
    const FileReadPlan plan = PlanConfigFileRead(file);
    for (const AppliedOption& applied : plan.options) {
        switch (applied.option) {
        case FileOption::Software:
            RG1ProgOb->SetItemIndex(applied.value);
            break;
        case FileOption::RadioType:
            RG2Type->SetItemIndex(applied.value);
            break;
        case FileOption::TonePair:
            RG3FrTon->SetItemIndex(applied.value);
            break;
        case FileOption::MainBand:
            RG5BandMain->SetItemIndex(applied.value);
            break;
        case FileOption::GridStep:
            RG6Setka->SetItemIndex(applied.value);
            break;
        }
    }
    if (plan.refusal) {
        PlainMessage(*dialogs, QString::fromStdString(*plan.refusal));
        return;
    }
    if (plan.versionMessage) {
        PlainMessage(*dialogs, msg::kFileVersion);
    }
    ComboBoxVer->SetItemIndex(plan.version);
    CheckBoxProtect->setChecked(plan.readProtect);
    ApplyFileData(file, image->DataMemory());
    const auto channels = DecodeFileChannels(image->DataMemory(), plan.version);
    for (std::size_t k = 0; k < channels.size(); ++k) {
        channelEdits[2 * k]->setText(QString::fromStdString(channels[k].tx));
        channelEdits[2 * k + 1]->setText(QString::fromStdString(channels[k].rx));
        scanBoxes[k]->setChecked(channels[k].scan);
        ctcssBoxes[k]->SetItemIndex(channels[k].ctcss);
    }
    // Old files stay readable; what a radio will not take is marked to mend
    // (the marks follow the texts): a frequency no radio tunes to, the
    // missing half of a channel.
    channelMarks->Refresh();
}

std::vector<ChannelFrequency> TFUser::MarkUntunableChannels() {
    const std::vector<ChannelFrequency> untunable = UntunableChannels(GetRadioConfig());
    for (const ChannelFrequency& f : untunable) {
        SetFieldColour(FieldFor(f.field), FieldColour::Red);
    }
    return untunable;
}

} // namespace zekt
