#include "AppMessages.h"
#include "Artwork.h"
#include "CommandMessages.h"
#include "ConfigMessages.h"
#include "FileMessages.h"
#include "FrequencyCodec.h"
#include "LatinMnemonics.h"
#include "ReferenceImages.h"
#include "ScriptedDialogs.h"
#include "SimulatedDriver.h"
#include "TFUser.h"
#include "TForm1.h"
#include "TForm2.h"
#include "TGuide.h"
#include "TJournal.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextBrowser>
#include <QtTest>

using namespace zekt;

// A channel field given a text (field 0: Программирование pressed), and the
// fields of channels 1 and 2 red after it.
struct MarkStep {
    int edit;
    QString text;
    QList<int> red;
};
using MarkSteps = QList<MarkStep>;
Q_DECLARE_METATYPE(MarkSteps)

namespace {

enum class TableChange { Typing, Scan, Tone, Clear, File };

struct Window {
    SimulatedDriver driver;
    ScriptedDialogs dialogs;
    TFUser w{std::make_unique<USB_Prog>(driver), &dialogs};

    Window() {
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    QLineEdit* Edit(int number) { return w.channelEdits[static_cast<std::size_t>(number - 1)]; }
    void FillChannels() {
        for (int k = 0; k < kChannelCount; ++k) {
            w.channelEdits[2 * k]->setText(QString("14%1").arg(k));
            w.channelEdits[2 * k + 1]->setText(QString("15%1").arg(k));
            w.scanBoxes[k]->setChecked(true);
            w.ctcssBoxes[k]->SetItemIndex(k);
        }
    }
    bool ChannelEmpty(int k) {
        return w.channelEdits[2 * k]->text().isEmpty() &&
               w.channelEdits[2 * k + 1]->text().isEmpty() && !w.scanBoxes[k]->isChecked() &&
               w.ctcssBoxes[k]->ItemIndex() == -1 && w.ctcssBoxes[k]->currentText().isEmpty();
    }
    // The channel table as the operator sees it: a line per channel.
    QStringList Table() {
        const auto field = [this](QLineEdit* edit) {
            const char* colours[] = {"", " red", " grey"};
            return edit->text() + colours[int(w.FieldColourOf(edit))] +
                   (edit->isEnabled() ? "" : " locked");
        };
        QStringList rows;
        for (std::size_t k = 0; k < kChannelCount; ++k) {
            rows << field(w.channelEdits[2 * k]) + " | " + field(w.channelEdits[2 * k + 1]) +
                        " | " + (w.scanBoxes[k]->isChecked() ? "scan" : "-") +
                        (w.scanBoxes[k]->isEnabled() ? "" : " locked") + " | " +
                        w.ctcssBoxes[k]->currentText() +
                        (w.ctcssBoxes[k]->isEnabled() ? "" : " locked");
        }
        return rows;
    }
    // Channel 16 empty and locked, as a read-back leaves it.
    void LockLastChannel() {
        for (QLineEdit* edit : {w.channelEdits[30], w.channelEdits[31]}) {
            edit->clear();
            w.SetFieldColour(edit, FieldColour::ButtonFace);
            edit->setEnabled(false);
        }
        w.scanBoxes[15]->setChecked(false);
        w.scanBoxes[15]->setEnabled(false);
        w.ctcssBoxes[15]->SetItemIndex(-1);
        w.ctcssBoxes[15]->setEnabled(false);
    }
    void Focus(QWidget* widget) {
        widget->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(widget->hasFocus());
    }
    // The operator's own band with a lower limit out of range, its field focused.
    void FocusWrongLowerLimit() {
        w.RG4Band->SetItemIndex(1);
        w.EditFrec1->setText("100");
        w.EditFrec1->setFocus();
        QTRY_VERIFY(w.EditFrec1->hasFocus());
    }
    void LeaveField(QLineEdit* field) {
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        Edit(1)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUpState() {
        // The window reads the date once: whichever day it saw, on either
        // side of midnight, it keeps and shows that one.
        const QDate before = QDate::currentDate();
        Window win;
        const QDate after = QDate::currentDate();
        TFUser& w = win.w;
        QCOMPARE(w.windowTitle(), QString("Программатор возимых радиостанций ЗЕКТ (Версии ПО: "
                                          "4.1.0, 6.1.0 и 6.1.1)   @USB ЗЕКТ УП-7"));
        QVERIFY(!w.PanClient->isVisible());
        QVERIFY(w.Image1->isVisible());
        QCOMPARE(w.Image1->pixmap().size(), QSize(810, 705));
        QCOMPARE(w.ComboBoxVer->currentText(), QString("6.1.1"));
        QCOMPARE(w.GetRadioConfig(), RadioConfig{});
        QCOMPARE(w.clearFrom, -1);
        QVERIFY(w.firmwareFile.isEmpty());
        QCOMPARE(w.startDir, QDir::currentPath());
        const QDate kept(w.progDate.year, w.progDate.month, w.progDate.day);
        QVERIFY2(kept == before || kept == after, qPrintable(kept.toString(Qt::ISODate)));
        QCOMPARE(w.LabelDate->text(),
                 QString("%1.%2.%3").arg(kept.day()).arg(kept.month()).arg(kept.year() % 4096));
        QVERIFY(w.Form1 != nullptr && !w.Form1->isVisible());
        QVERIFY(w.Form2 != nullptr && !w.Form2->isVisible());
        QVERIFY(!w.Form2->shown);
        QVERIFY(!w.Link().IsOpen());
        QCOMPARE(w.Image().ProgramMemory()[0], 0x3FFF);
    }

    void controlsByName() {
        Window win;
        TFUser& w = win.w;
        const char* names[] = {
            "PanButton",       "LabelDate",  "ButAbout",    "ButTest",        "ButSetConf",
            "ButProg",         "ButPrFrec",  "ButRead",     "ButRdFile",      "ButWrFile",
            "ButHelp",         "ButExit",    "Image1",      "PanClient",      "PanRadioGr",
            "RG1ProgOb",       "STVersii",   "ComboBoxVer", "ButDetail",      "RG2Type",
            "RG3FrTon",        "RG4Band",    "RG5BandMain", "GBoxBandSelect", "LabelFrec1",
            "EditFrec1",       "LabelFrec2", "EditFrec2",   "RG6Setka",       "GBoxAttr",
            "CheckBoxProtect", "PanChanell", "PanChanCTC",  "GBoxChanell",    "LabelPRD",
            "LabelPRM",        "GBoxCTC",    "LabelScan",   "LabelCTCSS",     "LabelFrCTC",
            "ButClear",        "Edit1",      "Edit32",      "CheckBox1",      "CheckBox16",
            "ComboBox1",       "ComboBox16", "STChan1",     "STChan16"};
        for (const char* name : names) {
            QWidget* control = w.findChild<QWidget*>(name);
            QVERIFY2(control != nullptr, name);
            QCOMPARE(control->accessibleDescription(), QString(name));
            QVERIFY2(!control->accessibleName().isEmpty(), name);
        }
        QCOMPARE(w.STChan[0]->text(), QString("Канал 1"));
        QCOMPARE(w.STChan[9]->text(), QString("Канал A"));
        QCOMPARE(w.STChan[14]->text(), QString("Канал F"));
        QCOMPARE(w.STChan[15]->text(), QString("Канал 0"));
        QCOMPARE(win.Edit(1)->accessibleName(), QString("Канал 1, передача"));
        QCOMPARE(QAccessible::queryAccessibleInterface(&w)->role(), QAccessible::Window); // a frame
        QCOMPARE(w.ButRead->toolTip(), QString("Прочить данные конфигурации из радиостанции"));
        QCOMPARE(w.ButClear->toolTip(),
                 QString("Щёлкните указателем мыши на поле канала, с которого удалить"));
        QCOMPARE(w.ButProg->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(w.ButDetail->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(w.RG6Setka->title().remove('&'), QString(" Шаг сетки частот в основном массиве "));
        QCOMPARE(w.RG5BandMain->Button(2)->text(), QString("40 - 48,5 МГц"));
        QCOMPARE(w.ctcssBoxes[3]->count(), 20);
        QCOMPARE(w.ctcssBoxes[3]->itemText(19), QString("131,8"));
        QCOMPARE(w.RG2Type->font().pixelSize(), 18);
        QCOMPARE(w.ctcssBoxes[0]->font().pixelSize(), 17);
        QCOMPARE(w.EditFrec1->font().pixelSize(), 17);
    }

    void bindingBothWays() {
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        const RadioConfig b = reference::ConfigB();
        w.SetRadioConfig(b);
        // The type's handler ran (memory channels only) and the band limits
        // written after it survived.
        QCOMPARE(w.GetRadioConfig(), b);
        QVERIFY(!w.GBoxBandSelect->isEnabled());
        w.ShowConfig(); // as the commands do after setting the panels
        QVERIFY(!w.RG4Band->isEnabled());
        QVERIFY(!w.EditFrec1->isVisible());

        RadioConfig full = b;
        full.radioType = 0;
        w.SetRadioConfig(full);
        QVERIFY(w.RG4Band->isEnabled());
        QVERIFY(w.GBoxBandSelect->isEnabled());
        QVERIFY(w.EditFrec1->isVisible()); // band mode 1: the operator's limits
        QCOMPARE(w.EditFrec1->text(), QString("40"));
        QCOMPARE(w.GetRadioConfig(), full);

        RadioConfig odd;
        odd.mainBand = 7;
        odd.gridStep = -1;
        odd.version = -1;
        w.SetRadioConfig(odd);
        QCOMPARE(w.RG5BandMain->ItemIndex(), 4); // past the last item: the last one
        QCOMPARE(w.RG6Setka->ItemIndex(), -1);
        QCOMPARE(w.ComboBoxVer->currentText(), QString());
        QCOMPARE(w.GetRadioConfig().version, -1);
    }

    void typedTextSelectsNoItem() {
        Window win;
        win.w.ComboBoxVer->setEditText("6.2");
        QCOMPARE(win.w.GetRadioConfig().version, -1);
        win.w.ctcssBoxes[0]->setEditText("136,5");
        QCOMPARE(win.w.GetRadioConfig().channels[0].ctcss, -1);
        win.w.ctcssBoxes[0]->setEditText("77");
        QCOMPARE(win.w.GetRadioConfig().channels[0].ctcss, 3);
    }

    void enableRules() {
        Window win;
        TFUser& w = win.w;
        w.RG2Type->SetItemIndex(1);
        w.RG4Band->SetItemIndex(1);
        w.ShowConfig();
        QVERIFY(w.PanClient->isVisible());
        QVERIFY(!w.RG4Band->isEnabled());
        QVERIFY(!w.RG5BandMain->isEnabled());
        QVERIFY(!w.RG6Setka->isEnabled());
        QVERIFY(!w.EditFrec1->isVisible() && !w.EditFrec2->isVisible());

        w.RG2Type->SetItemIndex(0); // runs the type's handler, then the band's
        w.ShowConfig();
        QVERIFY(w.RG4Band->isEnabled());
        QVERIFY(!w.RG5BandMain->isEnabled());
        QVERIFY(w.EditFrec1->isVisible() && w.EditFrec2->isVisible());

        w.EditFrec1->setText("40");
        w.RG4Band->SetItemIndex(0);
        QVERIFY(w.RG5BandMain->isEnabled());
        QVERIFY(!w.EditFrec1->isVisible());
        w.RG4Band->SetItemIndex(1);
        QVERIFY(w.EditFrec1->text().isEmpty()); // typed limits were discarded

        // ShowConfig leaves the band-limit box to the type's handler.
        w.GBoxBandSelect->setEnabled(false);
        w.ShowConfig();
        QVERIFY(!w.GBoxBandSelect->isEnabled());
        w.HideConfig();
        QVERIFY(!w.PanClient->isVisible());
    }

    void bandLimitMessages_data() {
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::newRow("lower empty")
            << 1 << "" << msg::kNoLowerLimit << msg::kNoLimitCaption << int(BoxIcon::Information);
        QTest::newRow("lower 100")
            << 1 << "100" << msg::kLowerOut160 << msg::kBadLimitCaption << int(BoxIcon::None);
        QTest::newRow("upper 180")
            << 2 << "180" << msg::kUpperOut160 << msg::kBadLimitCaption << int(BoxIcon::None);
        QTest::newRow("upper empty")
            << 2 << "" << msg::kNoUpperLimit << msg::kNoLimitCaption << int(BoxIcon::Information);
    }
    void bandLimitMessages() {
        QFETCH(int, edit);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, icon);
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        w.RG4Band->SetItemIndex(1);
        QLineEdit* field = edit == 1 ? w.EditFrec1 : w.EditFrec2;
        field->setText(typed);
        win.LeaveField(field);
        QCOMPARE(win.dialogs.boxes.size(), std::size_t(1));
        QCOMPARE(win.dialogs.Last().text, text);
        QCOMPARE(win.dialogs.Last().title, title);
        QCOMPARE(int(win.dialogs.Last().icon), icon);
        QCOMPARE(win.dialogs.Last().buttons, BoxButtons::Ok);
        QVERIFY(field->text().isEmpty());
        QTRY_VERIFY(field->hasFocus());
    }

    void acceptedLimitsAndNotANumber() {
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        w.RG4Band->SetItemIndex(1);
        w.EditFrec1->setText("200");
        win.LeaveField(w.EditFrec1);
        w.EditFrec2->setText("20");
        win.LeaveField(w.EditFrec2);
        QVERIFY(win.dialogs.boxes.empty());
        QCOMPARE(w.EditFrec1->text(), QString("200"));

        w.EditFrec1->setText("4O");
        win.LeaveField(w.EditFrec1);
        QCOMPARE(win.dialogs.boxes.size(), std::size_t(1));
        QCOMPARE(win.dialogs.Last().text,
                 QString::fromStdString(ConversionErrorText(msg::kLowerLimitName, "4O")));
        QCOMPARE(win.dialogs.Last().icon, BoxIcon::Error);
        QCOMPARE(w.EditFrec1->text(), QString("4O"));
        QTRY_VERIFY(w.EditFrec1->hasFocus());
    }

    void clearingFromStartUpEmptiesEverything() {
        Window win;
        win.w.ButSetConfClick();
        win.FillChannels();
        win.w.ButClearClick();
        for (int k = 0; k < kChannelCount; ++k) {
            QVERIFY(win.ChannelEmpty(k));
        }
        QCOMPARE(win.w.clearFrom, 32);
        QTRY_VERIFY(win.Edit(1)->hasFocus());
    }

    void clearingFromAClickedField() {
        Window win;
        win.w.ButSetConfClick();
        win.FillChannels();
        QTest::mouseClick(win.Edit(9), Qt::LeftButton);
        QCOMPARE(win.w.clearFrom, 8);
        win.w.ButClearClick();
        for (int k = 0; k < 4; ++k) {
            QVERIFY(!win.ChannelEmpty(k));
        }
        for (int k = 4; k < kChannelCount; ++k) {
            QVERIFY(win.ChannelEmpty(k));
        }
        QTRY_VERIFY(win.Edit(9)->hasFocus());

        win.FillChannels();
        QTest::mouseClick(win.Edit(10), Qt::LeftButton);
        win.w.ButClearClick();
        QCOMPARE(win.Edit(9)->text(), QString("144"));
        QVERIFY(win.Edit(10)->text().isEmpty());
        QVERIFY(!win.w.scanBoxes[4]->isChecked());
        QCOMPARE(win.w.ctcssBoxes[4]->ItemIndex(), -1);
        QVERIFY(win.w.scanBoxes[3]->isChecked()); // channel 4 is kept

        // Exhausted: a second clear empties nothing.
        win.FillChannels();
        win.w.ButClearClick();
        QCOMPARE(win.Edit(10)->text(), QString("154"));
        QVERIFY(win.w.scanBoxes[15]->isChecked());
    }

    // Each change of the channel table is one step, a field's typing one
    // per visit: Ctrl+Z takes it back whole, Ctrl+Shift+Z and Ctrl+Y bring
    // it again, from a button as from inside a channel's field, and neither
    // acts while the command column is locked.
    void tableUndoAndRedo_data() {
        QTest::addColumn<TableChange>("change");
        QTest::addColumn<bool>("keysInField");
        QTest::newRow("typing, keys on a button") << TableChange::Typing << false;
        QTest::newRow("typing, keys in the field typed in") << TableChange::Typing << true;
        QTest::newRow("scan box, keys in a field") << TableChange::Scan << true;
        QTest::newRow("tone, keys on a button") << TableChange::Tone << false;
        QTest::newRow("clear, keys in a field") << TableChange::Clear << true;
        QTest::newRow("file, keys on a button") << TableChange::File << false;
    }
    void tableUndoAndRedo() {
        QFETCH(TableChange, change);
        QFETCH(bool, keysInField);
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        win.FillChannels();
        win.Edit(30)->clear(); // channel 15 half made: red
        win.LockLastChannel();
        const QStringList before = win.Table();
        switch (change) {
        case TableChange::Typing:
            win.Focus(win.Edit(3));
            QTest::keyClicks(win.Edit(3), "147,5");
            break;
        case TableChange::Scan:
            QTest::mouseClick(w.scanBoxes[2], Qt::LeftButton);
            break;
        case TableChange::Tone:
            win.Focus(w.ctcssBoxes[4]);
            QTest::keyClick(w.ctcssBoxes[4], Qt::Key_Down);
            break;
        case TableChange::Clear:
            w.ButClear->click();
            break;
        case TableChange::File:
            w.ReadConfigFile(ZEKT_TEST_DATA_DIR "/prg/reference-a.prg");
            QVERIFY(win.dialogs.boxes.empty());
            break;
        }
        const QStringList after = win.Table();
        QVERIFY(after != before);
        if (!keysInField) {
            win.Focus(w.ButSetConf);
        } else if (std::find(w.channelEdits.begin(), w.channelEdits.end(),
                             QApplication::focusWidget()) == w.channelEdits.end()) {
            win.Focus(win.Edit(5));
        }
        const auto press = [](QKeyCombination key) {
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), key.key(),
                                QString(QChar(int(key.key())).toLower()), key.keyboardModifiers());
        };
        w.DisableCommands(); // as a run does
        press(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(win.Table(), after);
        w.EnableCommands();
        const struct {
            QKeyCombination key;
            const QStringList& table;
        } keys[] = {{Qt::CTRL | Qt::Key_Z, before},
                    {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, after},
                    {Qt::CTRL | Qt::Key_Z, before},
                    {Qt::CTRL | Qt::Key_Y, after},
                    {Qt::CTRL | Qt::Key_Z, before},
                    {Qt::CTRL | Qt::Key_Z, before},
                    // The same keys under the Russian layout: Ctrl+Н, Ctrl+Я.
                    {Qt::CTRL | Qt::Key(0x41D), after},
                    {Qt::CTRL | Qt::Key(0x42F), before}};
        for (const auto& [key, table] : keys) {
            press(key);
            QCOMPARE(win.Table(), table);
        }
    }

    // A channel field is red while its text leaves the channel half made or
    // untunable, or while a command has refused it and it is unchanged; a
    // locked field keeps its colour.
    void marksFollowTheText_data() {
        QTest::addColumn<MarkSteps>("steps");
        QTest::newRow("half made, then completed") << MarkSteps{{1, "145", {2}}, {2, "146", {}}};
        QTest::newRow("receive first, then transmit") << MarkSteps{{2, "146", {1}}, {1, "145", {}}};
        QTest::newRow("half made, then emptied") << MarkSteps{{3, "145", {4}}, {3, "", {}}};
        QTest::newRow("untunable, then mended")
            << MarkSteps{{1, "30", {1, 2}}, {2, "145", {1}}, {1, "145", {}}};
        QTest::newRow("mended, then broken again")
            << MarkSteps{{1, "145", {2}}, {2, "146", {}}, {2, "200", {2}}, {2, "146", {}}};
        QTest::newRow("refused until changed") << MarkSteps{
            {1, "145", {2}}, {2, "14x", {}}, {0, "", {2}}, {1, "146", {2}}, {2, "14y", {}}};
    }
    void marksFollowTheText() {
        QFETCH(MarkSteps, steps);
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        win.LockLastChannel();
        for (const auto& [edit, text, red] : steps) {
            if (edit == 0) {
                w.ButProgClick();
            } else {
                win.Edit(edit)->setText(text);
            }
            for (int e = 1; e <= 4; ++e) {
                QCOMPARE(w.FieldColourOf(win.Edit(e)),
                         red.contains(e) ? FieldColour::Red : FieldColour::Window);
            }
            QCOMPARE(w.FieldColourOf(win.Edit(32)), FieldColour::ButtonFace);
        }
    }

    void tabbingIntoAFieldDoesNotMarkIt() {
        Window win;
        win.w.ButSetConfClick();
        win.FillChannels();
        QTest::mouseClick(win.Edit(29), Qt::LeftButton);
        win.Edit(3)->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(win.Edit(3)->hasFocus());
        win.w.ButClearClick();
        QCOMPARE(win.Edit(3)->text(), QString("141"));
        QVERIFY(win.Edit(29)->text().isEmpty());
        QVERIFY(!win.ChannelEmpty(13));
    }

    void enterMovesAlongTheTabOrder() {
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        win.Edit(1)->setFocus();
        QTRY_VERIFY(win.Edit(1)->hasFocus());
        QTest::keyClick(win.Edit(1), Qt::Key_Return);
        QTRY_VERIFY(win.Edit(2)->hasFocus());
        QTest::keyClick(win.Edit(2), Qt::Key_Enter);
        QTRY_VERIFY(win.Edit(3)->hasFocus());

        win.Edit(32)->setFocus();
        QTRY_VERIFY(win.Edit(32)->hasFocus());
        QTest::keyClick(win.Edit(32), Qt::Key_Return);
        QTRY_VERIFY(w.scanBoxes[0]->hasFocus());

        // Fields locked by a read-back are skipped.
        win.Edit(3)->setEnabled(false);
        win.Edit(4)->setEnabled(false);
        win.Edit(2)->setFocus();
        QTRY_VERIFY(win.Edit(2)->hasFocus());
        QTest::keyClick(win.Edit(2), Qt::Key_Return);
        QTRY_VERIFY(win.Edit(5)->hasFocus());

        // Other keys reach the field as usual.
        QTest::keyClick(win.Edit(5), Qt::Key_7);
        QCOMPARE(win.Edit(5)->text(), QString("7"));
        QTRY_VERIFY(win.Edit(5)->hasFocus());
    }

    void configurationButtonUnlocksTheTable() {
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        win.Edit(1)->setText("145");
        win.Edit(7)->setEnabled(false);
        w.SetFieldColour(win.Edit(7), FieldColour::ButtonFace);
        w.SetFieldColour(win.Edit(8), FieldColour::Red);
        w.scanBoxes[5]->setEnabled(false);
        w.ctcssBoxes[5]->setEnabled(false);
        w.ButSetConfClick();
        QCOMPARE(win.Edit(1)->text(), QString("145"));
        QVERIFY(win.Edit(7)->isEnabled());
        QCOMPARE(w.FieldColourOf(win.Edit(7)), FieldColour::Window);
        QCOMPARE(w.FieldColourOf(win.Edit(8)), FieldColour::Window);
        QVERIFY(w.scanBoxes[5]->isEnabled());
        QVERIFY(w.ctcssBoxes[5]->isEnabled());
    }

    // On each supported screen the window opens within it; from 1366 x 768
    // nothing scrolls; on smaller screens the configuration area scrolls,
    // and no value field or label is ever cut.
    void fitsTheScreen_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << false;
        QTest::newRow("1366x768") << QSize(1366, 768) << false;
        QTest::newRow("1280x720") << QSize(1280, 720) << true;
        QTest::newRow("1024x600") << QSize(1024, 600) << true;
    }
    void fitsTheScreen() {
        QFETCH(QSize, screen);
        QFETCH(bool, scrolls);
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        w.RG4Band->SetItemIndex(1); // the band limit fields shown too
        w.FitToScreen(QRect(QPoint(0, 0), screen));
        QApplication::processEvents();
        QVERIFY(w.width() <= screen.width() && w.height() <= screen.height());
        QVERIFY(w.width() * 2 > screen.width() || w.width() == w.NaturalSize().width());
        const bool scrolled = w.ScrollClient->horizontalScrollBar()->isVisible() ||
                              w.ScrollClient->verticalScrollBar()->isVisible();
        QCOMPARE(scrolled, scrolls);
        QVERIFY(w.ButExit->geometry().bottom() < w.PanButton->height());
        QVERIFY(w.ButExit->height() >= w.ButExit->sizeHint().height() / 2);

        // Every value shows whole: the longest frequency and tone.
        for (QLineEdit* edit : w.channelEdits) {
            edit->setText("145,0125");
            QVERIFY2(edit->width() >= edit->fontMetrics().horizontalAdvance("145,0125") + 4,
                     qPrintable(edit->objectName()));
        }
        for (ChoiceBox* tone : w.ctcssBoxes) {
            QVERIFY(tone->width() >= tone->fontMetrics().horizontalAdvance("250,3") + 4 +
                                         tone->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
        }
        // No label, option or check box cuts its text.
        for (QWidget* widget : w.findChildren<QWidget*>()) {
            QString text;
            int room = widget->width();
            if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap()) {
                text = label->text();
                room = label->contentsRect().width();
            } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                text = button->text();
                room = button->width() - (qobject_cast<QPushButton*>(button) ? 0 : 20);
            }
            text.remove('&'); // a mnemonic's mark is drawn as an underline
            if (!text.isEmpty() && widget->isVisibleTo(&w)) {
                QVERIFY2(widget->fontMetrics().horizontalAdvance(text) <= room,
                         qPrintable(widget->objectName() + ": " + text));
            }
        }
        for (QWidget* box : std::initializer_list<QWidget*>{w.CheckBoxProtect, w.RG6Setka}) {
            QCOMPARE(box->font().pixelSize(), 18);
        }
    }

