// The commands of the main window that talk to the programmer: programming a
// radio, writing its frequencies and reading it back. The flow lives in the
// engine; the window lends it its boxes, panels and progress window.
#include "ChannelTableHistory.h"
#include "Notices.h"
#include "TFUserHost.h"
#include "TForm1.h"
#include "TGuide.h"
#include "TJournal.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace zekt {

namespace {
// How often the window looks for the shared journal's news.
constexpr int kJournalNewsMs = 250;
} // namespace

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

CommandContext TFUser::Context(std::string& firmware) {
    firmware = firmwareFile.toStdString();
    CommandContext context{*image, *link, progDate, firmware, buildAborted};
    context.startDir = startDir.toStdString();
    return context;
}

void TFUser::UseJournal(const std::string& path, const std::string& sharedUri) {
    journal = Journal(path);
    journal.warn = [this](const std::string& text) {
        dialogs->Message(QString::fromStdString(text), kApplicationTitle, BoxIcon::Warning,
                         BoxButtons::Ok);
    };
    // The sender's news come from its thread: shown by the window's, once each.
    journal.UseSharedJournal(sharedUri, [mailbox = journalMailbox](const std::string& text) {
        const std::lock_guard<std::mutex> lock(mailbox->mutex);
        mailbox->news.push_back(text);
    });
    if (!journalNewsTimer) {
        journalNewsTimer = new QTimer(this);
        connect(journalNewsTimer, &QTimer::timeout, this, &TFUser::TakeJournalMail);
    }
    if (!sharedUri.empty()) {
        journalNewsTimer->start(kJournalNewsMs);
    }
    journalSource = {path, sharedUri};
}

void TFUser::TakeJournalMail() {
    std::vector<std::string> news;
    {
        const std::lock_guard<std::mutex> lock(journalMailbox->mutex);
        news.swap(journalMailbox->news);
    }
    for (const std::string& text : news) {
        TellJournalNews(text);
    }
}

void TFUser::TellJournalNews(const std::string& text) {
    notices->Tell(QString::fromStdString(text));
}

void TFUser::ShowLinkWarning() {
    if (linkWarning.empty()) {
        return;
    }
    const QString text = QString::fromStdString(linkWarning);
    linkWarning.clear();
    dialogs->Message(text, kApplicationTitle, BoxIcon::Warning, BoxButtons::Ok);
}

JournalRecord TFUser::Record() const {
    JournalRecord record;
    record.program = "zekt-programmer";
    return record; // the configuration comes from the panels, not a file
}

namespace {

// Drops the operator's input to the program's windows while a command talks
// to the unit; boxes the command opens meanwhile take theirs.
// The keys that still work: Ctrl+Q and Esc in any of them ask whether to
// stop the run (Ctrl+Q then closes, as Выход would).
class InputGuard : public QObject {
public:
    InputGuard(std::vector<const QWidget*> windows, std::function<void(bool thenClose)> stopAsked)
        : windows(std::move(windows)), stopAsked(std::move(stopAsked)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!IsInput(event->type())) {
            return false;
        }
        const auto* widget = qobject_cast<const QWidget*>(watched);
        const QWidget* window = widget != nullptr ? widget->window() : nullptr;
        if (std::find(windows.begin(), windows.end(), window) == windows.end()) {
            return false;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<const QKeyEvent*>(event);
            const bool quit =
                key->key() == Qt::Key_Q && (key->modifiers() & Qt::ControlModifier) != 0;
            const bool escape = key->key() == Qt::Key_Escape;
            if ((quit || escape) && !key->isAutoRepeat()) {
                // After this event: the question has an event loop of its own.
                QMetaObject::invokeMethod(
                    this, [this, quit] { stopAsked(quit); }, Qt::QueuedConnection);
            }
        }
        return true;
    }

private:
    std::vector<const QWidget*> windows;
    std::function<void(bool)> stopAsked;

    static bool IsInput(QEvent::Type type) {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

void TFUser::OnUnit(const std::function<void()>& command) {
    unitReasonSaid = false;
    commandStop = std::make_unique<CommandStop>();
    inputGuard = std::make_unique<InputGuard>(
        std::vector<const QWidget*>{this, Form1, Form2, Guide, JournalWindow},
        [this](bool thenClose) { AskToStopRun(thenClose); });
    command(); // each command opens the unit first
    inputGuard.reset();
    commandStop.reset();
    if (JournalWindow->isVisible()) {
        JournalWindow->Find(); // the runs just recorded show at once
    }
    if (closeAfterCommand) {
        // Stopped at the operator's close: the window goes once the command is over.
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    if (unitReasonSaid || !whyNotOpened || link->ErrorCode() != errNoDevice) {
        return;
    }
    if (const std::optional<std::string> why = whyNotOpened()) {
        dialogs->Message(QString::fromStdString(*why), kApplicationTitle, BoxIcon::Warning,
                         BoxButtons::Ok);
    }
}

void TFUser::RunWrite(const WriteCommand& command, QPushButton* button) {
    OnUnit([&] {
        Host host(*this, button);
        std::string firmware;
        CommandContext context = Context(firmware);
        const RadioConfig config = GetRadioConfig();
        JournalRecord record = Record();
        record.version = VersionText(config.version);
        CommandJournal scope(journal, record);
        RunWriteCommandJournaled(command, config, context, host.Parts(), scope);
        firmwareFile = QString::fromStdString(firmware);
    });
}

void TFUser::ButProgClick() {
    RunWrite(kProgramCommand, ButProg);
}

void TFUser::ButPrFrecClick() {
    RunWrite(kWriteFrequenciesCommand, ButPrFrec);
}

void TFUser::ButReadClick() {
    OnUnit([this] {
        Host host(*this, ButRead);
        std::string firmware;
        CommandContext context = Context(firmware);
        CommandJournal scope(journal, Record());
        const RadioConfig panels = GetRadioConfig();
        if (ReadRadioJournaled(context, host.Parts(), scope, panels).decode) {
            ApplyReadBack(DecodeReadBack(*image, panels));
        }
    });
}

void TFUser::ApplyReadBack(const ReadBackPanels& panels) {
    const auto step = tableHistory->Record("Чтение радиостанции");
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
        zekt::PlainMessage(*dialogs, msg::kConstructionMismatch);
        ComboBoxVer->SetItemIndex(kNoVersion);
    }
    // Shown as the radio holds them, never emptied: marked and said.
    if (const std::vector<ChannelFrequency> untunable = MarkUntunableChannels();
        !untunable.empty()) {
        dialogs->Message(QString::fromStdString(UntunableText(msg::kUntunableRead, untunable)),
                         msg::kFieldCaption, BoxIcon::Warning, BoxButtons::Ok);
    }
    dialogs->Message(QString::fromStdString(panels.summary), msg::kSummaryCaption, BoxIcon::None,
                     BoxButtons::Ok);
}

} // namespace zekt
