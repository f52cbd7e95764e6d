#include "TFUser.h"

#include "AppMessages.h"
#include "Artwork.h"
#include "ChannelMarks.h"
#include "ChannelTableHistory.h"
#include "CommandMessages.h"
#include "EngineMessages.h"
#include "FrequencyCodec.h"
#include "LatinMnemonics.h"
#include "Notices.h"
#include "PanelTexts.h"
#include "ProgramThread.h"
#include "QtOperatorDialogs.h"
#include "RadioNumber.h"
#include "RunStop.h"
#include "TForm1.h"
#include "TForm2.h"
#include "TGuide.h"
#include "TJournal.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace zekt {
namespace {

constexpr int kVersionItem611 = 2;
constexpr int kYearModulus = 4096;

} // namespace

namespace {

constexpr int kFocusMargin = 8; // around a field scrolled into view

// To a screen reader the main window is a frame, as a main window is (a
// plain top-level widget would read as a filler).
QAccessibleInterface* MainWindowAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(TFUser::staticMetaObject.className()) &&
        object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

} // namespace

TFUser::TFUser(std::unique_ptr<USB_Prog> unitLink, OperatorDialogs* givenDialogs, QWidget* parent)
    : QWidget(parent),
      ownDialogs(givenDialogs ? nullptr : std::make_unique<QtOperatorDialogs>(this)),
      dialogs(givenDialogs ? givenDialogs : ownDialogs.get()), link(std::move(unitLink)) {
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(MainWindowAccessible);
        return true;
    }();
    (void)accessibleInstalled;
    setObjectName("FUser");
    setWindowTitle(msg::kMainCaption);
    BuildWindow();
    // Whatever moves the focus (Enter as well as Tab), the field that gets
    // it is scrolled into view on a small screen.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now != nullptr && ScrollClient->widget()->isAncestorOf(now)) {
            // The whole field, not only its text cursor.
            const QRect field(now->mapTo(ScrollClient->widget(), QPoint(0, 0)), now->size());
            ScrollClient->ensureVisible(field.center().x(), field.center().y(),
                                        field.width() / 2 + kFocusMargin,
                                        field.height() / 2 + kFocusMargin);
        }
    });
    windowPalette = palette();
    channelMarks = std::make_unique<ChannelMarks>(*this);
    tableHistory = std::make_unique<ChannelTableHistory>(*this, *channelMarks);

    startDir.clear();
    firmwareFile.clear();
    dialogs->GuardOutputsWith([this] { return FilesNotToWrite(); });
    const QDate today = QDate::currentDate();
    progDate = {today.day(), today.month(), today.year()};
    LabelDate->setText(QString("%1.%2.%3")
                           .arg(progDate.day)
                           .arg(progDate.month)
                           .arg(progDate.year % kYearModulus));
    image = std::make_unique<Project>();
    // A latency timer the chip refused is said once the run is over: a box
    // in the middle of a run would hold it up.
    link->warn = [this, earlier = std::move(link->warn)](const std::string& text) {
        if (earlier) {
            earlier(text);
        }
        linkWarning = text;
    };
    startDir = QDir::currentPath();
    ComboBoxVer->SetItemIndex(kVersionItem611);
    clearFrom = -1;

    SetTabOrder();
    ButSetConf->setFocus(); // the first key of a day's work, though Tab runs top to bottom
    ConnectHandlers();
    new LatinMnemonics(this); // Alt+letters under a Latin keyboard layout too
    Form1 = new TForm1(this);
    Form2 = new TForm2(this);
    // Alt+F4 or the close box on the progress window: stop the run, keep the program.
    Form2->closeAsked = [this] { AskToStopRun(false); };
    Guide = new TGuide(this);
    JournalWindow = new TJournal(*dialogs, this);
    notices = new Notices(this);
    notices->onKept = [this](const QString& line) { JournalWindow->AddNotice(line); };
}

