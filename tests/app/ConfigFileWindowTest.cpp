#include "ConfigFile.h"
#include "ConfigMessages.h"
#include "FileMessages.h"
#include "FrequencyCodec.h"
#include "ReferenceImages.h"
#include "ScriptedDialogs.h"
#include "SimulatedDriver.h"
#include "TFUser.h"
#include "TempFiles.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

using namespace zekt;

namespace {

struct Bench {
    SimulatedDriver driver;
    ScriptedDialogs dialogs;
    TempFiles files;
    std::unique_ptr<TFUser> w = NewWindow();

    std::unique_ptr<TFUser> NewWindow() {
        auto window = std::make_unique<TFUser>(std::make_unique<USB_Prog>(driver), &dialogs);
        window->show();
        return window;
    }
    QString Path(const char* name) { return QString::fromStdString(files.Path(name)); }
    QByteArray Contents(const char* name) {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void Save(const char* name) {
        dialogs.files << Path(name);
        w->ButWrFileClick();
    }
    void Load(const char* name) {
        dialogs.files << Path(name);
        w->ButRdFileClick();
    }
    void WriteText(const char* name, const std::string& text) { files.Write(name, text); }
};

std::string FileWith(const char* options, const char* value) {
    std::string text = std::string(options) + "\r\n";
    for (int r = 0; r < 16; ++r) {
        for (int k = 0; k < 16; ++k) {
            text += std::string(value) + " ";
        }
        text += "\r\n";
    }
    return text;
}

} // namespace

class ConfigFileWindowTest : public QObject {
    Q_OBJECT

private slots:
    void savingNeedsThePanels() {
        Bench b;
        b.w->ButWrFileClick();
        QCOMPARE(b.dialogs.Last().text, QString(msg::kSaveNeedsConfig));
        QCOMPARE(b.dialogs.Last().title, QString(" Конфигурация радиостанции не установлена"));
        QCOMPARE(b.dialogs.Last().icon, BoxIcon::Question);
        QVERIFY(b.dialogs.fileDialogs.empty());
    }

    void dialogsOfSavingAndLoading() {
        Bench b;
        b.w->startDir = b.Path("");
        b.w->ButSetConfClick();
        b.w->ButWrFileClick(); // cancelled
        b.w->ButRdFileClick(); // cancelled
        QCOMPARE(b.dialogs.fileDialogs.size(), std::size_t(2));
        QCOMPARE(b.dialogs.fileDialogs[0].filter, QString("файл конфигурации (*.prg)|*.prg"));
        QCOMPARE(b.dialogs.fileDialogs[1].filter,
                 QString("файл конфигурации (*.prg)|*.prg|все файлы|*.*"));
        for (const auto& request : b.dialogs.fileDialogs) {
            QCOMPARE(request.fileName, QString("*.prg"));
            QCOMPARE(request.initialDir, b.Path(""));
        }
        QVERIFY(b.dialogs.boxes.empty());
    }