    // Alt+letter does the same under a Latin keyboard layout, on the key in
    // the Russian letter's place; every Russian mnemonic has such a key.
    void alternateLettersUnderALatinLayout_data() {
        QTest::addColumn<bool>("journalView");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focused");
        QTest::newRow("Alt+R: Конфигурация") << false << int(Qt::Key_R) << "ButSetConf";
        QTest::newRow("Alt+К: Конфигурация") << false << 0x41A << "ButSetConf";
        QTest::newRow("Alt+H: Радиостанция") << true << int(Qt::Key_H) << "EditRadio";
        QTest::newRow("Alt+A: Файл конфигурации") << true << int(Qt::Key_A) << "EditConfig";
        QTest::newRow("Alt+Y: Найти") << true << int(Qt::Key_Y) << "ButFind";
    }
    void alternateLettersUnderALatinLayout() {
        QFETCH(bool, journalView);
        QFETCH(int, key);
        QFETCH(QString, focused);
        Window win;
        TJournal& view = *win.w.JournalWindow;
        view.EditRadio->setObjectName("EditRadio");
        view.EditConfig->setObjectName("EditConfig");
        view.ButFind->setObjectName("ButFind");
        QWidget* window = &win.w;
        if (journalView) {
            win.w.ShowJournal();
            window = &view;
        }
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        for (QWidget* each : {static_cast<QWidget*>(&win.w), static_cast<QWidget*>(&view)}) {
            for (const auto* button : each->findChildren<QAbstractButton*>()) {
                const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
                if (mnemonic.isEmpty()) {
                    continue;
                }
                const QChar letter(mnemonic[0].key());
                bool onAKey = letter.unicode() < 0x400;
                for (int k = 0; k < 0x80 && !onAKey; ++k) {
                    onAKey = RussianLetterOnKey(k) == letter;
                }
                QVERIFY2(onAKey, qPrintable(button->text()));
            }
        }
        const Qt::KeyboardModifiers modifiers =
            Qt::AltModifier |
            (QTest::currentDataTag()[4] == 'S' ? Qt::ShiftModifier : Qt::NoModifier);
        // As the window system gives it: the key and the letter it types.
        const QChar typed = QChar(key).toLower();
        QTest::sendKeyEvent(QTest::Click, window->focusWidget() ? window->focusWidget() : window,
                            Qt::Key(key), QString(typed), modifiers);
        QTRY_COMPARE(window->focusWidget() ? window->focusWidget()->objectName() : QString(),
                     focused);
        if (focused == "ButSetConf") {
            QTRY_VERIFY(!win.w.PanClient->isHidden()); // pressed
        }
    }