TFUser::~TFUser() = default;
void TFUser::ConnectHandlers() {
    auto on = [this](QPushButton* button, void (TFUser::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        button->installEventFilter(this); // Enter presses it; see eventFilter
    };
    on(ButSetConf, &TFUser::ButSetConfClick);
    on(ButTest, &TFUser::ButTestClick);
    on(ButAbout, &TFUser::ButAboutClick);
    on(ButDetail, &TFUser::ButDetailClick);
    on(ButHelp, &TFUser::ButHelpClick);
    on(ButExit, &TFUser::ButExitClick);
    on(ButClear, &TFUser::ButClearClick);
    on(ButProg, &TFUser::ButProgClick);
    on(ButPrFrec, &TFUser::ButPrFrecClick);
    on(ButRead, &TFUser::ButReadClick);
    on(ButWrFile, &TFUser::ButWrFileClick);
    on(ButRdFile, &TFUser::ButRdFileClick);
    connect(RG2Type, &RadioGroup::Click, this, [this] { Guarded([this] { RG2TypeClick(); }); });
    connect(RG4Band, &RadioGroup::Click, this, [this] { Guarded([this] { RG4BandClick(); }); });
    EditFrec1->installEventFilter(this);
    EditFrec2->installEventFilter(this);
    // The keys an operator expects of any program; a locked command column
    // locks them too.
    const std::pair<QKeySequence, QPushButton*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), ButRdFile},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ButWrFile},
        {QKeySequence(Qt::Key_F1), ButHelp},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), ButExit},
    };
    for (const auto& [key, button] : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, button, [button = button] {
            if (button->isEnabled()) {
                button->click();
            }
        });
    }
    // The journal has no button: the command column stays as it is.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_J), this), &QShortcut::activated, this,
            [this] { Guarded([this] { ShowJournal(); }); });
}

void TFUser::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ErrorMessage(*dialogs, QString::fromUtf8(error.what()));
    }
}

RadioConfig TFUser::GetRadioConfig() const {
    RadioConfig c;
    c.software = RG1ProgOb->ItemIndex();
    c.version = ComboBoxVer->ItemIndex();
    c.radioType = RG2Type->ItemIndex();
    c.tonePair = RG3FrTon->ItemIndex();
    c.bandMode = RG4Band->ItemIndex();
    c.mainBand = RG5BandMain->ItemIndex();
    c.gridStep = RG6Setka->ItemIndex();
    c.readProtect = CheckBoxProtect->isChecked();
    c.bandLow = EditFrec1->text().toStdString();
    c.bandHigh = EditFrec2->text().toStdString();
    for (int k = 0; k < kChannelCount; ++k) {
        ChannelConfig& channel = c.channels[static_cast<std::size_t>(k)];
        channel.tx = channelEdits[static_cast<std::size_t>(2 * k)]->text().toStdString();
        channel.rx = channelEdits[static_cast<std::size_t>(2 * k + 1)]->text().toStdString();
        channel.ctcss = ctcssBoxes[static_cast<std::size_t>(k)]->ItemIndex();
        channel.scan = scanBoxes[static_cast<std::size_t>(k)]->isChecked();
    }
    return c;
}

void TFUser::SetRadioConfig(const RadioConfig& c) {
    // Software and version first, then the type: the type's handler may
    // empty the band limits, which are written after it.
    RG1ProgOb->SetItemIndex(c.software);
    ComboBoxVer->SetItemIndex(c.version);
    RG2Type->SetItemIndex(c.radioType);
    RG3FrTon->SetItemIndex(c.tonePair);
    RG4Band->SetItemIndex(c.bandMode);
    RG5BandMain->SetItemIndex(c.mainBand);
    RG6Setka->SetItemIndex(c.gridStep);
    CheckBoxProtect->setChecked(c.readProtect);
    EditFrec1->setText(QString::fromStdString(c.bandLow));
    EditFrec2->setText(QString::fromStdString(c.bandHigh));
    for (int k = 0; k < kChannelCount; ++k) {
        const ChannelConfig& channel = c.channels[static_cast<std::size_t>(k)];
        channelEdits[static_cast<std::size_t>(2 * k)]->setText(QString::fromStdString(channel.tx));
        channelEdits[static_cast<std::size_t>(2 * k + 1)]->setText(
            QString::fromStdString(channel.rx));
        ctcssBoxes[static_cast<std::size_t>(k)]->SetItemIndex(channel.ctcss);
        scanBoxes[static_cast<std::size_t>(k)]->setChecked(channel.scan);
    }
}

void TFUser::ShowConfig() {
    PanClient->show();
    if (RG2Type->ItemIndex() == 0) {
        RG4Band->setEnabled(true);
        RG6Setka->setEnabled(true);
        const bool preset = RG4Band->ItemIndex() == 0;
        RG5BandMain->setEnabled(preset);
        EditFrec1->setVisible(!preset);
        EditFrec2->setVisible(!preset);
    } else if (RG2Type->ItemIndex() == 1) {
        RG4Band->setEnabled(false);
        RG5BandMain->setEnabled(false);
        RG6Setka->setEnabled(false);
        EditFrec1->hide();
        EditFrec2->hide();
    }
}

