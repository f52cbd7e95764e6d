#include "Commands.h"

#include "AppMessages.h"
#include "CommandMessages.h"
#include "ConfigMessages.h"
#include "EngineMessages.h"
#include "FrequencyCodec.h"
#include "Notices.h"
#include "ReferenceImages.h"
#include "RunStop.h"
#include "ScriptedDialogs.h"
#include "Seeds.h"
#include "SimulatedDriver.h"
#include "TFUser.h"
#include "TForm2.h"
#include "TGuide.h"
#include "TJournal.h"
#include "TempFiles.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>

using namespace zekt;

namespace {

QString ProgNext() {
    return QString::fromStdString(NextRadioQuestion(kProgramCommand));
}

QString FreqNext() {
    return QString::fromStdString(NextRadioQuestion(kWriteFrequenciesCommand));
}

const QString kDemoDir = QStringLiteral(ZEKT_DEMO_DIR);

QByteArray Contents(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reference A without read protection, so that the radio can be read back.
RadioConfig OpenConfigA() {
    RadioConfig c = reference::ConfigA();
    c.readProtect = false;
    return c;
}

// The main window on the simulated unit, started in the demo folder.
// The command column's buttons that talk to the unit, as test rows name them.
enum class Command { Test, Program, WriteFrequencies, Read };

struct Bench {
    SimulatedDriver driver;
    ScriptedDialogs dialogs;
    std::unique_ptr<TFUser> w = NewWindow();

    std::unique_ptr<TFUser> NewWindow() {
        auto window = std::make_unique<TFUser>(std::make_unique<USB_Prog>(driver), &dialogs);
        window->startDir = kDemoDir;
        window->show();
        return window;
    }
    void Configure(const RadioConfig& config, const ProgDate& date = reference::kDateA) {
        w->ButSetConfClick();
        w->SetRadioConfig(config);
        w->progDate = date;
    }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& box : dialogs.boxes) {
            texts << box.text;
        }
        return texts;
    }
    int EchoFrames() const {
        int n = 0;
        for (const Payload& p : driver.ReceivedFrames()) {
            n += p[kGroupByte] == grpEcho ? 1 : 0;
        }
        return n;
    }
    bool Usable() const { return w->PanButton->isEnabled() && !w->Form2->isVisible(); }
    void Press(Command command) {
        switch (command) {
        case Command::Test:
            return w->ButTestClick();
        case Command::Program:
            return w->ButProgClick();
        case Command::WriteFrequencies:
            return w->ButPrFrecClick();
        case Command::Read:
            return w->ButReadClick();
        }
    }
    // Runs command; once its runs have sent `frames` more frames, act once
    // (whatever the machine's pace). True when it acted.
    bool ActAfterFrames(int frames, const std::function<void()>& command,
                        const std::function<void()>& act) {
        const int before = driver.FramesSeen();
        bool acted = false;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            if (!acted && driver.FramesSeen() - before >= frames) {
                acted = true;
                act();
            }
        });
        ticks.start(5);
        command();
        return acted;
    }
};

// A bench's journal of years: kLargeJournalRuns runs, every kMarkedEvery-th
// of them on radio R-7.
constexpr int kLargeJournalRuns = 50000;
constexpr int kMarkedEvery = 50000;
// Long enough for a sanitizer's build on a busy machine.
constexpr int kLargeLookupMs = 120000;

std::string WriteLargeJournal(TempFiles& files) {
    JournalRecord r{.program = "zekt-programmer",
                    .command = "program",
                    .result = kJournalOk,
                    .message = "Программирование завершено!",
                    .configFile = "/home/operator/WORK/radio.prg",
                    .configFileHash = std::string(64, 'a'),
                    .imageHash = std::string(64, 'b'),
                    .firmwareFile = "/home/operator/WORK/St611.hex",
                    .firmwareHash = std::string(64, 'c'),
                    .version = "6.1.1",
                    .seconds = 12.5,
                    .unit = "SIM1",
                    .latency = kJournalDefaultLatency,
                    .radio = {}};
    std::string text = JournalHeader();
    for (int i = 1; i <= kLargeJournalRuns; ++i) {
        r.radio = i % kMarkedEvery == 0 ? "R-7" : "N-" + std::to_string(i);
        text += FormatJournalLine(r, "2026-01-01T10:00:00+03:00");
    }
    return files.Write("data/zekt-programmer/journal.csv", text);
}

QString BoxTexts(const ScriptedDialogs& dialogs) {
    QStringList texts;
    for (const auto& box : dialogs.boxes) {
        texts << box.text;
    }
    return texts.join(" / ");
}

// The journal window on its own, over a local journal, every day asked.
struct JournalView {
    ScriptedDialogs dialogs;
    std::unique_ptr<TJournal> view = std::make_unique<TJournal>(dialogs);

    explicit JournalView(const std::string& path) {
        view->Use({path, {}});
        view->EditSince->clear();
        view->show();
    }
};

Project StandardFirmware(const char* name) {
    Project firmware;
    [&] { QVERIFY(firmware.LoadHex((kDemoDir + "/WORK/" + name).toStdString())); }();
    return firmware;
}

