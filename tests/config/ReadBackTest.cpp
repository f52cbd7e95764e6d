#include "ReadBack.h"

#include "ConfigBuilder.h"
#include "Project.h"
#include "ReferenceImages.h"

#include <QtTest>

using namespace zekt;

namespace {

class Yes : public BuildQuestions {
public:
    std::optional<std::string> ChooseFirmwareFile() override { return reference::kFirmwareB; }
    bool ConfirmReadProtection() override { return true; }
};

// An image as a read-back leaves it: the reference configuration built into
// a blanked image (what the radio holds after programming).
Project ProgrammedImage(const RadioConfig& config, const ProgDate& date) {
    Project image;
    Yes yes;
    BuildConfigurationData(config, image);
    BuildIdentification(config, image, date, "", yes);
    return image;
}

// A radio image filled by hand: firmware mark, dates and channel bytes.
Project RadioImage(int mark) {
    Project image;
    image.IdWords() = {mark, 0x17D8, 0x1CA0, 0x0000};
    image.ProgramMemory()[0x1FF2] = 0x2D;
    image.ProgramMemory()[0x1FFF] = 0x01;
    return image;
}

void PutChannel(Project& image, int n, int tx, int rx) {
    const int w = 0x1F00 + 4 * n;
    image.ProgramMemory()[w] = rx >> 8;
    image.ProgramMemory()[w + 1] = rx & 0xFF;
    image.ProgramMemory()[w + 2] = tx >> 8;
    image.ProgramMemory()[w + 3] = tx & 0xFF;
}

} // namespace

class ReadBackTest : public QObject {
    Q_OBJECT

private slots:
    void referenceA_decodesToTheSameConfiguration() {
        const Project image = ProgrammedImage(reference::ConfigA(), reference::kDateA);
        QVERIFY(!RadioBlank(image));
        QVERIFY(!ProgrammedByOldUnit(image));
        QVERIFY(!OldFirmware(image));
        const ReadBackPanels out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(out.config, reference::ConfigA());
        QCOMPARE(out.firstEmpty, 4);
        QVERIFY(out.readProtected);
        QVERIFY(!out.constructionMismatch);
        QCOMPARE(out.toneTexts[0], std::string("82,5"));
        QCOMPARE(out.toneTexts[2], std::string("131,8"));
        QCOMPARE(QString::fromStdString(out.summary),
                 QString("  Прочитанная конфигурация радиостанции:\n\n"
                         "  Тип радиостанции : полный вариант\n"
                         "  Дата последнего программирования : 05.07.2008 г.\n"
                         "  Конструктивный вариант ПО : PIC16F877 и MC145170\n"
                         "  Код программы в реестре : 0001\n"
                         "  Специальные отметки : нет\n"
                         "  Остальная информация расположена на панелях."));
    }

    void referenceB_decodesToTheSameConfiguration() {
        const Project image = ProgrammedImage(reference::ConfigB(), reference::kDateB);
        RadioConfig panels;
        panels.version = kVersion611; // construction 4 decides, not the panels
        const ReadBackPanels out = DecodeReadBack(image, panels);
        QCOMPARE(out.config, reference::ConfigB());
        QVERIFY(!out.readProtected);
        QCOMPARE(QString::fromStdString(out.summary),
                 QString("  Прочитанная конфигурация радиостанции:\n\n"
                         "  Тип радиостанции : только каналы памяти\n"
                         "  Дата последнего программирования : 31.12.2009 г.\n"
                         "  Конструктивный вариант ПО : PIC16F877 и LMX2306\n"
                         "  Код программы в реестре : 0003\n"
                         "  Специальные отметки : версия 6.1.1, но с возможностью работы на 38 "
                         "частотах CTCSS\n"
                         "  Остальная информация расположена на панелях."));
    }

    void checksBeforeDecoding() {
        Project blank;
        blank.IdWords()[0] = 0x3FFF;
        QVERIFY(RadioBlank(blank));
        Project old = RadioImage(0x00D1);
        QVERIFY(ProgrammedByOldUnit(old));
        QVERIFY(!OldFirmware(old));
        old.ProgramMemory()[0x1FFF] = 0x3FFF;
        QVERIFY(OldFirmware(old));
        Project noPage = RadioImage(0x10D1);
        noPage.ProgramMemory()[0x1FF2] = 0x3FFF;
        QVERIFY(OldFirmware(noPage));
    }