void TFUser::HideConfig() {
    PanClient->hide();
    // Behind a command's boxes: the neutral picture, seen whole.
    static const QPixmap neutral = MainPicture(false);
    Image1->setPixmap(neutral);
    ScrollClient->horizontalScrollBar()->setValue(0);
    ScrollClient->verticalScrollBar()->setValue(0);
}

void TFUser::DisableCommands() {
    PanButton->setEnabled(false);
}

void TFUser::EnableCommands() {
    PanButton->setEnabled(true);
}

void TFUser::SetFieldColour(QLineEdit* field, FieldColour colour) {
    QPalette p = field->palette();
    switch (colour) {
    case FieldColour::Window:
        p.setColor(QPalette::Base, windowPalette.color(QPalette::Base));
        break;
    case FieldColour::Red:
        p.setColor(QPalette::Base, Qt::red);
        break;
    case FieldColour::ButtonFace:
        p.setColor(QPalette::Base, windowPalette.color(QPalette::Button));
        break;
    }
    field->setPalette(p);
}

FieldColour TFUser::FieldColourOf(const QLineEdit* field) const {
    const QColor base = field->palette().color(QPalette::Base);
    if (base == QColor(Qt::red)) {
        return FieldColour::Red;
    }
    return base == windowPalette.color(QPalette::Base) ? FieldColour::Window
                                                       : FieldColour::ButtonFace;
}

void TFUser::ButSetConfClick() {
    ShowConfig();
    for (QLineEdit* edit : channelEdits) {
        SetFieldColour(edit, FieldColour::Window);
        edit->setEnabled(true);
    }
    for (QCheckBox* box : scanBoxes) {
        box->setEnabled(true);
    }
    for (ChoiceBox* box : ctcssBoxes) {
        box->setEnabled(true);
    }
    channelMarks->ForgetRefusals(); // what is left to mend stays marked
}

void TFUser::ButTestClick() {
    OnUnit([this] {
        const bool passed = TestUnit(this, *link);
        ShowLinkWarning();
        if (passed) {
            dialogs->Message(msg::kTestPassed, msg::kTestPassedCaption, BoxIcon::None,
                             BoxButtons::Ok);
        } else {
            const std::optional<std::string> held = WhyUnitNotOpened();
            dialogs->Message(msg::kTestFailed, msg::kTestButtonFailedCaption, BoxIcon::Error,
                             BoxButtons::Ok,
                             QString::fromStdString(held ? *held : msg::kAdviceTestFailed));
        }
    });
}

std::optional<std::string> TFUser::AskRadioNumber() {
    if (!askRadioNumber) {
        return std::string();
    }
    for (;;) {
        const std::optional<QString> typed =
            dialogs->AskLine(msg::kRadioNumberLabel, msg::kRadioNumberCaption);
        if (!typed) {
            return std::nullopt;
        }
        const RadioNumberInput number = ReadRadioNumber(typed->toStdString());
        if (!number.refusal) {
            return number.number;
        }
        ErrorMessage(*dialogs, "Неверный " + QString::fromStdString(*number.refusal));
    }
}

std::optional<std::string> TFUser::WhyUnitNotOpened() {
    if (!whyNotOpened || link->ErrorCode() != errNoDevice) {
        return std::nullopt;
    }
    std::optional<std::string> why = whyNotOpened();
    unitReasonSaid = why.has_value(); // said in the command's box, not again after it
    return why;
}

void TFUser::ButAboutClick() {
    Form1->exec();
}

void TFUser::ButDetailClick() {
    const int version = GetRadioConfig().version;
    if (version < 0 || version >= static_cast<int>(msg::kVersionDetails.size())) {
        return;
    }
    const msg::VersionDetails& details = msg::kVersionDetails[static_cast<std::size_t>(version)];
    dialogs->Message(details.text, details.caption, BoxIcon::Information, BoxButtons::Ok);
}

void TFUser::ButHelpClick() {
    Guide->show();
    Guide->raise();
    Guide->activateWindow();
}

void TFUser::ShowJournal() {
    if (!ButExit->isEnabled()) {
        return; // a run holds the window
    }
    JournalWindow->Use(journalSource, [this] { return journal.SharedWaiting(); });
    JournalWindow->show();
    JournalWindow->raise();
    JournalWindow->activateWindow();
    JournalWindow->Find();
}