    // Enter or keypad Enter on a focused button presses it, as Space does.
    void enterPressesAFocusedButton() {
        Window win;
        for (const auto& [key, modifiers] :
             {std::pair{Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}}) {
            win.w.Guide->hide();
            win.w.ButHelp->setFocus();
            QTest::keyClick(win.w.ButHelp, key, modifiers);
            QVERIFY(win.w.Guide->isVisible());
        }
        win.w.Guide->hide();
        win.w.DisableCommands();
        QTest::keyClick(win.w.ButHelp, Qt::Key_Return);
        QVERIFY(!win.w.Guide->isVisible());
    }

    // A box shown while the mouse press on a button moves the focus takes the
    // release: the button must not stay drawn pressed, nor click later.
    void buttonNotLeftPressedByABox() {
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        win.FocusWrongLowerLimit();
        QTest::mousePress(w.ButHelp, Qt::LeftButton);
        QCOMPARE(win.dialogs.boxes.size(), std::size_t(1)); // the limit message
        QVERIFY(!w.ButHelp->isDown());
        QTest::mouseRelease(w.ButHelp, Qt::LeftButton);
        QApplication::processEvents();
        QVERIFY(!w.ButHelp->isDown());
        QCOMPARE(win.dialogs.boxes.size(), std::size_t(1));
        QVERIFY(!w.Guide->isVisible()); // Help did not run
        w.EditFrec1->setText("150");    // with a good value the next click works
        QTest::mouseClick(w.ButHelp, Qt::LeftButton);
        QVERIFY(w.Guide->isVisible());
        QTest::keyClick(&w, Qt::Key_J, Qt::ControlModifier);
        QVERIFY(w.JournalWindow->isVisible());
    }