void CompareChipWithReference(const Pic16F877& chip, const char* dataDump, const char* pageDump) {
    const std::vector<int32_t> data = reference::ParseDump(dataDump);
    const std::vector<int32_t> page = reference::ParseDump(pageDump);
    for (int a = 0; a < 256; ++a) {
        QCOMPARE(int(chip.data[a]), data[a]);
        QCOMPARE(int(chip.code[kFrequencyPageWord + a]), page[a]);
    }
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

    // What the walk knows of the simulated radio.
    enum class Known { No, Yes, Unknown };
    static Known KnownAs(bool yes) { return yes ? Known::Yes : Known::No; }

    // One walk of randomWalkThroughAShift; what broke, or nothing.
    static std::string Walk(uint32_t seed, qint64& longestStall) {
        TempFiles files;
        Bench b;
        const std::string journalPath = files.Path("journal.csv");
        b.w->UseJournal(journalPath);
        b.Configure(OpenConfigA());
        // The operator's answers: yes to a stop question and to what a command
        // asks before its run (unless the step declines it), no to the next
        // radio, so that a series never runs on.
        bool decline = false;
        b.dialogs.onBox = [&b, &decline](const ScriptedDialogs::Box& box) {
            if (box.buttons != BoxButtons::OkCancel) {
                return;
            }
            const bool next = box.text.contains(msg::kProgNextQuestion) ||
                              box.text.contains(msg::kFreqNextQuestion);
            const bool yes =
                box.text == msg::kStopRunOnlyQuestion || (!next && !std::exchange(decline, false));
            b.dialogs.answers.push_front(yes ? BoxResult::Ok : BoxResult::Cancel);
        };
        std::mt19937 random(seed);
        const auto pick = [&random](int n) {
            return std::uniform_int_distribution<int>(0, n - 1)(random);
        };
        // Half the walks ask each radio's number, typed as a scanner would.
        b.w->askRadioNumber = pick(2) == 0;
        for (int n = 1; n <= 100; ++n) {
            b.dialogs.lines << QString("R-%1").arg(n);
        }
        const auto lines = [&files] {
            QStringList all =
                QString::fromStdString(files.Read("journal.csv")).split("\r\n", Qt::SkipEmptyParts);
            if (!all.isEmpty()) {
                all.removeFirst(); // the header
            }
            return all;
        };
        QElapsedTimer sinceTick;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout,
                         [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
        sinceTick.start();
        ticks.start(10);
        // Whether the simulated radio holds a whole programming: a read
        // then succeeds; unknown after a stopped write.
        Known programmed = Known::No;
        // Whether the radio was programmed with read protection: its program
        // memory then takes no frequencies and reads back as zeros.
        Known protectedRadio = Known::No;
        const char* const frequencies[] = {"145", "146,5", "150,0125", "160", "172,5"};
        QStringList trail; // the steps so far, for a failure's message
        for (int step = 0; step < 20; ++step) {
            const int action = pick(10);
            const QStringList before = lines();
            const int framesBefore = b.driver.FramesSeen();
            b.dialogs.boxes.clear();
            // What the step must leave in the journal: the results of its lines.
            std::optional<QStringList> expected = QStringList{};
            std::string what;
            bool radioCommand = true;
            switch (action) {
            case 0: { // programming, one radio
                what = "Программирование";
                b.w->ButProgClick();
                expected = QStringList{"ok"};
                programmed = Known::Yes;
                protectedRadio = KnownAs(b.w->CheckBoxProtect->isChecked());
                break;
            }
            case 1: { // frequencies only
                what = "Запись частот";
                const bool panelProtects = b.w->CheckBoxProtect->isChecked();
                b.w->ButPrFrecClick();
                // Known only between unprotected radio and panels.
                expected = protectedRadio == Known::No && !panelProtects
                               ? std::optional(QStringList{"ok"})
                               : std::nullopt;
                if (!expected) {
                    protectedRadio = Known::Unknown;
                }
                // A blank radio that took frequencies reads back as a radio.
                if (expected) {
                    programmed = Known::Yes;
                } else if (programmed == Known::No) {
                    programmed = Known::Unknown;
                }
                break;
            }
            case 2: { // a read
                what = "Чтение";
                b.w->ButReadClick();
                if (programmed != Known::Unknown && protectedRadio != Known::Unknown) {
                    const bool good = programmed == Known::Yes && protectedRadio == Known::No;
                    expected = QStringList{good ? "ok" : "failed"};
                } else {
                    expected = std::nullopt;
                }
                // What a protected or half-written radio read back is no
                // configuration to program: the operator sets the panels again.
                if (expected != QStringList{"ok"}) {
                    b.Configure(OpenConfigA());
                }
                break;
            }
            case 3: { // a question declined
                what = "declined";
                decline = true;
                pick(2) == 0 ? b.w->ButProgClick() : b.w->ButReadClick();
                expected = QStringList{"cancelled"};
                break;
            }
            case 4: { // a programming stopped by Esc at some frame, in some window
                what = "stopped";
                b.driver.SetFrameDelay(std::chrono::milliseconds(1));
                const bool journalOpen = pick(2) == 0;
                if (journalOpen) {
                    b.w->ShowJournal();
                }
                const int where = pick(journalOpen ? 3 : 2);
                const bool acted = b.ActAfterFrames(
                    5 + pick(400), [&b] { b.w->ButProgClick(); },
                    [&b, where] {
                        QWidget* const windows[] = {b.w->Form2, b.w.get(), b.w->JournalWindow};
                        QTest::keyClick(windows[where], Qt::Key_Escape);
                    });
                b.driver.SetFrameDelay(std::chrono::milliseconds(0));
                b.w->JournalWindow->hide();
                if (acted) {
                    expected = QStringList{"cancelled"};
                    programmed = Known::Unknown;
                    protectedRadio = Known::Unknown;
                } else {
                    expected = std::nullopt; // ended before the frame: counted below
                    programmed = Known::Yes;
                    protectedRadio = KnownAs(b.w->CheckBoxProtect->isChecked());
                }
                break;
            }
            case 5: { // the programmer's test
                what = "Тест";
                b.w->ButTestClick();
                break;
            }
            case 6: { // a file loaded
                what = "file";
                radioCommand = false;
                b.dialogs.files = {QString(ZEKT_TEST_DATA_DIR "/prg/reference-a.prg")};
                b.w->ButRdFileClick();
                break;
            }
            case 7: { // a channel typed in
                what = "edit";
                radioCommand = false;
                QLineEdit* field = b.w->channelEdits[static_cast<std::size_t>(pick(4))];
                field->setFocus();
                field->selectAll();
                const QString typed = frequencies[pick(5)];
                QTest::keyClicks(field, typed);
                b.w->channelEdits[field == b.w->channelEdits[0] ? 1 : 0]->setFocus();
                break;
            }
            case 8: { // Ctrl+Z
                what = "undo";
                radioCommand = false;
                QWidget* focus = b.w->focusWidget() ? b.w->focusWidget() : b.w.get();
                QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
                break;
            }
            default: { // the journal view and the guide, opened and closed
                what = "windows";
                radioCommand = false;
                b.w->ShowJournal();
                b.w->ButHelpClick();
                b.w->Guide->hide();
                b.w->JournalWindow->close();
                break;
            }
            }
            const QStringList after = lines();
            trail << QString("%1%2")
                         .arg(what.c_str())
                         .arg(b.w->CheckBoxProtect->isChecked() ? "+p" : "");
            const QString where =
                QString("step %1 (%2) after %3").arg(step).arg(what.c_str()).arg(trail.join(' '));
            const auto broke = [&where](const QString& why) {
                return (where + ": " + why).toStdString();
            };
            if (after.mid(0, before.size()) != before) {
                return broke("a journal line changed");
            }
            QStringList results;
            for (const QString& line : after.mid(before.size())) {
                results << line.section(';', 3, 3);
            }
            if (expected && results != *expected) {
                return broke("results " + results.join(',') + ", not " + expected->join(',') +
                             "; boxes: " + b.Texts().join(" | "));
            }
            if (!expected && (results.isEmpty() || results.size() > (action == 4 ? 2 : 1))) {
                return broke("results " + results.join(','));
            }
            if (!radioCommand && b.driver.FramesSeen() != framesBefore) {
                return broke("frames sent without a radio command");
            }
            if (radioCommand && action != 3 && b.driver.FramesSeen() == framesBefore) {
                return broke("the command sent nothing");
            }
            if (!b.Usable()) {
                return broke("the window is not usable");
            }
            // The keys never go to the hidden progress window after a run
            // (without a window manager, a window the test hid may stay the
            // active one: only the progress window is the program's to hand on).
            if (QApplication::activeWindow() == b.w->Form2 && !b.w->Form2->isVisible()) {
                return broke("the hidden progress window is the active one");
            }
            // A command after a stop: its own runs go to their end.
            if (action == 4 && expected) {
                b.w->ButProgClick();
                programmed = Known::Yes;
                protectedRadio = KnownAs(b.w->CheckBoxProtect->isChecked());
                if (lines().mid(after.size()) != QStringList{lines().last()} ||
                    lines().last().section(';', 3, 3) != "ok") {
                    return broke("the programming after the stop did not complete");
                }
            }
        }
        return {};
    }

    TempFiles largeFiles;
    std::string largeJournal;

    // Written once, for the tests that ask it.
    const std::string& LargeJournal() {
        if (largeJournal.empty()) {
            largeJournal = WriteLargeJournal(largeFiles);
        }
        return largeJournal;
    }

private slots:
    void programmingARadioAndTheNextOne() {
        Bench b;
        b.Configure(reference::ConfigA());
        Pic16F877 firstRadio;
        int questions = 0;
        b.dialogs.onBox = [&](const ScriptedDialogs::Box& box) {
            if (box.title == msg::kProgTitle && ++questions == 1) {
                firstRadio = b.driver.Chip();
                b.driver.Chip() = Pic16F877(); // the next radio on the programmer
            }
        };
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();

        QCOMPARE(b.Texts(),
                 (QStringList{"Для программирования радиостанции установлена версия 6.1.1\n\nЕсли "
                              "верно, то подключите к программатору радиостанцию,\nподайте на неё "
                              "питание и нажмите OK.",
                              msg::kProtectionQuestion, ProgNext(), ProgNext()}));
        QCOMPARE(b.dialogs.boxes[0].title, QString("ВНИМАНИЕ !"));
        QCOMPARE(b.dialogs.boxes[0].icon, BoxIcon::Information);
        QCOMPARE(b.dialogs.boxes[2].icon, BoxIcon::None);
        QCOMPARE(b.dialogs.boxes[2].buttons, BoxButtons::OkCancel);

        const Project firmware = StandardFirmware("St611.hex");
        for (const Pic16F877* chip : {&firstRadio, &b.driver.Chip()}) {
            for (int w = 0; w < kFrequencyPageWord; ++w) {
                QCOMPARE(int(chip->code[w]), firmware.ProgramMemory()[w]);
            }
            CompareChipWithReference(*chip, reference::kDataA, reference::kPageA);
            for (int k = 0; k < 4; ++k) {
                QCOMPARE(int(chip->idWords[k]), reference::kIdA[k]);
            }
            QCOMPARE(int(chip->configWord), reference::kConfigWordA);
        }
        QCOMPARE(b.EchoFrames(), 1); // one programmer test for both radios
        QVERIFY(b.w->PanClient->isVisible());
        QCOMPARE(b.w->focusWidget(), b.w->ButProg);
        QVERIFY(b.Usable());
        QCOMPARE(b.w->firmwareFile, QString("WORK/St611.hex"));
    }

    void writingFrequenciesKeepsTheFirmware() {
        Bench b;
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        const Pic16F877 programmed = b.driver.Chip();

        RadioConfig changed = OpenConfigA();
        changed.channels[1] = {"147", "147", 7, false};
        changed.channels[3] = {"148,5", "148,5", -1, true};
        b.w->SetRadioConfig(changed);
        b.dialogs.boxes.clear();
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        b.w->ButPrFrecClick();
        QCOMPARE(b.Texts(), (QStringList{msg::kConnectRadio, FreqNext()}));
        QCOMPARE(b.dialogs.boxes[0].title, QString("Запись частот"));
        const Pic16F877& chip = b.driver.Chip();
        for (int w = 0; w < kFrequencyPageWord; ++w) {
            QCOMPARE(chip.code[w], programmed.code[w]);
        }
        QCOMPARE(int(chip.code[0x1F06]), 0xB7); // channel 2 TX 147 MHz = 0xB7C0
        QCOMPARE(int(chip.code[0x1F07]), 0xC0);
        QCOMPARE(int(chip.data[0x0E]), 0xB9); // channel 4 TX 148,5 MHz = 0xB9A0
        QCOMPARE(int(chip.data[0x52]), 7);
        QCOMPARE(int(chip.data[0x43]), 0x01);
        QCOMPARE(int(chip.code[0x1F43]), 0x01);
        QCOMPARE(b.w->focusWidget(), b.w->ButPrFrec);
    }

    // Channels outside the chosen band: the operator decides; declined, the
    // radio is untouched and the first such field takes the focus.
    void channelsOutsideTheBandAreAsked() {
        Bench b;
        RadioConfig c = OpenConfigA();
        c.mainBand = 2; // 40 - 48,5 МГц, the channels at 145-150
        b.Configure(c);
        b.dialogs.answers = {BoxResult::Cancel};
        b.w->ButProgClick();
        QCOMPARE(b.dialogs.boxes.size(), 1);
        QCOMPARE(b.dialogs.boxes[0].title, QString(msg::kOutsideBandCaption));
        QVERIFY(b.dialogs.boxes[0].text.contains("40 - 48,5 МГц:\n  Канал 1, передача: 145,0125"));
        const Pic16F877 blank;
        QVERIFY(b.driver.Chip().code == blank.code && b.driver.Chip().data == blank.data);
        QCOMPARE(b.w->focusWidget(), b.w->channelEdits[0]);

        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        QCOMPARE(b.Texts().last(), ProgNext());
        QVERIFY(b.Usable());
    }

    // While the next radio's number is asked, the progress window shows
    // nothing of the last run: no step's caption, an empty bar.
    void theProgressWindowStartsBlank() {
        Bench b;
        b.w->askRadioNumber = true;
        b.dialogs.lines = {"R-1", "R-2", "R-3"};
        b.Configure(OpenConfigA());
        QStringList captions;
        QList<int> bars;
        b.dialogs.onLine = [&](const QString&) {
            if (b.w->Form2->isVisible()) {
                captions << b.w->Form2->windowTitle();
                bars << b.w->Form2->ProgressBar->value();
            }
        };
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick(); // three radios
        QCOMPARE(b.dialogs.asked.size(), 3);
        QCOMPARE(captions, (QStringList{"", "", ""}));
        QCOMPARE(bars, (QList<int>{0, 0, 0}));
    }

    // The window's programming (one line per radio, with the number each
    // radio was given; a bad one asked again) and read-back go into the
    // journal; the read is kept beside it.
    void windowRunsAreJournaled() {
        TempFiles files;
        Bench b;
        b.w->UseJournal(files.Path("journal.csv"));
        b.w->askRadioNumber = true;
        b.dialogs.lines = {"R-1", "бад*", " R-2\r\n", ""};
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        b.dialogs.answers = {BoxResult::Ok};
        b.w->ButReadClick();
        QCOMPARE(b.dialogs.asked.size(), 4);
        QCOMPARE(b.Texts().filter("Неверный номер радиостанции").size(), 1);
        QFile file(QString::fromStdString(files.Path("journal.csv")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.filter(";zekt-programmer;program;ok;Программирование завершено!;").size(),
                 2);
        const QStringList read = lines[3].split(';');
        QCOMPARE(read.mid(1, 3), (QStringList{"zekt-programmer", "read", "ok"}));
        QCOMPARE(read[7], lines[1].split(';')[7]); // the same configuration hash
        QVERIFY(QFile::exists(read[5]));
        QCOMPARE((QStringList{lines[1].split(';')[kRadioColumn], lines[2].split(';')[kRadioColumn],
                              read[kRadioColumn]}),
                 (QStringList{"R-1", "R-2", ""}));
        QVERIFY(b.dialogs.boxes.size() > 0 && b.dialogs.boxes.back().icon != BoxIcon::Warning);

        // The journal window shows the runs; a filter narrows them; the
        // read's copy saved from there is the file kept beside the journal.
        b.w->ShowJournal();
        TJournal& view = *b.w->JournalWindow;
        QVERIFY(view.isVisible());
        QTRY_VERIFY(view.ButFind->isEnabled()); // the lookup's answer came
        QCOMPARE(view.Runs->rowCount(), 3);
        QCOMPARE(view.Runs->item(2, 1)->text(), QString("Чтение"));
        // The time as the operator reads it, the journal's own in the tip.
        const QDateTime recorded = QDateTime::fromString(read[0], Qt::ISODate);
        QCOMPARE(view.Runs->item(2, 0)->text(), recorded.toString("dd.MM.yyyy HH:mm:ss"));
        QCOMPARE(view.Runs->item(2, 0)->toolTip(), read[0]);
        view.EditRadio->setText("R-2");
        view.Find();
        QTRY_VERIFY(view.ButFind->isEnabled());
        QCOMPARE(view.Runs->rowCount(), 1);
        view.EditRadio->clear();
        view.ComboResult->setCurrentIndex(view.ComboResult->findData(kJournalFailed));
        view.Find();
        QTRY_VERIFY(view.ButFind->isEnabled());
        QCOMPARE(view.Runs->rowCount(), 0);
        view.ComboResult->setCurrentIndex(0);
        view.EditSince->setText("2026-02-30");
        b.dialogs.boxes.clear();
        view.Find();
        QCOMPARE(b.dialogs.boxes.size(), std::size_t(1));
        QCOMPARE(view.Runs->rowCount(), 0); // the last lookup's runs, not a wrong one
        view.EditSince->clear();
        view.Find();
        QTRY_VERIFY(view.ButFind->isEnabled());
        view.Runs->selectRow(2);
        b.dialogs.files = {QString::fromStdString(files.Path("copy.prg"))};
        view.SaveCopy();
        QFile copy(QString::fromStdString(files.Path("copy.prg")));
        QFile kept(read[5]);
        QVERIFY(copy.open(QIODevice::ReadOnly) && kept.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), kept.readAll());

        // The report of the same runs, made on a thread of its own.
        QString opened;
        view.openReport = [&opened](const QString& path) { opened = path; };
        b.dialogs.files = {QString::fromStdString(files.Path("отчёт.html"))};
        view.SaveReport();
        QTRY_VERIFY(!opened.isEmpty());
        QFile report(opened);
        QVERIFY(report.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(report.readAll()).contains("Работ: <b>3</b>"));
    }

    // Every save dialog of the window, answered with a file the program keeps
    // or reads (by name, by a link, by a hard link): refused in an error
    // box, nothing written.
    void saveDialogsNeverNameWhatIsKept() {
        TempFiles files;
        // The settings file of the test's own (Linux's place, and Windows').
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        const QByteArray appData = qgetenv("APPDATA");
        qputenv("XDG_CONFIG_HOME", files.Path("config").c_str());
        qputenv("APPDATA", files.Path("config").c_str());
        files.Write("config/zekt-programmer/settings.conf", "usb-latency = 2\n");
        Bench b;
        // A start folder of its own: a fault here must not reach the demo's firmware.
        for (const QString& name : QDir(kDemoDir + "/WORK").entryList(QDir::Files)) {
            files.Write("start/WORK/" + name.toStdString(),
                        Contents((kDemoDir + "/WORK/" + name).toStdString()).toStdString());
        }
        b.w->startDir = QString::fromStdString(files.Path("start"));
        b.w->UseJournal(files.Path("data/journal.csv"));
        files.Write("data/journal-outbox.lock", "");
        files.Write("radio.hex", "");
        b.w->keptRadios = {files.Path("radio.hex")};
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        b.dialogs.answers = {BoxResult::Ok};
        b.w->ButReadClick();
        const QStringList copies =
            QDir(QString::fromStdString(files.Path("data/radios"))).entryList(QDir::Files);
        QCOMPARE(copies.size(), 1);
        b.w->ShowJournal();
        TJournal& view = *b.w->JournalWindow;
        QTRY_VERIFY(view.ButFind->isEnabled());
        const std::map<SaveDialog, std::function<void()>> ask = {
            {SaveDialog::ConfigFile, [&] { b.w->ButWrFileClick(); }},
            {SaveDialog::RadioCopy,
             [&] {
                 const QList<QTableWidgetItem*> reads =
                     view.Runs->findItems("Чтение", Qt::MatchExactly);
                 QVERIFY(!reads.isEmpty());
                 view.Runs->selectRow(reads.front()->row());
                 view.SaveCopy();
             }},
            {SaveDialog::Report, [&] { view.SaveReport(); }},
        };
        const std::string kept[] = {"data/journal.csv",
                                    "data/journal-outbox.lock",
                                    "config/zekt-programmer/settings.conf",
                                    "radio.hex",
                                    "data/radios/" + copies.front().toStdString(),
                                    "data/radios/new.prg",
                                    "start/WORK/St611.hex"};
        int k = 0;
        for (const SaveDialog which : kSaveDialogs) {
            QVERIFY2(ask.count(which) > 0, "a save dialog the test does not ask");
            for (const std::string& target : kept) {
                const std::string path = files.Path(target);
                const std::string soft = files.Path("soft-" + std::to_string(++k));
                const std::string hard = files.Path("hard-" + std::to_string(k));
                // Each spelling the system lets the test make (Windows may
                // refuse a link; no hard link to a name not there).
                std::error_code noSoft;
                std::error_code noHard;
                std::filesystem::create_symlink(path, soft, noSoft);
                std::filesystem::create_hard_link(path, hard, noHard);
                for (const std::string& named : {path, soft, hard}) {
                    if ((named == soft && noSoft) || (named == hard && noHard)) {
                        continue;
                    }
                    const QByteArray before = Contents(path);
                    b.dialogs.boxes.clear();
                    b.dialogs.saveDialogs.clear();
                    b.dialogs.files = {QString::fromStdString(named)};
                    ask.at(which)();
                    const QString what = QString::fromStdString(named + " -> " + target);
                    QVERIFY2(b.dialogs.saveDialogs == std::vector<SaveDialog>{which},
                             qPrintable(what + " " + b.Texts().join(" / ")));
                    QVERIFY2(b.dialogs.boxes.size() == 1 &&
                                 b.dialogs.boxes[0].icon == BoxIcon::Error &&
                                 (b.dialogs.boxes[0].text.contains("один файл") ||
                                  b.dialogs.boxes[0].text.contains("другую папку")),
                             qPrintable(what));
                    QVERIFY2(Contents(path) == before, qPrintable(what));
                    QVERIFY2(QFileInfo(QString::fromStdString(named)).isSymLink() ==
                                 (named == soft),
                             qPrintable(what));
                }
            }
        }
        QVERIFY(!QFile::exists(QString::fromStdString(files.Path("data/radios/new.prg"))));
        for (const auto& [name, value] :
             {std::pair{"XDG_CONFIG_HOME", configHome}, std::pair{"APPDATA", appData}}) {
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        }
    }

    // A record the journal cannot take is said at once, kept in memory and
    // written with the next one once the journal can; one still unkept at
    // closing is said in a box that lists it.
    void unkeptRecordsAreSaid() {
        TempFiles files;
        files.Write("blocked", ""); // a file where the journal's folder should be
        Bench b;
        b.w->UseJournal(files.Path("blocked/journal.csv"));
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        QCOMPARE(b.Texts().filter("ждёт в памяти программы").size(), 1);
        b.dialogs.boxes.clear();
        b.w->close();
        QCOMPARE(b.dialogs.boxes.size(), std::size_t(1));
        QCOMPARE(b.dialogs.boxes[0].icon, BoxIcon::Warning);
        QVERIFY2(b.dialogs.boxes[0].text.contains("будут потеряны:\n  20") &&
                     b.dialogs.boxes[0].text.contains(" program ok"),
                 qPrintable(b.dialogs.boxes[0].text));
    }

    // An open journal view shows each run as soon as it is recorded.
    void theJournalViewFollowsTheRuns() {
        TempFiles files;
        Bench b;
        b.w->UseJournal(files.Path("journal.csv"));
        b.w->ShowJournal();
        TJournal& view = *b.w->JournalWindow;
        QTRY_VERIFY(view.ButFind->isEnabled());
        QCOMPARE(view.Runs->rowCount(), 0);
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel}; // one radio
        b.w->ButProgClick();
        QTRY_COMPARE(view.Runs->rowCount(), 1);
        QCOMPARE(view.Runs->item(0, 1)->text(), QString("Программирование"));
        b.dialogs.answers = {BoxResult::Ok};
        b.w->ButReadClick();
        QTRY_COMPARE(view.Runs->rowCount(), 2);
    }

    // A lookup in a large journal leaves the window's events running: a timer
    // keeps ticking until the answer comes.
    void aLargeJournalNeverHoldsTheWindow() {
        JournalView j(LargeJournal());
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
            ++ticks;
        });
        timer.start(5);
        clock.start();
        j.view->Find();
        const qint64 returned = clock.elapsed();
        QCOMPARE(j.view->LabelFound->text(), QString("Поиск в журнале этого рабочего места..."));
        QVERIFY(!j.view->ButFind->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(j.view->ButFind->isEnabled(), kLargeLookupMs);
        qInfo("%d runs: Find() returned in %lld ms, the answer came in %lld ms; the timer ticked "
              "%d times, its longest stall %lld ms",
              kLargeJournalRuns, returned, clock.elapsed(), ticks,
              std::max(longest, clock.elapsed() - last));
        QCOMPARE(j.view->LabelFound->text(),
                 QString("Найдено записей: %1; показаны первые 1000 из %1").arg(kLargeJournalRuns));
        QCOMPARE(j.view->Runs->rowCount(), 1000);
        QVERIFY(ticks > 0);
    }

    // Of two lookups asked in a row only the later is shown; the earlier's
    // answer never is, whenever it comes (a shared journal's refusal either).
    void onlyTheLastLookupIsShown() {
        TempFiles files;
        const QString all =
            QString("Найдено записей: %1; показаны первые 1000 из %1").arg(kLargeJournalRuns);
        const QString marked = QString("Найдено записей: %1").arg(kLargeJournalRuns / kMarkedEvery);
        const struct {
            bool firstShared; // the first asks a shared journal whose server is away
            const char* firstRadio;
            const char* secondRadio;
            int rows;
            QString said;
        } cases[] = {
            {false, "R-7", "", 1000, all},
            {true, "", "R-7", kLargeJournalRuns / kMarkedEvery, marked},
        };
        for (const auto& c : cases) {
            JournalView j(LargeJournal());
            TJournal& view = *j.view;
            std::set<int> shown;
            const auto count = [&] { shown.insert(view.Runs->rowCount()); };
            connect(view.Runs->model(), &QAbstractItemModel::rowsInserted, count);
            connect(view.Runs->model(), &QAbstractItemModel::rowsRemoved, count);
            if (c.firstShared) {
                view.Use({LargeJournal(),
                          "postgresql:///zekt?host=" + files.Path("no-server") + "&port=5"});
            }
            view.EditRadio->setText(c.firstRadio);
            view.Find();
            view.Use({LargeJournal(), {}});
            view.EditRadio->setText(c.secondRadio);
            view.Find();
            QTRY_VERIFY_WITH_TIMEOUT(view.ButFind->isEnabled(), kLargeLookupMs);
            // The earlier lookup ended too, and what it sent, if anything, came.
            QTRY_COMPARE_WITH_TIMEOUT(view.LookupsRunning(), 0, kLargeLookupMs);
            QCoreApplication::processEvents();
            QCOMPARE(view.LabelFound->text(), c.said);
            QCOMPARE(shown, std::set<int>{c.rows});
            QVERIFY2(j.dialogs.boxes.empty(), qPrintable(BoxTexts(j.dialogs)));
        }
    }

    // A window that goes while it looks a large journal up goes at once (its
    // scan told to stop), whether closed first or not, or with the main window.
    void aWindowGoesWhileItLooksUp() {
        enum class Goes { Destroyed, ClosedThenDestroyed, WithTheMainWindow };
        for (const Goes goes :
             {Goes::Destroyed, Goes::ClosedThenDestroyed, Goes::WithTheMainWindow}) {
            std::optional<JournalView> alone;
            std::optional<Bench> bench;
            TJournal* view = nullptr;
            if (goes == Goes::WithTheMainWindow) {
                bench.emplace();
                bench->w->UseJournal(LargeJournal());
                bench->w->ShowJournal();
                view = bench->w->JournalWindow;
            } else {
                alone.emplace(LargeJournal());
                view = alone->view.get();
                view->Find();
            }
            QCOMPARE(view->LookupsRunning(), 1);
            QElapsedTimer clock;
            clock.start();
            switch (goes) {
            case Goes::Destroyed:
                alone->view.reset();
                break;
            case Goes::ClosedThenDestroyed:
                view->close();
                QVERIFY(view->ButFind->isEnabled() && view->LabelFound->text().isEmpty());
                alone->view.reset();
                break;
            case Goes::WithTheMainWindow:
                bench->w->close();
                bench->w.reset();
                break;
            }
            qInfo("the window went in %lld ms (case %d)", clock.elapsed(), static_cast<int>(goes));
            QCoreApplication::processEvents(); // nothing is left to come to it
            const ScriptedDialogs& dialogs = alone ? alone->dialogs : bench->dialogs;
            QVERIFY2(dialogs.boxes.empty(), qPrintable(BoxTexts(dialogs)));
        }
    }

    // A command the operator ends at a question is recorded with who ended
    // it and at what, not with the question's text as if it were an error.
    void aDeclinedQuestionIsRecordedAsTheOperators_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("askNumber");
        QTest::addColumn<QString>("message");
        // Empty: the first line of the question shown.
        QTest::newRow("Программирование, connect declined")
            << int(Command::Program) << false << QString();
        QTest::newRow("Запись частот, connect declined")
            << int(Command::WriteFrequencies) << false << QString();
        QTest::newRow("Чтение, connect declined") << int(Command::Read) << false << QString();
        QTest::newRow("Программирование, no number")
            << int(Command::Program) << true << msg::kRadioNumberDeclined;
    }
    void aDeclinedQuestionIsRecordedAsTheOperators() {
        QFETCH(int, command);
        QFETCH(bool, askNumber);
        QFETCH(QString, message);
        TempFiles files;
        Bench b;
        b.w->UseJournal(files.Path("journal.csv"));
        b.Configure(OpenConfigA());
        b.w->askRadioNumber = askNumber;
        b.dialogs.answers = {askNumber ? BoxResult::Ok : BoxResult::Cancel};
        b.Press(Command(command));
        QFile file(QString::fromStdString(files.Path("journal.csv")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
        if (message.isEmpty()) {
            message = QString(msg::kDeclinedQuestion.c_str()) + b.Texts()[0].section('\n', 0, 0);
        }
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1].split(';').mid(3, 2), (QStringList{"cancelled", message}));
    }

    // Enter in a filter field looks up once: a refused field is said once.
    // A day asked for is the day shown: runs just before and after a
    // bench's midnight, looked up from a computer in any zone.
    void theDayAskedIsTheDayShown() {
        TempFiles files;
        Bench b;
        std::string journal = JournalHeader();
        JournalRecord run;
        run.command = "read";
        run.result = kJournalOk;
        for (const char* time : {"2026-12-09T23:59:59+03:00", "2026-12-10T00:00:00+03:00",
                                 "2026-12-10T23:59:59+03:00", "2026-12-11T00:00:00+03:00"}) {
            journal += FormatJournalLine(run, time);
        }
        b.w->UseJournal(files.Write("journal.csv", journal));
        b.w->ShowJournal();
        TJournal& view = *b.w->JournalWindow;
        view.EditSince->setText("2026-12-10");
        view.EditUntil->setText("2026-12-10");
        view.Find();
        QTRY_VERIFY(view.ButFind->isEnabled());
        QTRY_COMPARE(view.Runs->rowCount(), 2);
        QCOMPARE(view.Runs->item(0, 0)->text(), QString("10.12.2026 00:00:00"));
        QCOMPARE(view.Runs->item(1, 0)->text(), QString("10.12.2026 23:59:59"));
    }

    void aRefusedFilterIsSaidOnce() {
        TempFiles files;
        Bench b;
        JournalRecord run;
        run.command = "read";
        run.result = kJournalOk;
        b.w->UseJournal(files.Write(
            "journal.csv", JournalHeader() + FormatJournalLine(run, "2026-12-09T10:00:00+03:00")));
        b.w->ShowJournal();
        TJournal& view = *b.w->JournalWindow;
        QTRY_COMPARE(view.Runs->rowCount(), 1);
        b.dialogs.boxes.clear();
        view.EditConfig->setText(QString::fromStdString(files.Path("missing.prg")));
        QTest::keyClick(view.EditConfig, Qt::Key_Return);
        QTRY_COMPARE(b.dialogs.boxes.size(), 1);
        QTRY_VERIFY(view.ButFind->isEnabled());
        QApplication::processEvents();
        QCOMPARE(b.dialogs.boxes.size(), 1);
        QCOMPARE(view.Runs->rowCount(), 0); // no runs of an earlier filter under the refusal
    }

    // The shared journal never holds the window: with its server away the
    // radios are programmed, their records wait in the queue, and the window
    // says so once, when the run is over, never in its middle.
    void sharedJournalAwayNeverHoldsTheWindow() {
        TempFiles files;
        Bench b;
        b.w->UseJournal(files.Path("journal.csv"),
                        "postgresql:///zekt?host=" + files.Path("no-server") + "&port=5");
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel}; // two radios
        b.w->ButProgClick();
        QCOMPARE(b.Texts().filter("Программирование завершено!").size(), 2);
        // Unreachable, or on a computer without libpq "общий журнал на этом компьютере недоступен":
        // a notice, once, which neither asks for a click nor takes the focus.
        const QRegularExpression away("  общий журнал .*недоступен");
        QTRY_COMPARE(b.w->notices->Kept().filter(away).size(), 1);
        QVERIFY(b.Texts().filter(QRegularExpression("общий журнал")).isEmpty());
        QVERIFY(b.w->notices->Note()->isVisible());
        QVERIFY(QApplication::activeWindow() != b.w->notices->Note());
        QCOMPARE(b.w->notices->Note()->focusPolicy(), Qt::NoFocus);
        b.w->ShowJournal();
        QVERIFY(b.w->JournalWindow->LabelNotices->text().contains(away));
        QTRY_VERIFY2(
            b.w->JournalWindow->LabelFound->text().contains("ждут отправки в общий журнал: 2"),
            qPrintable(b.w->JournalWindow->LabelFound->text()));
    }

    void readingARadioBackIntoAFreshWindow() {
        Bench b;
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();

        b.w = b.NewWindow();
        b.dialogs.boxes.clear();
        b.w->ButReadClick();
        QCOMPARE(b.dialogs.boxes.size(), std::size_t(2));
        QCOMPARE(b.dialogs.boxes[0].text, QString(msg::kConnectRadio));
        QCOMPARE(b.dialogs.boxes[1].title, QString("Конфигурация прочитана"));
        QCOMPARE(b.dialogs.boxes[1].text,
                 QString("  Прочитанная конфигурация радиостанции:\n\n"
                         "  Тип радиостанции : полный вариант\n"
                         "  Дата последнего программирования : 05.07.2008 г.\n"
                         "  Конструктивный вариант ПО : PIC16F877 и MC145170\n"
                         "  Код программы в реестре : 0001\n"
                         "  Специальные отметки : нет\n"
                         "  Остальная информация расположена на панелях."));
        QCOMPARE(b.w->GetRadioConfig(), OpenConfigA());
        QVERIFY(b.w->PanClient->isVisible());
        QCOMPARE(b.w->focusWidget(), b.w->ButRead);
        // Channels 4 to 16 (indexes 3 to 15) are empty: greyed and locked, their boxes cleared and
        // locked.
        QVERIFY(!b.w->channelEdits[6]->isEnabled());
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[6]), FieldColour::ButtonFace);
        QVERIFY(!b.w->channelEdits[7]->isEnabled());
        QVERIFY(!b.w->channelEdits[31]->isEnabled());
        QVERIFY(b.w->channelEdits[5]->isEnabled());
        QVERIFY(!b.w->scanBoxes[3]->isEnabled());
        QVERIFY(!b.w->ctcssBoxes[15]->isEnabled());
        QVERIFY(b.w->scanBoxes[2]->isEnabled());
        QCOMPARE(b.w->ComboBoxVer->currentText(), QString("6.1.1"));

        // The read is one step of the channel table's history.
        QTest::keyClick(b.w.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(b.w->GetRadioConfig().channels, RadioConfig{}.channels);
        QVERIFY(b.w->channelEdits[6]->isEnabled() && b.w->scanBoxes[3]->isEnabled());
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[6]), FieldColour::Window);
        QTest::keyClick(b.w.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(b.w->GetRadioConfig(), OpenConfigA());
        QVERIFY(!b.w->channelEdits[6]->isEnabled() && !b.w->scanBoxes[3]->isEnabled());
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[6]), FieldColour::ButtonFace);
    }

    void readBackWarnings_data() {
        QTest::addColumn<int>("mark");
        QTest::addColumn<int>("yearWord");
        QTest::addColumn<bool>("blankPage");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("old programmer")
            << 0x00D1 << 0x17D8 << false
            << QStringList{msg::kConnectRadio, msg::kOldProgrammer, "summary"};
        QTest::newRow("old firmware")
            << 0x10D1 << 0x17D8 << true
            << QStringList{msg::kConnectRadio, msg::kOldFirmware, "summary"};
        QTest::newRow("read protection")
            << 0x10D1 << 0x07D8 << false
            << QStringList{msg::kConnectRadio, msg::kReadProtected, "summary"};
        QTest::newRow("construction mismatch")
            << 0x1021 << 0x17D8 << false
            << QStringList{msg::kConnectRadio, msg::kConstructionMismatch, "summary"};
    }
    void readBackWarnings() {
        QFETCH(int, mark);
        QFETCH(int, yearWord);
        QFETCH(bool, blankPage);
        QFETCH(QStringList, texts);
        TempFiles files;
        Bench b;
        b.w->UseJournal(files.Path("journal.csv"));
        Pic16F877& chip = b.driver.Chip();
        chip.idWords = {uint16_t(mark), uint16_t(yearWord), 0x1CA0, 0x2004};
        chip.configWord = 0x3F72;
        if (!blankPage) {
            chip.code[0x1F00] = 0xB5;
            chip.code[0x1F02] = 0xB5;
            chip.code[0x1FF2] = 0xB4;
            chip.code[0x1FFF] = 0x41;
        }
        b.w->ButReadClick();
        QStringList shown = b.Texts();
        QCOMPARE(shown.size(), texts.size());
        QVERIFY(shown.last().startsWith("  Прочитанная конфигурация радиостанции:"));
        shown.last() = "summary";
        QCOMPARE(shown, texts);
        if (QTest::currentDataTag() == QByteArray("construction mismatch")) {
            QCOMPARE(b.w->GetRadioConfig().version, -1);
            QCOMPARE(b.dialogs.boxes[1].title, kApplicationTitle);
        }
        // A protected radio's zeros are shown, but are no read of the radio.
        const bool isProtected = QTest::currentDataTag() == QByteArray("read protection");
        QCOMPARE(b.w->CheckBoxProtect->isChecked(), isProtected);
        QVERIFY(files.Read("journal.csv").find(isProtected ? ";read;failed;" : ";read;ok;") !=
                std::string::npos);
        QCOMPARE(QDir(QString::fromStdString(files.Path("radios"))).exists(), !isProtected);
        QVERIFY(b.Usable());
    }

    void readBackOfABlankRadio() {
        Bench b;
        b.w->channelEdits[0]->setText("145");
        b.w->ButReadClick();
        QCOMPARE(b.Texts(), (QStringList{msg::kConnectRadio, msg::kRadioBlank}));
        QCOMPARE(b.dialogs.Last().title, QString("Ошибка чтения конфигурации"));
        QCOMPARE(b.dialogs.Last().icon, BoxIcon::Error);
        QCOMPARE(b.dialogs.Last().advice, QString(msg::kAdviceRadioBlank));
        QCOMPARE(b.w->channelEdits[0]->text(), QString("145")); // nothing decoded
        QVERIFY(b.w->PanClient->isVisible());
        QVERIFY(b.Usable());
    }

    void userFirmwareGivesTheShortSummary() {
        Bench b;
        b.driver.Chip().idWords = {0x109F, 0x17D8, 0x1CA0, 0x0010};
        b.driver.Chip().code[0x1FF2] = 0x2D;
        b.driver.Chip().code[0x1FFF] = 0x01;
        b.w->ButReadClick();
        QVERIFY(b.dialogs.Last().text.contains("НЕ ОТМЕЧЕН"));
        QVERIFY(b.dialogs.Last().text.contains("НЕСТАНДАРТНОЕ ПО!"));
        QCOMPARE(b.w->RG1ProgOb->ItemIndex(), 1);
    }

    // A read that fails part-way decodes nothing: neither the radio the
    // window programmed before nor what the pass read of this one; the
    // panels keep what they held and the link's fault is all that is said.
    void failedMemoryReadShowsNoEarlierRadio() {
        Bench b;
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        const RadioConfig held = b.w->GetRadioConfig();
        // Another radio: identified, but its memories are blank.
        b.driver.Chip() = Pic16F877();
        b.driver.Chip().idWords = {0x10D1, 0x17D8, 0x1CA0, 0x2004};
        b.driver.Chip().configWord = 0x3F72;
        const int firstDataRead = b.driver.FramesSeen() + 6 + 8 + 16;
        b.driver.Faults().unplugAtFrame = firstDataRead;
        b.dialogs.boxes.clear();
        b.w->ButReadClick();
        QCOMPARE(b.Texts(), (QStringList{msg::kConnectRadio,
                                         "Ошибка записи в порт USB: Ошибка ввода/вывода"}));
        QCOMPARE(b.w->GetRadioConfig(), held);
        QVERIFY(b.Usable());
    }

    void testFailuresOfTheThreeCommands() {
        Bench b;
        b.driver.Unplug();
        b.w->ButProgClick();
        b.w->ButSetConfClick();
        b.w->ButPrFrecClick();
        b.w->ButReadClick();
        QCOMPARE(b.Texts(),
                 (QStringList{msg::kProgTestFailed, msg::kFreqTestFailed, msg::kReadTestFailed}));
        for (const auto& box : b.dialogs.boxes) {
            QCOMPARE(box.title, QString("Ошибка тестирования"));
            QCOMPARE(box.icon, BoxIcon::Error);
        }
        QVERIFY(b.w->PanClient->isVisible()); // left as it was
        QCOMPARE(b.w->Image().StartWord(), kFrequencyPageWord);
    }

    // A latency timer the chip refuses is said in a box once the first
    // command is over (not during a run, not again); the work goes on.
    void refusedLatencyTimerIsSaidOnceAfterTheCommand() {
        Bench b;
        b.driver.Faults().failLatencyTimer = true;
        b.w->Link().SetLatencyTimer(2);
        b.w->ButTestClick();
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        const QStringList texts = b.Texts();
        QCOMPARE(texts.size(), 4);
        QVERIFY(texts[0].startsWith("Таймер задержки USB (2 мс) не установлен"));
        QCOMPARE(b.dialogs.boxes[0].icon, BoxIcon::Warning);
        QCOMPARE(texts[1], QString(msg::kTestPassed));
        QCOMPARE(texts[3], ProgNext());
    }

    // A unit another program holds fails to open like a missing one: the
    // test's box keeps its text and names the holder below it, where the
    // advice for a unit that does not answer would be.
    void heldUnitIsNamedInTheTestBox() {
        Bench b;
        std::optional<std::string> held = "held";
        b.w->whyNotOpened = [&held] { return held; };
        b.driver.Faults().busy = true;
        b.w->ButTestClick();
        b.w->ButReadClick();
        held.reset(); // unplugged, say: nobody holds it
        b.w->ButTestClick();
        b.driver.Faults().busy = false;
        b.w->ButTestClick();
        QCOMPARE(b.Texts(), (QStringList{msg::kTestFailed, msg::kReadTestFailed, msg::kTestFailed,
                                         msg::kTestPassed}));
        const QString advice[] = {"held", "held", msg::kAdviceTestFailed, ""};
        for (std::size_t k = 0; k < std::size(advice); ++k) {
            QCOMPARE(b.dialogs.boxes[k].advice, advice[k]);
        }
    }

    void refusalsBeforeThePrompt() {
        Bench b;
        b.w->ButPrFrecClick();
        QCOMPARE(b.Texts(), QStringList{msg::kConfigNotSet});
        QCOMPARE(b.dialogs.Last().title, QString("Панель конфигурации не использовалась"));
        QVERIFY(!b.w->PanClient->isVisible());

        b.w->ComboBoxVer->SetItemIndex(-1);
        b.w->ButProgClick();
        QCOMPARE(b.dialogs.Last().text, QString("Выберите версию программного обеспечения."));
        QCOMPARE(b.dialogs.Last().title, QString("Нет версии"));
        QCOMPARE(b.dialogs.boxes.size(), std::size_t(2));
    }

    void programmingWithTheDefaultsRightAfterStartUp() {
        Bench b;
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        QCOMPARE(b.dialogs.boxes.size(), std::size_t(2));
        QCOMPARE(int(b.driver.Chip().idWords[0]), 0x10D1);
        QVERIFY(b.w->PanClient->isVisible());
    }

    void cancelAtThePromptBuildsNothing() {
        Bench b;
        b.Configure(OpenConfigA());
        b.w->RG1ProgOb->SetItemIndex(1);
        b.dialogs.answers = {BoxResult::Cancel};
        b.w->ButProgClick();
        QCOMPARE(b.Texts(), QStringList{msg::kProgPromptUserFile});
        QVERIFY(b.dialogs.fileDialogs.empty());
        QVERIFY(b.w->PanClient->isVisible());
        QCOMPARE(b.w->focusWidget(), b.w->ButProg);
        QCOMPARE(b.w->Image().DataMemory()[0], 0xFF);
        QCOMPARE(b.w->channelEdits[0]->text(), QString("145,0125"));
    }

    void failedRunAsksNoQuestion() {
        Bench b;
        b.Configure(OpenConfigA());
        b.driver.Unit().FailCodeWordAt(101);
        b.w->ButProgClick();
        QCOMPARE(b.Texts(),
                 (QStringList{b.dialogs.boxes[0].text,
                              "Ошибка программирования памяти программ по адресу: 101"}));
        QCOMPARE(b.dialogs.Last().title, kApplicationTitle);
        QCOMPARE(b.dialogs.Last().icon, BoxIcon::None);
        QCOMPARE(b.w->focusWidget(), b.w->ButProg);
        QVERIFY(b.Usable());
        QVERIFY(b.w->PanClient->isVisible());
    }

    // Each fault box keeps its own text and says below it what to do: the
    // cable and the power for a link fault, the radio left half-written
    // after a write, reading again after a read.
    void faultBoxesSayWhatToDo() {
        const QString link = msg::kAdviceCheckLink;
        const QString rewrite = QString("\n") + msg::kAdviceWriteAgain;
        const struct {
            std::function<void(SimulatedDriver&, int frames)> fault;
            bool read;
            QString text;
            QString advice;
        } cases[] = {
            {[](SimulatedDriver& d, int n) { d.Faults().unplugAtFrame = n + 100; }, false,
             "Ошибка записи в порт USB: Ошибка ввода/вывода", link + rewrite},
            {[](SimulatedDriver& d, int n) { d.Faults().readTimeoutAtFrame = n + 20; }, true,
             "Тайм-аут обмена с устройством", link + " " + msg::kAdviceReadAgain},
            {[](SimulatedDriver& d, int) { d.Unit().FailCodeWordAt(101); }, false,
             "Ошибка программирования памяти программ по адресу: 101",
             msg::kAdviceChipFault + rewrite},
            {[](SimulatedDriver& d, int) { d.Chip().SetStuckCodeBit(0x1F00, 13); }, false,
             "Ошибка при верификации памяти программ по адресу: 7936записанное значение: 154 "
             "прочитанное значение: 8346",
             msg::kAdviceChipFault + rewrite},
        };
        for (const auto& [fault, read, text, advice] : cases) {
            Bench b;
            b.Configure(OpenConfigA());
            b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
            b.w->ButProgClick(); // a radio to read
            fault(b.driver, b.driver.FramesSeen());
            b.dialogs.boxes.clear();
            read ? b.w->ButReadClick() : b.w->ButProgClick();
            QCOMPARE(b.dialogs.boxes[1].text, text);
            QCOMPARE(b.dialogs.boxes[1].advice, advice);
        }
    }

    void verificationMismatchIsReported() {
        Bench b;
        b.Configure(OpenConfigA());
        b.driver.Chip().SetStuckCodeBit(0x1F00, 13);
        b.w->ButProgClick();
        QCOMPARE(
            b.dialogs.Last().text,
            QString("Ошибка при верификации памяти программ по адресу: 7936записанное значение: "
                    "154 прочитанное значение: 8346"));
    }

    void protectedRadioCannotTakeNewFrequencies() {
        Bench b;
        b.Configure(reference::ConfigA()); // with read protection
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        b.dialogs.boxes.clear();
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok};
        b.w->ButPrFrecClick();
        QCOMPARE(b.Texts(),
                 (QStringList{msg::kConnectRadio, msg::kProtectionQuestion,
                              "Ошибка программирования памяти программ по адресу: 7936"}));
    }

    void cancelledDialogsStopBeforeTheRun() {
        Bench b;
        b.Configure(OpenConfigA());
        b.w->RG1ProgOb->SetItemIndex(1);
        const int frames = b.driver.FramesSeen();
        b.w->ButProgClick(); // no file chosen
        QCOMPARE(b.dialogs.fileDialogs.size(), std::size_t(1));
        QCOMPARE(b.dialogs.fileDialogs[0].title, QString("Открытие файла с программой"));
        QCOMPARE(b.dialogs.fileDialogs[0].filter,
                 QString("программы(*.hex, *.obj)|*.hex;*.obj|все файлы|*.*"));
        QCOMPARE(b.dialogs.fileDialogs[0].initialDir, kDemoDir);
        QVERIFY(!b.dialogs.fileDialogs[0].changesWorkingDir);
        QCOMPARE(b.driver.FramesSeen(), frames + 6); // the test only
        QVERIFY(b.w->PanClient->isVisible());

        Bench p;
        RadioConfig protectedConfig = reference::ConfigA();
        p.Configure(protectedConfig);
        p.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        p.w->ButProgClick();
        QCOMPARE(p.Texts().last(), QString(msg::kProtectionQuestion));
        QCOMPARE(p.dialogs.Last().icon, BoxIcon::Warning);
        QCOMPARE(p.driver.FramesSeen(), 6);
    }

    void userFirmwareFile() {
        TempFiles files;
        QVERIFY(QFile::copy(kDemoDir + "/WORK/St610.hex",
                            QString::fromStdString(files.Path("rpt611.hex"))));
        Bench b;
        b.Configure(OpenConfigA());
        b.w->RG1ProgOb->SetItemIndex(1);
        b.dialogs.files = {QString::fromStdString(files.Path("rpt611.hex"))};
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        QCOMPARE(b.Texts(),
                 (QStringList{msg::kProgPromptUserFile, msg::kConnectDevice, ProgNext()}));
        QCOMPARE(b.dialogs.boxes[1].title, kApplicationTitle);
        QCOMPARE(int(b.driver.Chip().idWords[0]), 0x10D7);
        QCOMPARE(int(b.driver.Chip().data[0xEB]), 7);
        const Project firmware = StandardFirmware("St610.hex");
        QCOMPARE(int(b.driver.Chip().code[5]), firmware.ProgramMemory()[5]);
    }

    // A refused frequency stops the build: one message, the red field has
    // the focus, and no tone message about tones that are right.
    void invalidFrequencyStopsTheBuild() {
        Bench b;
        RadioConfig config = OpenConfigA();
        config.channels[1].rx = std::string("5"); // not a literal: GCC 12 -O3 false -Wrestrict
        b.Configure(config);
        b.w->ButProgClick();
        QCOMPARE(b.Texts(), (QStringList{b.dialogs.boxes[0].text, msg::kSyntaxError}));
        QCOMPARE(b.dialogs.boxes[1].title, QString("Синтаксическая ошибка"));
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[3]), FieldColour::Red);
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[2]), FieldColour::Window);
        QTRY_VERIFY(b.w->channelEdits[3]->hasFocus());
        QVERIFY(b.w->buildAborted);
        QCOMPARE(b.driver.FramesSeen(), 6);

        // Mended, the field goes back to the window colour.
        b.w->channelEdits[3]->setText("146,5");
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[3]), FieldColour::Window);
        QCOMPARE(b.dialogs.Last().text, QString(ProgNext()));
    }

    // A field to mend is said before the operator is asked to connect a
    // radio, in red and with the focus; nothing is sent to the unit.
    void fieldsToMendBeforeAnyRadio() {
        const struct {
            const char* tx;
            const char* rx;
            bool program; // else the frequency write
            int edit;     // the red field: 2n for TX, 2n + 1 for RX
            std::string text;
        } cases[] = {
            {"15O", "150", false, 4, ConversionErrorText("Канал 3, передача", "15O")},
            {"150", "", true, 5, std::string("Канал 3, приём: ") + msg::kFrequencyMissing},
            {"", "150", false, 4, std::string("Канал 3, передача: ") + msg::kFrequencyMissing},
        };
        for (const auto& [tx, rx, program, edit, text] : cases) {
            Bench b;
            RadioConfig config = OpenConfigA();
            config.channels[2].tx = tx;
            config.channels[2].rx = rx;
            b.Configure(config);
            program ? b.w->ButProgClick() : b.w->ButPrFrecClick();
            QCOMPARE(b.Texts(), QStringList{QString::fromStdString(text)});
            QCOMPARE(b.dialogs.Last().icon, BoxIcon::Error);
            QVERIFY(b.w->PanClient->isVisible());
            QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[edit]), FieldColour::Red);
            QTRY_VERIFY(b.w->channelEdits[edit]->hasFocus());
            QCOMPARE(b.driver.FramesSeen(), 0);
            QVERIFY(b.Usable());
        }
    }

    void missingFirmwareFile() {
        TempFiles files;
        Bench b;
        b.w->startDir = QString::fromStdString(files.Path(""));
        b.Configure(OpenConfigA());
        b.w->ButProgClick();
        QCOMPARE(b.dialogs.Last().text, QString(msg::kFirmwareNotLoaded));
        QCOMPARE(b.dialogs.Last().title, QString("Ошибка открытия файла"));
        // Below the text: the file it opened, the folder and the three names.
        const QString work = QDir::cleanPath(QString::fromStdString(files.Path("WORK")));
        QCOMPARE(b.dialogs.Last().advice,
                 "Открывался файл: " + QDir::toNativeSeparators(work + "/St611.hex") +
                     ".\nСтандартные программы ищутся в папке " + QDir::toNativeSeparators(work) +
                     ": Sta410.hex, St610.hex, St611.hex.");
        QVERIFY(b.w->PanClient->isVisible());
        QVERIFY(!b.w->Image().IsLoaded());
        QCOMPARE(b.driver.FramesSeen(), 6);
    }

    // The close box during a run offers to stop it: the run ends at its next
    // frame as cancelled and the window closes once the command is over.
    void closeBoxDuringARunStopsIt() {
        Bench b;
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick(); // a radio to read
        const int beforeWholeRead = b.driver.FramesSeen();
        b.w->ButReadClick();
        const int wholeRead = b.driver.FramesSeen() - beforeWholeRead;
        b.driver.SetFrameDelay(std::chrono::milliseconds(5));
        const int before = b.driver.FramesSeen();
        // The close box once the read is under way.
        QVERIFY(b.ActAfterFrames(
            20, [&b] { b.w->ButReadClick(); },
            [&b] {
                QCloseEvent event;
                b.w->WindowCloseBox(&event);
                QVERIFY(!event.isAccepted()); // the run goes on to its next frame
            }));
        QVERIFY(b.Texts().contains(msg::kStopRunQuestion));
        QVERIFY(b.driver.FramesSeen() - before < wholeRead); // cut short
        QTRY_VERIFY(!b.w->isVisible());
        QCOMPARE(RunStopSignal(), 0); // the operator's stop, not the process's
    }

    // A read whose first pass the link cut short decodes nothing: the
    // panels keep what they held, the link's fault is what is said.
    void aReadCutShortLeavesThePanels() {
        Bench b;
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        RadioConfig typed = OpenConfigA();
        typed.channels[0].tx = "160";
        b.w->SetRadioConfig(typed);
        b.driver.Faults().readTimeoutAtFrame = b.driver.FramesSeen() + 20;
        b.dialogs.boxes.clear();
        b.w->ButReadClick();
        QCOMPARE(b.w->GetRadioConfig(), typed);
        QVERIFY(!b.Texts().contains(QString(msg::kOldFirmware)));
        QCOMPARE(b.Texts().last(), QString::fromStdString(ErrorText(errExchangeTimeout)));
        QVERIFY(b.Usable());
    }

    // During a run Esc asks the stop question in whichever of the program's
    // windows has the focus; with radio numbers asked, the progress window
    // is the active one once the number is typed.
    void escapeStopsFromAnyWindow_data() {
        QTest::addColumn<int>("window");
        QTest::newRow("progress window") << 0;
        QTest::newRow("main window") << 1;
        QTest::newRow("journal view") << 2;
    }
    void escapeStopsFromAnyWindow() {
        QFETCH(int, window);
        Bench b;
        b.Configure(OpenConfigA());
        b.w->askRadioNumber = true;
        b.dialogs.lines = {"R-1"};
        b.w->JournalWindow->show();
        b.driver.SetFrameDelay(std::chrono::milliseconds(2));
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok}; // connected; stop: yes
        QWidget* progressActive = nullptr;
        QVERIFY(b.ActAfterFrames(
            20, [&b] { b.w->ButProgClick(); },
            [&] {
                progressActive = QApplication::activeWindow();
                QWidget* const targets[] = {b.w->Form2, b.w.get(), b.w->JournalWindow};
                QTest::keyClick(targets[window], Qt::Key_Escape);
            }));
        QCOMPARE(progressActive, b.w->Form2);
        QVERIFY(b.Texts().contains(msg::kStopRunOnlyQuestion));
        QVERIFY(b.Texts().contains(msg::kRunStopped));
        QVERIFY(b.Usable());
    }

    // A stop ends the command it was asked in and nothing after it: each
    // command after a stopped programming runs to its end.
    void aStopEndsOnlyItsOwnCommand() {
        Bench b;
        b.Configure(OpenConfigA());
        b.driver.SetFrameDelay(std::chrono::milliseconds(2));
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok}; // connected; stop: yes
        QVERIFY(b.ActAfterFrames(
            20, [&b] { b.w->ButProgClick(); },
            [&b] { QTest::keyClick(b.w->Form2, Qt::Key_Escape); }));
        QVERIFY(b.Texts().contains(msg::kRunStopped));
        b.driver.SetFrameDelay(std::chrono::milliseconds(0));
        const struct {
            void (TFUser::*click)();
            const char* name;
        } commands[] = {{&TFUser::ButProgClick, "Программирование"},
                        {&TFUser::ButPrFrecClick, "Запись частот"},
                        {&TFUser::ButReadClick, "Чтение"}};
        for (const auto& command : commands) {
            b.dialogs.boxes.clear();
            b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel}; // connected; no next radio
            const int start = b.driver.FramesSeen();
            (b.w.get()->*command.click)();
            QVERIFY2(!b.Texts().contains(msg::kRunStopped), command.name);
            QVERIFY2(b.driver.FramesSeen() - start > 50, command.name);
            QVERIFY(b.Usable());
        }
    }

    // At the real unit's pace the window's event loop keeps going through a
    // whole programming, and Esc on the progress window and Ctrl+Q each bring
    // the stop question while the run goes on (answered: go on).
    // The window answers at the unit's pace: its timers run between the
    // frames, the stop keys are heard mid-run and the run goes on when the
    // operator says so. A loop held by the exchanges would miss its ticks
    // for a whole step, hundreds of frames; the keys are sent by frame
    // count, so a slow machine only makes the run longer.
    void windowAnswersAtTheUnitsPace() {
        Bench b;
        b.Configure(OpenConfigA());
        b.driver.SetFrameDelay(std::chrono::milliseconds(16));
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Cancel, BoxResult::Cancel,
                             BoxResult::Cancel};
        constexpr int kEscAtFrame = 60, kQuitAtFrame = 120;
        int keysSent = 0;
        int framesAtTick = 0;
        int mostFramesBetweenTicks = 0;
        QElapsedTimer sinceTick;
        qint64 longestStall = 0;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const int frames = b.driver.FramesSeen();
            mostFramesBetweenTicks = std::max(mostFramesBetweenTicks, frames - framesAtTick);
            framesAtTick = frames;
            longestStall = std::max(longestStall, sinceTick.restart());
            if (keysSent == 0 && frames >= kEscAtFrame) {
                ++keysSent;
                QTest::keyClick(b.w->Form2, Qt::Key_Escape);
            } else if (keysSent == 1 && frames >= kQuitAtFrame) {
                ++keysSent;
                QTest::keyClick(b.w.get(), Qt::Key_Q, Qt::ControlModifier);
            }
        });
        sinceTick.start();
        ticks.start(10);
        b.w->ButProgClick();
        ticks.stop();
        qInfo("longest pause of the window's loop %lld ms, at most %d frames between ticks",
              longestStall, mostFramesBetweenTicks);
        QCOMPARE(keysSent, 2);
        const QStringList shown = b.Texts();
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown[1], QString(msg::kStopRunOnlyQuestion));
        QCOMPARE(shown[2], QString(msg::kStopRunQuestion));
        QCOMPARE(shown[3], ProgNext()); // the run went on to its end
        QVERIFY2(mostFramesBetweenTicks < 100, qPrintable(QString::number(mostFramesBetweenTicks)));
        QCOMPARE(RunStopSignal(), 0);
        QVERIFY(b.Usable());
    }

    // The programmer's test before a command, and the Test button's, wait
    // for the unit off the window's thread: its timers tick while a unit
    // answers slowly or not at all (a loop held by the exchanges ticks
    // never until the command is over).
    void unitTestsLeaveTheWindowAnswering_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("neverAnswers");
        QTest::newRow("Тест, a unit that never answers") << int(Command::Test) << true;
        QTest::newRow("Программирование, a slow unit") << int(Command::Program) << false;
        QTest::newRow("Чтение, a slow unit") << int(Command::Read) << false;
    }
    void unitTestsLeaveTheWindowAnswering() {
        QFETCH(int, command);
        QFETCH(bool, neverAnswers);
        Bench b;
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Cancel}; // not connected: the test is all
        const int before = b.driver.FramesSeen();
        if (neverAnswers) {
            b.driver.SetWaitOutTimeouts(true);
            b.driver.Faults().readTimeoutAtFrame = before + 1;
        } else {
            b.driver.SetFrameDelay(std::chrono::milliseconds(200));
        }
        int ticksWhileTesting = 0;
        QElapsedTimer sinceTick;
        qint64 longestStall = 0;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longestStall = std::max(longestStall, sinceTick.restart());
            ticksWhileTesting += b.driver.FramesSeen() > before ? 1 : 0;
        });
        sinceTick.start();
        ticks.start(20);
        b.Press(Command(command));
        ticks.stop();
        qInfo("longest pause of the window's loop %lld ms, %d ticks", longestStall,
              ticksWhileTesting);
        QVERIFY2(ticksWhileTesting >= 3, qPrintable(QString::number(ticksWhileTesting)));
        QVERIFY(b.driver.FramesSeen() > before);
        QVERIFY(b.Usable());
        if (neverAnswers) {
            QCOMPARE(b.Texts().last(), QString(msg::kTestFailed));
        }
    }

    // A shift at random: files loaded, channels edited and undone, radios
    // programmed, written, read and tested, runs stopped by Esc in any
    // window at any frame, questions declined, the journal view and the
    // guide opened and closed. After every step: one journal line per radio
    // command with the result it came to, a run after a stop completes, the
    // window usable, no frame sent but by a radio command, the active
    // window a visible one. The longest pause of the window's loop is printed.
    void randomWalkThroughAShift() {
        qint64 longestStall = 0;
        seeds::ForEachSeed({11, 12, 13}, [&](uint32_t seed) { return Walk(seed, longestStall); });
        qInfo("longest pause of the window's loop over the walks: %lld ms", longestStall);
    }

    void everyRunIsReported() {
        Bench b;
        int runs = 0;
        b.w->runFinished = [&] { ++runs; };
        b.Configure(OpenConfigA());
        b.dialogs.answers = {BoxResult::Ok, BoxResult::Ok, BoxResult::Cancel};
        b.w->ButProgClick();
        QCOMPARE(runs, 2);
        b.w->ButReadClick(); // two runs and the pass that confirms them
        QCOMPARE(runs, 5);
    }
};

QTEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