    // Channels 0-4 filled, 5 empty, 6-7 filled: the boxes from channel 5 on
    // are cleared, those of 6 and 7 too.
    void firstEmptyChannelEndsScanAndTones() {
        Project image = RadioImage(0x10D1);
        for (int n = 0; n < 8; ++n) {
            if (n != 5) {
                PutChannel(image, n, 46404, 39556);
            } else {
                PutChannel(image, n, 0xFFFF, 0xFFFF);
            }
            image.ProgramMemory()[0x1F40 + n] = 0xC1;
            image.DataMemory()[0x40 + n] = 0xC1;
            image.DataMemory()[0x51 + n] = 3;
        }
        for (int n = 8; n < 16; ++n) {
            PutChannel(image, n, 0xFFFF, 0xFFFF);
        }
        const ReadBackPanels out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(out.firstEmpty, 6);
        QVERIFY(out.channelEmpty[5]);
        QVERIFY(!out.channelEmpty[6]);
        QCOMPARE(out.config.channels[6].tx, std::string("145,0125"));
        for (int n = 0; n < 16; ++n) {
            QCOMPARE(out.BoxesEnabled(n), n < 5);
            QCOMPARE(out.config.channels[n].scan, n < 5);
            QCOMPARE(out.config.channels[n].ctcss, n < 5 ? 3 : -1);
            QCOMPARE(out.toneTexts[n], std::string(n < 5 ? "77" : ""));
        }
    }

    void allChannelsFilled() {
        Project image = RadioImage(0x10D1);
        for (int n = 0; n < 16; ++n) {
            PutChannel(image, n, 46404 + n, 39556 + n);
            image.ProgramMemory()[0x1F40 + n] = n % 2;
            image.DataMemory()[0x40 + n] = 0; // the data copy is not used while flags are present
        }
        const ReadBackPanels out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(out.firstEmpty, 17);
        QVERIFY(out.BoxesEnabled(15));
        QCOMPARE(out.config.channels[15].scan, true);
        QCOMPARE(out.config.channels[14].scan, false);
    }

    void toneCodesBeyondTheList() {
        Project image = RadioImage(0x10D1);
        PutChannel(image, 0, 46404, 39556);
        PutChannel(image, 1, 46404, 39556);
        PutChannel(image, 2, 0xFFFF, 0xFFFF);
        image.DataMemory()[0x40] = 0x80;
        image.DataMemory()[0x51] = 0xD4; // code 20 after masking
        image.DataMemory()[0x41] = 0xC0;
        image.DataMemory()[0x52] = 45; // no such tone
        const ReadBackPanels out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(out.toneTexts[0], std::string("136,5"));
        QCOMPARE(out.config.channels[0].ctcss, -1); // the list has no item for it
        QCOMPARE(out.toneTexts[1], std::string());
        QCOMPARE(out.config.channels[1].ctcss, -1);
    }

    void constructionCodes_data() {
        QTest::addColumn<int>("mark");
        QTest::addColumn<int>("panelVersion");
        QTest::addColumn<int>("finalVersion");
        QTest::addColumn<bool>("mismatch");
        QTest::addColumn<QString>("construction");
        QTest::newRow("0") << 0x1000 << 2 << -1 << true << "PIC16F84 и PMB2306";
        QTest::newRow("1") << 0x1020 << 2 << -1 << true << "PIC16F628 и PMB2306";
        QTest::newRow("2") << 0x1040 << 0 << -1 << true << "PIC16F628 и PMB2341";
        QTest::newRow("3") << 0x1060 << 1 << -1 << true << "PIC16F628 и LMX2306";
        QTest::newRow("4") << 0x1080 << 2 << 0 << false << "PIC16F877 и LMX2306";
        QTest::newRow("5 keeps the panel's version")
            << 0x10A0 << 1 << 1 << false << "некорректное чтение индивидуальной метки";
        QTest::newRow("6") << 0x10C0 << 0 << 1 << false << "PIC16F877 и MC145170";
        QTest::newRow("6 with code 1") << 0x10C1 << 0 << 2 << false << "PIC16F877 и MC145170";
        QTest::newRow("7 keeps the panel's version")
            << 0x10E0 << -1 << -1 << false << "некорректное чтение индивидуальной метки";
        QTest::newRow("st613 ends on 6.1.0") << 0x10D3 << 2 << 1 << false << "PIC16F877 и MC145170";
        QTest::newRow("rpt611 ends on 6.1.1")
            << 0x10D7 << 0 << 2 << false << "PIC16F877 и MC145170";
        QTest::newRow("code 8 on construction 4")
            << 0x1088 << 0 << 2 << false << "PIC16F877 и LMX2306";
    }
    void constructionCodes() {
        QFETCH(int, mark);
        QFETCH(int, panelVersion);
        QFETCH(int, finalVersion);
        QFETCH(bool, mismatch);
        QFETCH(QString, construction);
        RadioConfig panels;
        panels.version = panelVersion;
        const ReadBackPanels out = DecodeReadBack(RadioImage(mark), panels);
        QCOMPARE(out.config.version, finalVersion);
        QCOMPARE(out.constructionMismatch, mismatch);
        QCOMPARE(QString::fromStdString(ConstructionText((mark >> 5) & 7)), construction);
    }