    // A wrong limit keeps the operator in its field, but for the one way
    // out that makes limits moot: choosing the preset band.
    void presetBandLeavesAWrongLimit() {
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        win.FocusWrongLowerLimit();
        QTest::mouseClick(w.RG4Band->Button(0), Qt::LeftButton);
        QApplication::processEvents();
        QVERIFY(win.dialogs.boxes.empty());
        QCOMPARE(w.RG4Band->ItemIndex(), 0);
        QVERIFY(!w.EditFrec1->isVisible() && w.EditFrec1->text().isEmpty());

        win.FocusWrongLowerLimit();
        QTest::mouseClick(w.RG4Band->Button(1), Qt::LeftButton); // not a way out
        QCOMPARE(win.dialogs.boxes.size(), std::size_t(1));
        QCOMPARE(win.dialogs.Last().text, QString(msg::kLowerOut160));
        QTRY_VERIFY(w.EditFrec1->hasFocus());

        // Esc is the keyboard's way out.
        QTest::keyClick(w.EditFrec1, Qt::Key_Escape);
        QApplication::processEvents();
        QCOMPARE(win.dialogs.boxes.size(), std::size_t(1));
        QCOMPARE(w.RG4Band->ItemIndex(), 0);
        QVERIFY(!w.EditFrec1->isVisible());
        QVERIFY(w.RG4Band->Button(0)->hasFocus());
    }