    void roundTripThroughSaveAndLoad() {
        Bench b;
        b.w->ButSetConfClick();
        RadioConfig saved = reference::ConfigA();
        saved.channels[4] = {"57,2", "57,2", 11, true};
        saved.channels[9] = {"160", "160,5", -1, true};
        saved.channels[12] = {"30", "30", -1, false}; // no radio tunes there: loads, marked
        saved.channels[13] = {"150", "", -1, false};  // half-made: loads, its gap marked
        b.w->SetRadioConfig(saved);
        b.Save("radio.prg");
        QVERIFY(b.dialogs.boxes.empty()); // no message on success
        QVERIFY(b.Contents("radio.prg").startsWith("0 4 0 0 1 1 2\r\n009a 0084 00b5 0044 "));

        b.w = b.NewWindow();
        b.Load("radio.prg");
        QVERIFY(b.dialogs.boxes.empty());
        QVERIFY(b.w->PanClient->isVisible());
        // bandMode and the limits are not part of the file.
        QCOMPARE(b.w->GetRadioConfig(), saved);
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[24]), FieldColour::Red);
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[27]), FieldColour::Red);
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[26]), FieldColour::Window);
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[18]), FieldColour::Window);
    }

    void bandLimitsAreNotInTheFile() {
        Bench b;
        b.w->ButSetConfClick();
        RadioConfig saved = reference::ConfigB();
        saved.software = 0;
        b.w->SetRadioConfig(saved);
        b.Save("b.prg");
        RadioConfig other;
        other.bandMode = 0;
        b.w->SetRadioConfig(other);
        b.Load("b.prg");
        const RadioConfig loaded = b.w->GetRadioConfig();
        QCOMPARE(loaded.bandMode, 0);
        QVERIFY(loaded.bandLow.empty());
        QCOMPARE(loaded.channels, saved.channels);
        QCOMPARE(loaded.radioType, 1);
    }

    void refusedSaveLeavesTheFileAlone() {
        Bench b;
        b.WriteText("keep.prg", "operator's file\r\n");
        b.w->ButSetConfClick();
        RadioConfig config = reference::ConfigA();
        config.channels[1].tx = std::string("5"); // not a literal: GCC 12 -O3 false -Wrestrict
        b.w->SetRadioConfig(config);
        b.Save("keep.prg");
        QCOMPARE(b.dialogs.Last().text, QString(msg::kSyntaxError));
        QCOMPARE(b.Contents("keep.prg"), QByteArray("operator's file\r\n"));
        QCOMPARE(b.w->FieldColourOf(b.w->channelEdits[2]), FieldColour::Red);

        config.channels[1].tx = "14б";
        b.w->SetRadioConfig(config);
        b.Save("keep.prg");
        QCOMPARE(b.dialogs.Last().text,
                 QString::fromStdString(ConversionErrorText("Канал 2, передача", "14б")));
        QCOMPARE(b.Contents("keep.prg"), QByteArray("operator's file\r\n"));
        QCOMPARE(b.dialogs.boxes.size(), std::size_t(2));
    }

    // Bytes an earlier read-back or file left must not come back.
    void clearedChannelStaysCleared() {
        Bench b;
        b.w->ButSetConfClick();
        b.w->SetRadioConfig(reference::ConfigA());
        b.Save("a.prg");
        b.Load("a.prg");
        b.w->channelEdits[4]->clear(); // channel 3 emptied on the panels
        b.w->channelEdits[5]->clear();
        b.w->ctcssBoxes[2]->SetItemIndex(-1);
        b.Save("a2.prg");
        b.w = b.NewWindow();
        b.Load("a2.prg");
        QVERIFY(b.w->channelEdits[4]->text().isEmpty());
        QVERIFY(b.w->channelEdits[5]->text().isEmpty());
        QCOMPARE(b.w->ctcssBoxes[2]->ItemIndex(), -1);
    }

    void creationFailureBeepsAndSays() {
        Bench b;
        b.w->ButSetConfClick();
        b.Save("no/such/folder/radio.prg");
        QCOMPARE(b.dialogs.beeps, 1);
        QCOMPARE(
            b.dialogs.Last().text,
            QString(
                "Ошибка!!! Файл  не открыт для записи, либо файл с таким именем уже существует."));
        QCOMPARE(b.dialogs.Last().title, QString("Ошибка открытия файла для записи"));
        QCOMPARE(b.dialogs.Last().icon, BoxIcon::Error);
    }

    void openingFailure() {
        Bench b;
        b.Load("absent.prg");
        QCOMPARE(b.dialogs.beeps, 1);
        QCOMPARE(b.dialogs.Last().text,
                 QString("Системная ошибка открытия файла: Файл не доступен, либо не существует."));
        QCOMPARE(b.dialogs.Last().title, QString("Ошибка открытия файла"));
        QVERIFY(!b.w->PanClient->isVisible()); // nothing shown, nothing read
    }

    void optionErrorKeepsWhatWasApplied() {
        Bench b;
        b.WriteText("bad.prg", FileWith("3 0 0 1 0 0 0", "0011"));
        b.Load("bad.prg");
        QCOMPARE(b.dialogs.Last().text, QString(msg::kFileRadioType));
        QCOMPARE(b.dialogs.Last().title, kApplicationTitle);
        QCOMPARE(b.w->RG1ProgOb->ItemIndex(), 1); // applied before the refusal
        QCOMPARE(b.w->RG2Type->ItemIndex(), 0);
        QVERIFY(b.w->PanClient->isVisible());
        QCOMPARE(b.w->Image().DataMemory()[0], 0xFF); // the data lines were not read

        b.WriteText("sw.prg", FileWith("1 0 1 2 0 0 0", "0011"));
        b.Load("sw.prg");
        QCOMPARE(b.dialogs.Last().text, QString(msg::kFileSoftware));
        QCOMPARE(b.w->RG2Type->ItemIndex(), 0);
        QCOMPARE(b.w->RG3FrTon->ItemIndex(), 1);
    }

    void typeChangeRunsItsHandler() {
        Bench b;
        b.WriteText("t.prg", FileWith("1 2 0 0 0 0 2", "00ff"));
        b.Load("t.prg");
        QVERIFY(!b.w->RG4Band->isEnabled());
        QVERIFY(!b.w->GBoxBandSelect->isEnabled());
        QCOMPARE(b.w->RG5BandMain->ItemIndex(), 2);
    }

    void versionMessageAndReadingGoesOn() {
        Bench b;
        b.w->ButSetConfClick();
        b.w->ComboBoxVer->SetItemIndex(-1);
        b.w->SetRadioConfig([] {
            RadioConfig c = reference::ConfigA();
            c.version = -1;
            return c;
        }());
        b.Save("nov.prg");
        QVERIFY(b.Contents("nov.prg").startsWith("0 4 0 0 1 1 -1\r\n"));
        b.w = b.NewWindow();
        b.Load("nov.prg");
        QCOMPARE(b.dialogs.Last().text, QString(msg::kFileVersion));
        QCOMPARE(b.w->GetRadioConfig().version, -1);
        // Decoded by the 4.1.0 rule, and saved with it too: the channels come back.
        QCOMPARE(b.w->channelEdits[0]->text(), QString("145,0125"));
        QVERIFY(b.w->CheckBoxProtect->isChecked());
    }

    void bandValuesAndProtection() {
        Bench b;
        b.WriteText("b5.prg", FileWith("0 5 0 0 7 0 2", "00ff"));
        b.Load("b5.prg");
        QVERIFY(b.dialogs.boxes.empty());
        QCOMPARE(b.w->RG5BandMain->ItemIndex(), 4);
        QVERIFY(b.w->CheckBoxProtect->isChecked());
        b.WriteText("b6.prg", FileWith("0 6 0 0 0 0 2", "00ff"));
        b.Load("b6.prg");
        QCOMPARE(b.dialogs.Last().text, QString(msg::kFileMainBand));
    }

    // A file that is not whole is refused, naming the file and the line,
    // and every panel stays as it was.
    void brokenFilesLeaveThePanels() {
        Bench b;
        b.w->ButSetConfClick();
        b.w->SetRadioConfig(reference::ConfigA());
        b.Save("a.prg");
        const std::string whole = b.Contents("a.prg").toStdString();
        const struct {
            std::string text;
            int line;
        } broken[] = {
            {"", 1},
            {"3,1 -9,89375\r\n4.1.0\r\n", 1},
            {whole.substr(0, whole.find("\r\n", whole.size() / 2)), 10},
        };
        for (const auto& [text, line] : broken) {
            b.WriteText("broken.prg", text);
            const std::size_t boxes = b.dialogs.boxes.size();
            b.Load("broken.prg");
            QCOMPARE(b.dialogs.boxes.size(), boxes + 1);
            QCOMPARE(b.dialogs.Last().text, QString::fromStdString(DescribeConfigFileDefect(
                                                b.files.Path("broken.prg"), {line})));
            QCOMPARE(b.dialogs.Last().icon, BoxIcon::Error);
            QCOMPARE(b.w->GetRadioConfig(), reference::ConfigA());
        }
    }

    void uppercaseDataReadsTheSame() {
        Bench b;
        b.w->ButSetConfClick();
        b.w->SetRadioConfig(reference::ConfigA());
        b.Save("a.prg");
        QByteArray upper = b.Contents("a.prg").toUpper();
        b.WriteText("upper.prg", upper.toStdString());
        b.w = b.NewWindow();
        b.Load("upper.prg");
        QCOMPARE(b.w->GetRadioConfig().channels, reference::ConfigA().channels);
    }
};

QTEST_MAIN(ConfigFileWindowTest)
#include "ConfigFileWindowTest.moc"