    // The decoding rule is the version before the final one: st613 on 6.1.1
    // decodes with the 6.1.x rule.
    void channelRuleFollowsTheConstruction() {
        Project image = RadioImage(0x10D3);
        PutChannel(image, 0, 18304, 14880); // 57,2 / 57,2 on 6.1.x
        RadioConfig panels;
        panels.version = kVersion410;
        const ReadBackPanels out = DecodeReadBack(image, panels);
        QCOMPARE(out.config.channels[0].rx, std::string("57,2"));

        Project fourOne = RadioImage(0x1093);
        PutChannel(fourOne, 0, 18304, 14880);
        QCOMPARE(DecodeReadBack(fourOne, RadioConfig{}).config.channels[0].rx, std::string("35,8"));
    }

    void otherUserFirmwareGivesTheShortSummary() {
        Project image = RadioImage(0x109F);
        const ReadBackPanels out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(QString::fromStdString(out.summary),
                 QString("  Прочитанная конфигурация радиостанции:\n\n"
                         "  Тип радиостанции : полный вариант\n"
                         "  Дата последнего программирования : 05.07.2008 г.\n"
                         "  Код программы в реестре : НЕ ОТМЕЧЕН\n"
                         "  Специальные отметки : НЕСТАНДАРТНОЕ ПО!\n"
                         "  Остальная информация расположена на панелях."));
    }

    void channelsFromTheDataEepromWhenThePageIsEmpty_data() {
        QTest::addColumn<int>("pageWord");
        QTest::newRow("page word 0") << 0;
        QTest::newRow("page word blank") << 0x3FFF;
    }
    void channelsFromTheDataEepromWhenThePageIsEmpty() {
        QFETCH(int, pageWord);
        Project image = RadioImage(0x10D1);
        image.ProgramMemory()[0x1F00] = pageWord;
        auto& d = image.DataMemory();
        d[0] = 0x9A, d[1] = 0x84, d[2] = 0xB5, d[3] = 0x44;             // 145,0125
        d[0xEC] = 0x9C, d[0xED] = 0x60, d[0xEE] = 0xB7, d[0xEF] = 0x20; // copy: 146,5
        d[4] = 0x9A, d[5] = 0x84, d[6] = 0xB5, d[7] = 0x44;
        ReadBackPanels out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(out.config.channels[0].tx, std::string("146,5"));
        QCOMPARE(out.config.channels[1].tx, std::string("145,0125"));
        d[0xEE] = 0xFF;
        d[0xEF] = 0xFF;
        out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(out.config.channels[0].tx, std::string("145,0125"));
    }

    void withoutTypeFlagsTheDataCopyDecides() {
        Project image = RadioImage(0x10D1);
        image.ProgramMemory()[0x1FFF] = 0x3FFF;
        image.DataMemory()[0xFF] = 0x40; // type bit clear: memory channels only
        PutChannel(image, 0, 46404, 39556);
        image.ProgramMemory()[0x1F40] = 0x01;
        image.DataMemory()[0x40] = 0x00;
        const ReadBackPanels out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(out.config.radioType, 1);
        QCOMPARE(out.config.channels[0].scan, false);
    }

    void presetBandKeepsThePanelLimits() {
        RadioConfig panels;
        panels.bandLow = std::string("41");  // not a literal: GCC 12 -O3 false -Wrestrict
        panels.bandHigh = std::string("47"); // not a literal: GCC 12 -O3 false -Wrestrict
        const ReadBackPanels out = DecodeReadBack(RadioImage(0x10D1), panels);
        QCOMPARE(out.config.bandLow, std::string("41"));
        QCOMPARE(out.config.bandHigh, std::string("47"));
    }

    void optionWordFields() {
        Project image = RadioImage(0x10D1);
        image.IdWords()[3] = 0x3000 | 0x200 | 0x80 | 0x10 | 0x08 | 0x04;
        image.DataMemory()[0xF2] = 0x47;
        image.DataMemory()[0xF3] = 0x40;
        image.DataMemory()[0xF4] = 0xD9;
        image.DataMemory()[0xF5] = 0x80;
        const ReadBackPanels out = DecodeReadBack(image, RadioConfig{});
        QCOMPARE(out.config.mainBand, 6); // the panels select their last item
        QCOMPARE(out.config.tonePair, 1);
        QCOMPARE(out.config.bandMode, 1);
        QCOMPARE(out.config.software, 1);
        QCOMPARE(out.config.gridStep, 1);
        QCOMPARE(out.config.radioType, 0); // from the type flags, not the option word
        QCOMPARE(out.config.bandLow, std::string("57"));
        QCOMPARE(out.config.bandHigh, std::string("174"));
    }
};

QTEST_APPLESS_MAIN(ReadBackTest)
#include "ReadBackTest.moc"