    // The keys: a mnemonic on every command and group, the usual shortcuts,
    // and Tab into an option group on its checked item.
    void keyboard() {
        Window win;
        TFUser& w = win.w;
        const struct {
            QKeyCombination key;
            QString box; // the box the key brings up
        } keys[] = {
            {Qt::CTRL | Qt::Key_Q, msg::kExitCaption},
            {Qt::CTRL | Qt::Key_S, msg::kSaveNeedsConfigCaption}, // nothing to save yet
            {Qt::ALT | Qt::Key(u'П'), msg::kProgPromptCaption}, // Программирование, cancelled
        };
        // A key with its text: Cyrillic letters have no ASCII stand-in.
        const auto press = [](QWidget* target, QKeyCombination key) {
            const QString text = key.key() > 0x7F && key.key() < 0x10000
                                     ? QString(QChar(static_cast<char16_t>(key.key())))
                                     : QString();
            QTest::sendKeyEvent(QTest::Press, target, key.key(), text, key.keyboardModifiers());
            QTest::sendKeyEvent(QTest::Release, target, key.key(), text, key.keyboardModifiers());
        };
        for (const auto& [key, box] : keys) {
            win.dialogs.answers = {BoxResult::Cancel};
            const std::size_t before = win.dialogs.boxes.size();
            press(&w, key); // a mnemonic clicks a moment later, as a mouse click shows
            QTRY_VERIFY2(
                win.dialogs.boxes.size() > before && win.dialogs.Last().title == box,
                qPrintable(win.dialogs.boxes.empty() ? "no box" : win.dialogs.Last().title));
        }
        QTest::keyClick(&w, Qt::Key_F1);
        QVERIFY(w.Guide->isVisible());
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(win.dialogs.fileDialogs.size(), std::size_t(1));
        press(&w, Qt::ALT | Qt::Key(u'К')); // Конфигурация
        QTRY_VERIFY(w.PanClient->isVisible());
        QVERIFY(w.ButSetConf->text().contains('&') && w.ButRead->text().contains('&'));
        press(&w, Qt::ALT | Qt::Key(u'Я')); // Версия
        QTRY_VERIFY(w.ComboBoxVer->hasFocus());
        // Up the column from Конфигурация: Тест, never round to Очистить каналы памяти.
        w.ButSetConf->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.ButSetConf, Qt::Key_Backtab);
        QVERIFY(w.ButTest->hasFocus());

