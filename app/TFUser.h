#pragma once

#include "ChannelBand.h"
#include "ChoiceBox.h"
#include "CommandFlow.h"
#include "ConfigBuilder.h"
#include "FtdiDriver.h"
#include "Journal.h"
#include "JournalLookup.h"
#include "OperatorDialogs.h"
#include "Project.h"
#include "RadioConfig.h"
#include "RadioGroup.h"
#include "ReadBack.h"
#include "RunInterfaces.h"
#include "USB_Prog.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QCheckBox;
class QFrame;
class QGroupBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QScrollArea;

namespace zekt {

class ChannelMarks;
class ChannelTableHistory;
class TForm1;
class TForm2;
class TGuide;
class TJournal;
class Notices;

enum class FieldColour { Window, Red, ButtonFace };

// The channel table's share of the table panel's width: 50/81.
inline constexpr int kTableShareNumerator = 50;
inline constexpr int kTableShareDenominator = 81;

// The main window: the command column on the left, the configuration area
// (options and the table of sixteen memory channels) on the right, and the
// picture while the configuration is hidden.
class TFUser : public QWidget, public RunOwner {
    Q_OBJECT

public:
    // dialogs: where every box and file dialog goes (the Qt ones when null).
    // `link`: the unit's link; what it warns of is said after the run too.
    TFUser(std::unique_ptr<USB_Prog> link, OperatorDialogs* dialogs = nullptr,
           QWidget* parent = nullptr);
    ~TFUser() override;

    // Command column.
    QFrame* PanButton = nullptr;
    QLabel* LabelDate = nullptr;
    QPushButton* ButAbout = nullptr;
    QPushButton* ButTest = nullptr;
    QPushButton* ButSetConf = nullptr;
    QPushButton* ButProg = nullptr;
    QPushButton* ButPrFrec = nullptr;
    QPushButton* ButRead = nullptr;
    QPushButton* ButRdFile = nullptr;
    QPushButton* ButWrFile = nullptr;
    QPushButton* ButHelp = nullptr;
    QPushButton* ButExit = nullptr;
    QLabel* Image1 = nullptr;
    // The picture and the configuration area, scrolled on a small screen.
    QScrollArea* ScrollClient = nullptr;
    QSize fittedSize; // the size FitToScreen gave, to tell an operator's resize
    bool painted = false;

    // Configuration area.
    QFrame* PanClient = nullptr;
    QFrame* PanRadioGr = nullptr;
    RadioGroup* RG1ProgOb = nullptr;
    QLabel* STVersii = nullptr;
    ChoiceBox* ComboBoxVer = nullptr;
    QPushButton* ButDetail = nullptr;
    RadioGroup* RG2Type = nullptr;
    RadioGroup* RG3FrTon = nullptr;
    RadioGroup* RG4Band = nullptr;
    RadioGroup* RG5BandMain = nullptr;
    QGroupBox* GBoxBandSelect = nullptr;
    QLabel* LabelFrec1 = nullptr;
    QLineEdit* EditFrec1 = nullptr;
    QLabel* LabelFrec2 = nullptr;
    QLineEdit* EditFrec2 = nullptr;
    RadioGroup* RG6Setka = nullptr;
    QGroupBox* GBoxAttr = nullptr;
    QCheckBox* CheckBoxProtect = nullptr;
    QFrame* PanChanell = nullptr;
    QFrame* PanChanCTC = nullptr;
    QGroupBox* GBoxChanell = nullptr;
    QLabel* LabelPRD = nullptr;
    QLabel* LabelPRM = nullptr;
    std::array<QLabel*, kChannelCount> STChan{};
    QGroupBox* GBoxCTC = nullptr;
    QLabel* LabelScan = nullptr;
    QLabel* LabelCTCSS = nullptr;
    QLabel* LabelFrCTC = nullptr;
    QPushButton* ButClear = nullptr;

    // Window state.
    QString startDir;
    QString firmwareFile;
    bool buildAborted = false;
    ProgDate progDate;
    int clearFrom = -1;
    std::vector<QLineEdit*> channelEdits;
    std::vector<QCheckBox*> scanBoxes;
    std::vector<ChoiceBox*> ctcssBoxes;

    TForm1* Form1 = nullptr;
    TForm2* Form2 = nullptr;
    TGuide* Guide = nullptr;
    TJournal* JournalWindow = nullptr;
    // News that needs no answer, in a note over the window; kept in the journal view.
    Notices* notices = nullptr;

    Project& Image() { return *image; }
    USB_Prog& Link() { return *link; }
    OperatorDialogs& Dialogs() { return *dialogs; }

    RadioConfig GetRadioConfig() const;
    void SetRadioConfig(const RadioConfig& config);
    void ShowConfig();
    void HideConfig();
    void DisableCommands() override;
    void EnableCommands() override;
    bool GuardsInput() const override { return inputGuard != nullptr; }
    bool HoldsRun() const override { return askingToStop; }
    // The command under way was asked to stop (or the process was).
    bool StopAsked() const override {
        return commandStop ? commandStop->Asked() : RunStopSignal() != 0;
    }
    void SetFieldColour(QLineEdit* field, FieldColour colour);
    FieldColour FieldColourOf(const QLineEdit* field) const;