void TFUser::ButExitClick() {
    if (AskToExit()) {
        close();
    }
}

bool TFUser::AskToExit() {
    return dialogs->Message(msg::kExitQuestion, msg::kExitCaption, BoxIcon::Question,
                            BoxButtons::OkCancel) == BoxResult::Ok;
}

void TFUser::closeEvent(QCloseEvent* event) {
    // Only the window system's close box asks; the program's own closing
    // (Выход, a stop signal, the end of the application) does not.
    if (event->spontaneous()) {
        WindowCloseBox(event);
        if (!event->isAccepted()) {
            return;
        }
    }
    SayUnkeptRecords();
    // Closing the main window by any means closes the other two.
    Form1->close();
    Form2->close();
    Guide->close();
    JournalWindow->close();
    QWidget::closeEvent(event);
}

void TFUser::SayUnkeptRecords() {
    const std::vector<std::string> unkept = journal.Flush();
    if (unkept.empty()) {
        return;
    }
    QString text = "Записи о работах не сохранены ни в журнале, ни в очереди общего журнала, и "
                   "с закрытием программы будут потеряны:";
    for (const std::string& line : unkept) {
        text += "\n  " + QString::fromStdString(line);
    }
    dialogs->Message(text, kApplicationTitle, BoxIcon::Warning, BoxButtons::Ok,
                     "Освободите место на диске с журналом (или дайте права на запись) и "
                     "перепишите эти записи в журнал вручную.");
}

void TFUser::WindowCloseBox(QCloseEvent* event) {
    if (GuardsInput()) {
        // A run goes on: it may stop at its next frame, as a stop signal
        // stops it, and the window closes once the command is over.
        event->ignore();
        AskToStopRun(true);
        return;
    }
    if (!AskToExit()) {
        event->ignore();
    }
}

void TFUser::AskToStopRun(bool thenClose) {
    if (!GuardsInput() || closeAfterCommand || askingToStop) {
        return; // no run, or the operator has answered or is answering
    }
    askingToStop = true; // the run waits before its next step meanwhile
    const bool stop =
        dialogs->Message(thenClose ? msg::kStopRunQuestion : msg::kStopRunOnlyQuestion,
                         thenClose ? msg::kExitCaption : msg::kStopRunCaption, BoxIcon::Warning,
                         BoxButtons::OkCancel) == BoxResult::Ok;
    askingToStop = false;
    if (stop && GuardsInput()) {
        closeAfterCommand = thenClose;
        if (commandStop) {
            commandStop->Ask();
        }
    }
}

void TFUser::ButClearClick() {
    const auto step = tableHistory->Record("Очистка каналов памяти");
    if (clearFrom == -1) {
        clearFrom = 0;
    }
    const int start = clearFrom;
    const int fields = static_cast<int>(channelEdits.size());
    for (int i = start; i < fields; ++i) {
        channelEdits[static_cast<std::size_t>(i)]->clear();
    }
    clearFrom = fields;
    for (int j = start / 2; j < kChannelCount; ++j) {
        scanBoxes[static_cast<std::size_t>(j)]->setChecked(false);
        ctcssBoxes[static_cast<std::size_t>(j)]->SetItemIndex(-1);
    }
    // Exhausted: there is no field to go to.
    if (start < fields) {
        channelEdits[static_cast<std::size_t>(start)]->setFocus();
    }
}

void TFUser::RG2TypeClick() {
    if (RG2Type->ItemIndex() == 1) {
        RG4Band->setEnabled(false);
        RG5BandMain->setEnabled(false);
        RG6Setka->setEnabled(false);
        GBoxBandSelect->setEnabled(false);
        EditFrec1->hide();
        EditFrec2->hide();
    } else if (RG2Type->ItemIndex() == 0) {
        RG4Band->setEnabled(true);
        RG6Setka->setEnabled(true);
        GBoxBandSelect->setEnabled(true);
        RG4BandClick();
    }
}

void TFUser::RG4BandClick() {
    if (RG4Band->ItemIndex() == 1) {
        RG5BandMain->setEnabled(false);
        EditFrec1->show();
        EditFrec2->show();
    } else if (RG4Band->ItemIndex() == 0) {
        RG5BandMain->setEnabled(true);
        EditFrec1->clear();
        EditFrec2->clear();
        EditFrec1->hide();
        EditFrec2->hide();
    }
}