        w.RG3FrTon->SetItemIndex(1);
        w.RG2Type->Button(0)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(w.RG3FrTon->Button(1)->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // nothing changes
        QCOMPARE(w.RG3FrTon->ItemIndex(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // the arrows choose
        QCOMPARE(w.RG3FrTon->ItemIndex(), 0);
        QVERIFY(w.RG3FrTon->Button(0)->hasFocus());

        // From a channel's field to Программирование by Tab, as measured for the operator.
        w.channelEdits[0]->setFocus(Qt::TabFocusReason);
        int presses = 0;
        while (!w.ButProg->hasFocus() && presses < 200) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ++presses;
        }
        qInfo("Tab presses from channel 1 to Программирование: %d", presses);
        QVERIFY(w.ButProg->hasFocus());
    }

    // On a small screen the field the focus moves to comes into view, by
    // Enter as by Tab.
    void focusedFieldScrollsIntoView() {
        Window win;
        TFUser& w = win.w; // shown and active
        w.ButSetConfClick();
        w.FitToScreen(QRect(0, 0, 1024, 600));
        QApplication::processEvents();
        QLineEdit* last = win.Edit(32);
        QVERIFY(w.ScrollClient->verticalScrollBar()->isVisible());
        const auto shown = [&] {
            const QRect inView(last->mapTo(w.ScrollClient->viewport(), QPoint(0, 0)), last->size());
            return w.ScrollClient->viewport()->rect().contains(inView);
        };
        QVERIFY(!shown());
        last->setFocus(Qt::OtherFocusReason); // as Enter moves it
        QApplication::processEvents();
        QVERIFY(shown());
    }

    // Behind a command's prompts the picture asks nothing of the operator,
    // and shows from its left edge whatever the table was scrolled to.
    void pictureBehindACommand() {
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        w.FitToScreen(QRect(0, 0, 1024, 600));
        QApplication::processEvents();
        w.ScrollClient->horizontalScrollBar()->setValue(100);
        const QImage first = w.Image1->pixmap().toImage();
        w.HideConfig();
        QCOMPARE(w.ScrollClient->horizontalScrollBar()->value(), 0);
        QVERIFY(w.Image1->pixmap().toImage() != first);
        QCOMPARE(w.Image1->pixmap().toImage(), MainPicture(false).toImage());
    }

    // Every Tab stop is a control the operator sees; the first one has the
    // focus from the start.
    void noInvisibleTabStops() {
        Window win;
        TFUser& w = win.w; // shown and active
        QVERIFY(QApplication::focusWidget() != nullptr);
        QWidget* start = QApplication::focusWidget();
        QWidget* stop = start;
        for (int i = 0; i < 40; ++i) {
            QVERIFY2(stop->isVisible() && qobject_cast<QAbstractButton*>(stop) != nullptr,
                     qPrintable(stop->objectName()));
            stop = stop->nextInFocusChain();
            while (stop != start && !(stop->focusPolicy() & Qt::TabFocus && stop->isVisible() &&
                                      stop->isEnabled() && stop->window() == &w)) {
                stop = stop->nextInFocusChain();
            }
            if (stop == start) {
                break;
            }
        }
    }

    void channelTableProportion() {
        Window win;
        TFUser& w = win.w;
        w.ButSetConfClick();
        w.resize(1400, 800);
        QApplication::processEvents();
        const int width = w.PanChanCTC->width();
        QCOMPARE(w.GBoxChanell->width(), width * 50 / 81);
        QCOMPARE(w.GBoxCTC->x(), width * 50 / 81);
        QCOMPARE(w.GBoxCTC->width(), width - width * 50 / 81);
    }

    void commandColumnLock() {
        Window win;
        win.w.DisableCommands();
        QVERIFY(!win.w.ButProg->isEnabled());
        QVERIFY(!win.w.ButExit->isEnabled());
        win.w.EnableCommands();
        QVERIFY(win.w.ButProg->isEnabled());
    }

    void exitAsksAndCancelKeepsRunning() {
        Window win;
        win.dialogs.answers = {BoxResult::Cancel};
        win.w.ButExitClick();
        QCOMPARE(win.dialogs.Last().text, QString("Завершить приложение ?"));
        QCOMPARE(win.dialogs.Last().title, QString(" Подтвердите выход"));
        QCOMPARE(win.dialogs.Last().icon, BoxIcon::Question);
        QCOMPARE(win.dialogs.Last().buttons, BoxButtons::OkCancel);
        QVERIFY(win.w.isVisible());
        win.w.Form1->show();
        win.w.ButExitClick();
        QVERIFY(!win.w.isVisible());
        QVERIFY(!win.w.Form1->isVisible());
    }

    // The program closing itself asks nothing; the window system's close
    // box asks as Выход does.
    void closingAsksNothing() {
        Window win;
        win.w.Form2->show();
        win.w.close();
        QVERIFY(win.dialogs.boxes.empty());
        QVERIFY(!win.w.Form2->isVisible());
    }

    void closeBoxAsksToExit() {
        Window win;
        for (const BoxResult answer : {BoxResult::Cancel, BoxResult::Ok}) {
            win.dialogs.answers = {answer};
            QCloseEvent event;
            win.w.WindowCloseBox(&event);
            QCOMPARE(win.dialogs.Last().text, QString(msg::kExitQuestion));
            QCOMPARE(event.isAccepted(), answer == BoxResult::Ok);
        }
    }

    // Помощь opens the operator's guide beside the window, no box.
    void helpOpensTheGuide() {
        Window win;
        win.w.ButHelpClick();
        QVERIFY(win.dialogs.boxes.empty());
        QVERIFY(win.w.Guide->isVisible());
        QCOMPARE(win.w.Guide->windowTitle(), QString("Руководство оператора"));
        const QString text = win.w.Guide->Text->toPlainText();
        for (const char* part : {"Программирование", "Журнал", "Файлы", "Несколько программаторов",
                                 "Типичные неисправности", "Alt+П"}) {
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        }
        QVERIFY(!text.contains("000-00-00"));
    }

    void versionTexts_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("4.1.0")
            << 0 << "Версия 4.1.0"
            << " Программное обеспечение 4.1.0 предназначено для программирования \n"
               " возимых радиостанций ЗЕКТ Р-1 и ЗЕКТ Р-2 с управлением на \n"
               " микроконтроллере PIC16F877 и синтезатором частот на LMX2306. \n"
               " Серийный выпуск - с января 2004 года. ";
        QTest::newRow("6.1.0")
            << 1 << "Версия 6.1.0"
            << " Программное обеспечение 6.1.0 предназначено для программирования \n"
               " возимых радиостанций ЗЕКТ Р-1M и ЗЕКТ Р-2M (БЕЗ переключения \n"
               " уровня мощности) с управлением на микроконтроллере PIC16F877 \n"
               " и синтезатором частот на MC145170. \n"
               " Серийный выпуск - с февраля 2006 года. ";
        QTest::newRow("6.1.1")
            << 2 << "Версия 6.1.1"
            << " Программное обеспечение 6.1.1 предназначено для программирования \n"
               " возимых радиостанций ЗЕКТ Р-1M и ЗЕКТ Р-2M (С переключением \n"
               " уровня мощности) с управлением на микроконтроллере PIC16F877 \n"
               " и синтезатором частот на MC145170. \n"
               " Серийный выпуск - с сентября 2007 года (апрель 2008). ";
    }
    void versionTexts() {
        QFETCH(int, version);
        QFETCH(QString, title);
        QFETCH(QString, text);
        Window win;
        win.w.ComboBoxVer->SetItemIndex(version);
        win.w.ButDetailClick();
        QCOMPARE(win.dialogs.Last().title, title);
        QCOMPARE(win.dialogs.Last().text, text);
        QCOMPARE(win.dialogs.Last().icon, BoxIcon::Information);
        QVERIFY(!text.contains(QChar(0x041C))); // the model suffix is the Latin M
    }