    // Handlers.
    void ButSetConfClick();
    void ButTestClick();
    void ButAboutClick();
    void ButDetailClick();
    void ButHelpClick();
    // Ctrl+J: the journal's runs, in a window beside this one.
    void ShowJournal();
    void ButExitClick();
    // The window system's close box: the exit question when idle, the offer
    // to stop a run at its next frame during one (the event ignored).
    void WindowCloseBox(QCloseEvent* event);
    // During a run (✕, Ctrl+Q, Esc or Alt+F4 on the progress window): stop
    // it at its next frame, and close the window after when thenClose.
    void AskToStopRun(bool thenClose);
    void ButClearClick();
    void RG2TypeClick();
    void RG4BandClick();
    void EditFrec1Exit();
    void EditFrec2Exit();
    void Edit1MouseDown(QLineEdit* sender);
    bool Edit1KeyDown(QLineEdit* sender, int key);
    void FormPaint();

    void ButProgClick();
    void ButPrFrecClick();
    void ButReadClick();
    void ButWrFileClick();
    void ButRdFileClick();
    void WriteConfigFile(const OutputFile& output);
    // What the window's save dialogs may not name: what the program keeps
    // (the journal and beside it, the settings file, the simulated radios in
    // keptRadios) and the firmware it reads.
    std::vector<GuardedFile> FilesNotToWrite() const;
    // Records the journal still holds in memory at closing, in a box.
    void SayUnkeptRecords();
    std::vector<std::string> keptRadios;
    void ReadConfigFile(const QString& path);

    // Called after every run, successful or not (the simulated radio is saved).
    std::function<void()> runFinished;
    // What the link warned of during the run, in a box once it is over.
    void ShowLinkWarning();
    // Why the unit could not be opened, when the program can tell more than
    // the link (another program holds it).
    std::function<std::optional<std::string>()> whyNotOpened;
    bool unitReasonSaid = false; // a command's box has said why the unit did not open
    // Each radio's number is asked once it is connected, for the journal.
    bool askRadioNumber = false;
    std::optional<std::string> AskRadioNumber();
    // Why the unit could not be opened: another program holds it, no driver.
    std::optional<std::string> WhyUnitNotOpened();
    // What the window needs to show everything without scrolling.
    QSize NaturalSize() const;
    // The first size on a screen: the natural size, within what the screen
    // offers less the window manager's frame (the configuration area
    // scrolls below that, with room for one scroll bar so that the other
    // direction need not scroll). Until the frame is known, an allowance.
    void FitToScreen(const QRect& available, QSize frame = {});
    // Once the window manager has framed the window: fitted again with the
    // frame it really draws, unless the operator resized the window already.
    // Whether the size changed.
    bool FitToFrame();
    bool Painted() const { return painted; }

    // Where programming, frequency writing and reading are recorded (none
    // until set; an empty path turns it off). A journal that cannot be
    // written is reported once in a warning box.
    void UseJournal(const std::string& path, const std::string& sharedUri = {});
    Journal journal;
    JournalSource journalSource; // where the journal window looks runs up

    // Runs a handler; an exception that escapes it is shown in the standard
    // error box and the window stays usable.
    void Guarded(const std::function<void()>& handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<OperatorDialogs> ownDialogs;
    OperatorDialogs* dialogs;
    std::unique_ptr<Project> image;
    std::unique_ptr<USB_Prog> link;
    std::string linkWarning; // from the last run, shown when it is over
    // The shared journal's news (the server gone, back): a notice, which
    // needs no answer and holds nothing up.
    void TellJournalNews(const std::string& text);
    // The sender thread leaves its news here; the window's timer takes them
    // (the sender is no Qt thread and calls nothing of Qt).
    struct JournalMailbox {
        std::mutex mutex;
        std::vector<std::string> news;
    };
    std::shared_ptr<JournalMailbox> journalMailbox = std::make_shared<JournalMailbox>();
    QTimer* journalNewsTimer = nullptr;
    void TakeJournalMail();

    // Runs a command on the unit; when its Open failed, says why if known.
    void OnUnit(const std::function<void()>& command);
    bool AskToExit();
    // While a command talks to the unit: the operator's input to the
    // program's own windows is dropped, a close request is not.
    std::unique_ptr<QObject> inputGuard;
    bool closeAfterCommand = false; // the operator closed the window during a run
    bool askingToStop = false;
    // The stop of the command under way: made for each command, so that a
    // stop never reaches the next one.
    std::unique_ptr<CommandStop> commandStop;
    bool checkingLimit = false;
    bool swallowButtonPress = false;
    QPalette windowPalette;

    void BuildWindow();
    void BuildCommandColumn();
    void BuildConfigurationArea();
    QWidget* BuildOptionsPanel();
    QLayout* BuildVersionRow();
    QLayout* BuildBandRow();
    void BuildAttributesBox();
    QWidget* BuildChannelPanel();
    QGridLayout* BuildChannelBox(const QFont& tableFont);
    QGridLayout* BuildToneBox(const QFont& tableFont);
    void AddChannelRow(int k, QGridLayout* channels, QGridLayout* ctc, const QStringList& tones);
    void SetTabOrder();
    void ConnectHandlers();
    void CheckBandLimit(QLineEdit* edit, LimitCheck (*check)(const std::string&));
    bool ButtonEvent(QPushButton* button, QEvent* event);

    // The commands that talk to the programmer, hosted by the window.
    class Host;
    void RunWrite(const WriteCommand& command, QPushButton* button);
    CommandContext Context(std::string& firmware);
    JournalRecord Record() const;
    QLineEdit* FieldFor(const FrequencyField& field);
    void ApplyReadBack(const ReadBackPanels& panels);
    // Channel fields no radio can tune to, turned red.
    std::vector<ChannelFrequency> MarkUntunableChannels();
    bool BuildForFile(const RadioConfig& config);

    // Last: gone before the fields they watch.
    std::unique_ptr<ChannelMarks> channelMarks;
    std::unique_ptr<ChannelTableHistory> tableHistory;
};

} // namespace zekt