void TFUser::CheckBandLimit(QLineEdit* edit, LimitCheck (*check)(const std::string&)) {
    if (checkingLimit) {
        return;
    }
    checkingLimit = true;
    const LimitCheck result = check(edit->text().toStdString());
    if (result.outcome == LimitCheck::Outcome::Refused) {
        dialogs->Message(
            QString::fromStdString(result.message), QString::fromStdString(result.caption),
            result.informationIcon ? BoxIcon::Information : BoxIcon::None, BoxButtons::Ok);
        edit->clear();
    } else if (result.outcome == LimitCheck::Outcome::NotANumber) {
        ErrorMessage(*dialogs, QString::fromStdString(result.message));
    }
    if (result.outcome != LimitCheck::Outcome::Accepted) {
        // The operator cannot leave the field with a refused value.
        edit->setFocus();
        // A mouse press on a button that took the focus from the field comes
        // next, but its release went to the box: the button must not go down
        // and stay drawn pressed.
        swallowButtonPress = true;
        QTimer::singleShot(0, this, [this] { swallowButtonPress = false; });
    }
    checkingLimit = false;
}

void TFUser::EditFrec1Exit() {
    CheckBandLimit(EditFrec1, &CheckLowerBandLimit);
}

void TFUser::EditFrec2Exit() {
    CheckBandLimit(EditFrec2, &CheckUpperBandLimit);
}

void TFUser::Edit1MouseDown(QLineEdit*) {
    for (std::size_t i = 0; i < channelEdits.size(); ++i) {
        if (channelEdits[i]->hasFocus()) {
            clearFrom = static_cast<int>(i);
            return;
        }
    }
}

namespace {

// A radio button of an option group is a tab stop only while it is the
// group's selected item (or the group has none).
bool IsTabStop(QWidget* w) {
    if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled()) {
        return false;
    }
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        if (radio->isChecked()) {
            return true;
        }
        const auto* group = qobject_cast<RadioGroup*>(radio->parentWidget());
        return group != nullptr && group->ItemIndex() < 0;
    }
    return true;
}

} // namespace

bool TFUser::Edit1KeyDown(QLineEdit* sender, int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) {
        return false;
    }
    for (QWidget* w = sender->nextInFocusChain(); w != sender; w = w->nextInFocusChain()) {
        if (w->window() == window() && IsTabStop(w)) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    return false; // the key still reaches the field
}

void TFUser::FormPaint() {
    const int width = PanChanCTC->width();
    const int height = PanChanCTC->height();
    const int tableWidth = width * kTableShareNumerator / kTableShareDenominator;
    GBoxChanell->setGeometry(0, 0, tableWidth, height);
    GBoxCTC->setGeometry(tableWidth, 0, width - tableWidth, height);
}

bool TFUser::ButtonEvent(QPushButton* button, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && swallowButtonPress) {
        swallowButtonPress = false;
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        // Operators press Enter on a focused button and expect it to act.
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (enter && plain) {
            if (button->isEnabled()) {
                button->click();
            }
            return true;
        }
    }
    return false;
}

bool TFUser::eventFilter(QObject* watched, QEvent* event) {
    if (auto* button = qobject_cast<QPushButton*>(watched)) {
        return ButtonEvent(button, event) || QWidget::eventFilter(watched, event);
    }
    if (watched == PanChanCTC &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        FormPaint();
        return false;
    }
    if (watched == EditFrec1 || watched == EditFrec2) {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            // The keyboard's way out of a limit the field refuses, as a
            // click on "по умолчанию" is the mouse's: the preset band.
            RG4Band->Button(0)->setFocus(Qt::OtherFocusReason);
            RG4Band->SetItemIndex(0);
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Leaving the field, not the window or a menu. Choosing the
            // preset band ("по умолчанию") is the way out of a wrong limit:
            // the limits no longer apply and the fields go.
            const bool toPresetBand = QApplication::focusWidget() == RG4Band->Button(0);
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                !toPresetBand) {
                Guarded([&] { watched == EditFrec1 ? EditFrec1Exit() : EditFrec2Exit(); });
            }
        }
        return false;
    }
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr &&
        std::find(channelEdits.begin(), channelEdits.end(), edit) != channelEdits.end()) {
        if (event->type() == QEvent::MouseButtonPress) {
            Edit1MouseDown(edit);
        } else if (event->type() == QEvent::KeyPress) {
            Edit1KeyDown(edit, static_cast<QKeyEvent*>(event)->key());
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zekt