    void noVersionNoDetails() {
        Window win;
        win.w.ComboBoxVer->SetItemIndex(-1);
        win.w.ButDetailClick();
        QVERIFY(win.dialogs.boxes.empty());
    }

    void testButtonAgainstTheSimulatedUnit() {
        Window win;
        TFUser& w = win.w;
        win.Edit(1)->setText("145");
        w.ButTestClick();
        QCOMPARE(win.dialogs.Last().text,
                 QString("Тестирование USB-программатора завершено успешно!"));
        QCOMPARE(win.dialogs.Last().title, QString("Тест"));
        QCOMPARE(win.dialogs.Last().icon, BoxIcon::None);
        QVERIFY(!w.Link().IsOpen());

        win.driver.Unplug();
        w.ButTestClick();
        QCOMPARE(
            win.dialogs.Last().text,
            QString("Ошибка тестирования USB-программатора.\nПроверьте подключение USB-кабеля и "
                    "питание программатора."));
        QCOMPARE(win.dialogs.Last().title, QString("Ошибка теста"));
        QCOMPARE(win.dialogs.Last().icon, BoxIcon::Error);
        QVERIFY(!w.PanClient->isVisible());
        QCOMPARE(win.Edit(1)->text(), QString("145"));
        QCOMPARE(w.Image().ProgramMemory()[0], 0x3FFF);
    }

    void escapingErrorIsShownAndTheWindowStaysUsable() {
        Window win;
        win.w.Guarded([] { throw std::runtime_error("'x' is not a valid floating point value"); });
        QCOMPARE(win.dialogs.Last().text, QString("'x' is not a valid floating point value"));
        QCOMPARE(win.dialogs.Last().icon, BoxIcon::Error);
        win.w.ButSetConfClick();
        QVERIFY(win.w.PanClient->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
