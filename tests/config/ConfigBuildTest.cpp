#include "ChannelBand.h"
#include "ConfigBuilder.h"
#include "ConfigMessages.h"
#include "Firmware.h"
#include "FrequencyCodec.h"
#include "Project.h"
#include "ReferenceImages.h"

#include <QtTest>

using namespace zekt;
using Outcome = DataBuildResult::Outcome;
using IdOutcome = IdentificationResult::Outcome;

namespace {

// Scripted answers to the build's questions, counting what was asked.
class Answers : public BuildQuestions {
public:
    std::optional<std::string> firmware;
    bool protect = true;
    int firmwareAsked = 0;
    int protectionAsked = 0;

    std::optional<std::string> ChooseFirmwareFile() override {
        ++firmwareAsked;
        return firmware;
    }
    bool ConfirmReadProtection() override {
        ++protectionAsked;
        return protect;
    }
};

// A blanked image, as the programming commands leave it before the build.
Project BlankedImage() {
    Project image;
    image.SetStartWord(0);
    image.BlankProgramFrom(0);
    image.BlankDataFrom(0);
    return image;
}

void CompareDump(const Project& image, const char* dataDump, const char* pageDump) {
    const std::vector<int32_t> data = reference::ParseDump(dataDump);
    const std::vector<int32_t> page = reference::ParseDump(pageDump);
    QCOMPARE(data.size(), std::size_t(256));
    QCOMPARE(page.size(), std::size_t(256));
    for (int a = 0; a < 256; ++a) {
        if (image.DataMemory()[a] != data[a]) {
            QFAIL(qPrintable(QString("data EEPROM 0x%1: %2, expected %3")
                                 .arg(a, 2, 16, QChar('0'))
                                 .arg(image.DataMemory()[a], 2, 16)
                                 .arg(data[a], 2, 16)));
        }
        if (image.ProgramMemory()[kFrequencyPageWord + a] != page[a]) {
            QFAIL(qPrintable(QString("program word 0x1f%1: %2, expected %3")
                                 .arg(a, 2, 16, QChar('0'))
                                 .arg(image.ProgramMemory()[kFrequencyPageWord + a], 2, 16)
                                 .arg(page[a], 2, 16)));
        }
    }
    for (int w = 0; w < kFrequencyPageWord; ++w) {
        QCOMPARE(image.ProgramMemory()[w], 0x3FFF);
    }
}

Project BuildReference(const RadioConfig& config, const ProgDate& date, Answers& answers,
                       IdentificationResult& id) {
    Project image = BlankedImage();
    const DataBuildResult data = BuildConfigurationData(config, image);
    [&] { QCOMPARE(data.outcome, Outcome::Complete); }();
    id = BuildIdentification(config, image, date, "", answers);
    return image;
}

} // namespace

class ConfigBuildTest : public QObject {
    Q_OBJECT

private slots:
    void referenceA_standard611WithTonesAndProtection() {
        Answers answers;
        IdentificationResult id;
        const Project image = BuildReference(reference::ConfigA(), reference::kDateA, answers, id);
        QCOMPARE(id.outcome, IdOutcome::Complete);
        QCOMPARE(id.firmwareFile, std::string("WORK/St611.hex"));
        QCOMPARE(answers.firmwareAsked, 0);
        QCOMPARE(answers.protectionAsked, 1);
        CompareDump(image, reference::kDataA, reference::kPageA);
        QCOMPARE(image.IdWords()[0], reference::kIdA[0]);
        QCOMPARE(image.IdWords()[1], reference::kIdA[1]);
        QCOMPARE(image.IdWords()[2], reference::kIdA[2]);
        QCOMPARE(image.IdWords()[3], reference::kIdA[3]);
        QCOMPARE(image.ConfigWord(), reference::kConfigWordA);
    }

    void referenceB_userFileOn410WithOwnBand() {
        Answers answers;
        answers.firmware = reference::kFirmwareB;
        IdentificationResult id;
        const Project image = BuildReference(reference::ConfigB(), reference::kDateB, answers, id);
        QCOMPARE(id.outcome, IdOutcome::Complete);
        QCOMPARE(id.firmwareFile, std::string(reference::kFirmwareB));
        QCOMPARE(answers.firmwareAsked, 1);
        QCOMPARE(answers.protectionAsked, 0);
        CompareDump(image, reference::kDataB, reference::kPageB);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(image.IdWords()[k], reference::kIdB[k]);
        }
        QCOMPARE(image.ConfigWord(), reference::kConfigWordB);
    }

    void storedChannelFieldsAreListed() {
        Project image = BlankedImage();
        const DataBuildResult r = BuildConfigurationData(reference::ConfigB(), image);
        // ch2 RX is empty and is not listed.
        QCOMPARE(r.storedFields.size(), std::size_t(5));
        QCOMPARE(r.storedFields[4], (FrequencyField{FrequencyField::Kind::ChannelTx, 2}));
    }

    void allChannelsEmptyWritesNoChannelBytes() {
        RadioConfig config;
        Project image = BlankedImage();
        const DataBuildResult r = BuildConfigurationData(config, image);
        QCOMPARE(r.outcome, Outcome::Complete);
        for (int a = 0; a < 0x40; ++a) {
            QCOMPARE(image.DataMemory()[a], 0xFF);
            QCOMPARE(image.ProgramMemory()[0x1F00 + a], 0x3FFF);
        }
        for (int a = 0xEC; a < 0xF0; ++a) {
            QCOMPARE(image.DataMemory()[a], 0xFF);
        }
        QCOMPARE(image.DataMemory()[0x50], 0x00);
        QCOMPARE(image.DataMemory()[0x61], 0x00);
        QCOMPARE(image.DataMemory()[0x72], 0x10);
        QCOMPARE(image.ProgramMemory()[0x1F50], 0x00);
        QCOMPARE(image.DataMemory()[0xF1], 0xFF); // 25 kHz: the grid flag is never written as 0
        QCOMPARE(image.DataMemory()[0xF2], 0x2D); // preset 36 - 44 MHz
        QCOMPARE(image.DataMemory()[0xFB], 0xB2); // 1450/1000 Hz
    }

    void rxWithoutTxStoresOnlyRx() {
        RadioConfig config;
        config.channels[3].rx = "145,0125";
        Project image = BlankedImage();
        QCOMPARE(BuildConfigurationData(config, image).outcome, Outcome::Complete);
        QCOMPARE(image.DataMemory()[12], 0x9A);
        QCOMPARE(image.DataMemory()[13], 0x84);
        QCOMPARE(image.DataMemory()[14], 0xFF);
        QCOMPARE(image.ProgramMemory()[0x1F0E], 0x3FFF);
    }

    void invalidFrequencyStopsTheBuildAndTheToneCheckRefuses() {
        RadioConfig config = reference::ConfigA();
        for (int n = 3; n <= 5; ++n) {
            config.channels[n] = {"146", "146", 3, true};
        }
        config.channels[5].rx = std::string("5"); // not a literal: GCC 12 -O3 false -Wrestrict
        config.channels[6] = {"147", "147", -1, false};
        Project image = BlankedImage();
        const DataBuildResult r = BuildConfigurationData(config, image);
        QCOMPARE(r.outcome, Outcome::InvalidFrequency);
        QCOMPARE(r.field, (FrequencyField{FrequencyField::Kind::ChannelRx, 5}));
        QCOMPARE(image.DataMemory()[4 * 4 + 2], 0xB6); // channel 4 TX 146 MHz = 0xB680
        QCOMPARE(image.DataMemory()[5 * 4 + 2], 0xB6); // channel 5 TX stored
        QCOMPARE(image.DataMemory()[5 * 4 + 0], 0xFF); // channel 5 RX: the invalid word
        QCOMPARE(image.DataMemory()[5 * 4 + 1], 0xFF);
        QCOMPARE(image.ProgramMemory()[0x1F14], 0xFF);
        QCOMPARE(image.DataMemory()[6 * 4 + 2], 0xFF); // channel 6 never reached
        QCOMPARE(image.DataMemory()[0x40], 0xFF);      // scan bytes not written
        QCOMPARE(image.DataMemory()[0xF0], 0xFF);      // nor markers
        QCOMPARE(image.DataMemory()[0xF2], 0xFF);      // nor the band block
        QCOMPARE(image.DataMemory()[0xFB], 0xBD);      // the tone-call block comes first

        Answers answers;
        const IdentificationResult id =
            BuildIdentification(config, image, {1, 1, 2020}, "", answers);
        QCOMPARE(id.outcome, IdOutcome::BadTone);
        QCOMPARE(id.toneChannel, 0);
        QCOMPARE(image.IdWords()[0], 0); // nothing more written
        QCOMPARE(image.DataMemory()[0xFF], 0xFF);
        QCOMPARE(answers.protectionAsked, 0);
    }

    void textThatIsNotANumberNamesItsField() {
        RadioConfig config;
        config.channels[0] = {"145", "145", -1, false};
        config.channels[1] = {"14a", "145", -1, false};
        Project image = BlankedImage();
        const DataBuildResult r = BuildConfigurationData(config, image);
        QCOMPARE(r.outcome, Outcome::NotANumber);
        QCOMPARE(r.field, (FrequencyField{FrequencyField::Kind::ChannelTx, 1}));
        QCOMPARE(r.conversionError, ConversionErrorText("Канал 2, передача", "14a"));
        QCOMPARE(r.storedFields.size(), std::size_t(2));
    }

    // What is checked before a radio is connected: half-made channels, texts
    // that are no numbers, own band limits outside the bands or inverted.
    void fieldsCheckedBeforeAnyRadio() {
        using Kind = FrequencyField::Kind;
        const struct {
            std::array<const char*, 2> channel3; // TX, RX
            std::array<const char*, 2> band;     // own limits; {} for the presets
            std::optional<FrequencyField> field;
            std::string message;
        } cases[] = {
            {{"145", "145"}, {}, std::nullopt, ""},
            {{"", ""}, {}, std::nullopt, ""},
            {{"145", ""},
             {},
             FrequencyField{Kind::ChannelRx, 2},
             std::string("Канал 3, приём: ") + msg::kFrequencyMissing},
            {{"", "145"},
             {},
             FrequencyField{Kind::ChannelTx, 2},
             std::string("Канал 3, передача: ") + msg::kFrequencyMissing},
            {{"14a5.5", "145"},
             {},
             FrequencyField{Kind::ChannelTx, 2},
             ConversionErrorText("Канал 3, передача", "14a5.5")},
            {{"145", "145"},
             {"999", "10"},
             FrequencyField{Kind::BandLow, 0},
             msg::kLowerAboveBands},
            {{"145", "145"},
             {"175", "176"},
             FrequencyField{Kind::BandLow, 0},
             msg::kLowerAboveBands},
            // The band's edges: a limit at 174 or 33 MHz is a band, one
            // 12.5 kHz step beyond is none.
            {{"145", "145"}, {"174", "174"}, std::nullopt, ""},
            {{"145", "145"},
             {"174,0125", "174,0125"},
             FrequencyField{Kind::BandLow, 0},
             msg::kLowerAboveBands},
            {{"145", "145"}, {"33", "33"}, std::nullopt, ""},
            {{"145", "145"},
             {"32,9875", "32,9875"},
             FrequencyField{Kind::BandHigh, 0},
             msg::kUpperBelowBands},
            {{"145", "145"},
             {"33", "32"},
             FrequencyField{Kind::BandHigh, 0},
             msg::kUpperBelowBands},
            {{"145", "145"},
             {"150", "146"},
             FrequencyField{Kind::BandLow, 0},
             msg::kLimitsInverted},
            {{"145", "145"}, {"", "146"}, FrequencyField{Kind::BandLow, 0}, msg::kNoLowerLimit},
            {{"145", "145"}, {"144", "174"}, std::nullopt, ""},
        };
        for (const auto& [channel3, band, field, message] : cases) {
            RadioConfig config;
            config.channels[0] = {"40", "40", -1, false};
            config.channels[2] = {channel3[0], channel3[1], -1, false};
            config.bandMode = band[0] != nullptr ? 1 : 0;
            if (band[0] != nullptr) {
                config.bandLow = band[0];
                config.bandHigh = band[1];
            }
            const std::optional<FieldProblem> problem = CheckFrequencyFields(config);
            QCOMPARE(problem.has_value(), field.has_value());
            if (problem) {
                QCOMPARE(problem->field, *field);
                QCOMPARE(problem->message, message);
            }
        }
    }

    // Channel 1 against what radios tune to (33-174 MHz; 10 MHz and below
    // left to the build) and against the band the panels choose.
    void channelsAgainstTheBands() {
        using Kind = FrequencyField::Kind;
        const struct {
            const char* tx;
            const char* rx;
            int mainBand;
            const char* ownBand[2]; // nullptr: the preset
            std::size_t untunable;
            std::optional<Kind> refused;
            std::size_t outside;
        } cases[] = {
            {"144", "174", 4, {}, 0, std::nullopt, 0},
            {"33", "33", 0, {}, 0, std::nullopt, 0},
            {"30", "100", 4, {}, 1, Kind::ChannelTx, 1},
            {"145", "174,01", 4, {}, 1, Kind::ChannelRx, 0},
            {"174,0125", "174", 4, {}, 1, Kind::ChannelTx, 0},
            {"33", "32,9875", 0, {}, 1, Kind::ChannelRx, 0},
            {"10", "5", 4, {}, 2, std::nullopt, 0},
            {"150", "48,5", 2, {}, 0, std::nullopt, 1},
            {"45", "45,0125", 2, {"40", "45"}, 0, std::nullopt, 1},
            {"145", "145", 2, {"", "45"}, 0, std::nullopt, 0}, // no band to compare with
        };
        for (const auto& [tx, rx, mainBand, ownBand, untunable, refused, outside] : cases) {
            RadioConfig config;
            config.channels[0] = {tx, rx, -1, false};
            config.mainBand = mainBand;
            config.bandMode = ownBand[0] != nullptr ? 1 : 0;
            if (ownBand[0] != nullptr) {
                config.bandLow = ownBand[0];
                config.bandHigh = ownBand[1];
            }
            const QString where = QString("%1/%2, band %3").arg(tx, rx).arg(mainBand);
            QVERIFY2(UntunableChannels(config).size() == untunable, qPrintable(where));
            const std::optional<FieldProblem> problem = CheckTunableChannels(config);
            QVERIFY2(problem.has_value() == refused.has_value(), qPrintable(where));
            if (problem) {
                QCOMPARE(problem->field, (FrequencyField{*refused, 0}));
                QVERIFY(problem->message.starts_with(FrequencyFieldName(problem->field) + ": "));
            }
            QVERIFY2(ChannelsOutsideBand(config).size() == outside, qPrintable(where));
        }
    }

    void ownBandNeedsBothLimits() {
        RadioConfig config;
        config.bandMode = 1;
        config.bandLow = "";
        config.bandHigh = "48,5";
        Project image = BlankedImage();
        DataBuildResult r = BuildConfigurationData(config, image);
        QCOMPARE(r.outcome, Outcome::NotANumber);
        QCOMPARE(r.field.kind, FrequencyField::Kind::BandLow);
        QCOMPARE(r.conversionError, ConversionErrorText(msg::kLowerLimitName, ""));
        QCOMPARE(image.DataMemory()[0xF2], 0xFF);

        config.bandLow = "40";
        config.bandHigh = std::string("x"); // not a literal: GCC 12 -O3 false -Wrestrict
        r = BuildConfigurationData(config, image);
        QCOMPARE(r.field.kind, FrequencyField::Kind::BandHigh);
        QCOMPARE(image.DataMemory()[0xF2], 0x32); // the lower limit went in first
        QCOMPARE(image.DataMemory()[0xF4], 0xFF);
    }

    void ownBandReceiveWordFollowsTheVersion() {
        RadioConfig config;
        config.bandMode = 1;
        config.bandLow = std::string("57"); // not a literal: GCC 12 -O3 false -Wrestrict
        config.bandHigh = "57,5";
        config.version = kVersion610;
        Project image = BlankedImage();
        QCOMPARE(BuildConfigurationData(config, image).outcome, Outcome::Complete);
        QCOMPARE(image.DataMemory()[0xF6], 0x39); // 46,3 MHz = 14816 = 0x39E0
        QCOMPARE(image.DataMemory()[0xF7], 0xE0);
        QCOMPARE(image.ProgramMemory()[0x1FF6], 0x39);

        config.bandMode = 0;
        config.mainBand = 3;
        QCOMPARE(BuildConfigurationData(config, image).outcome, Outcome::Complete);
        QCOMPARE(image.DataMemory()[0xF6], 0x54); // the preset's 67,7 MHz
        QCOMPARE(image.DataMemory()[0xF7], 0xA0);
    }

    void band40FlagDoesNotDependOnBandMode() {
        RadioConfig config;
        config.mainBand = 2;
        config.bandMode = 1;
        config.bandLow = std::string("40");  // not a literal: GCC 12 -O3 false -Wrestrict
        config.bandHigh = std::string("48"); // not a literal: GCC 12 -O3 false -Wrestrict
        config.radioType = 1;
        config.tonePair = 1;
        Project image = BlankedImage();
        QCOMPARE(BuildConfigurationData(config, image).outcome, Outcome::Complete);
        Answers answers;
        QCOMPARE(BuildIdentification(config, image, {1, 1, 2020}, "", answers).outcome,
                 IdOutcome::Complete);
        QCOMPARE(image.DataMemory()[0xFF], 0x02);
        QCOMPARE(image.ProgramMemory()[0x1FFF], 0x02);
    }

    void unknownPresetWritesNoBandBlock() {
        RadioConfig config;
        config.mainBand = 5;
        Project image = BlankedImage();
        QCOMPARE(BuildConfigurationData(config, image).outcome, Outcome::Complete);
        QCOMPARE(image.DataMemory()[0xF2], 0xFF);
        QCOMPARE(image.ProgramMemory()[0x1FF2], 0x3FFF);
    }

    void firmwareMarks_data() {
        QTest::addColumn<int>("software");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("mark");
        QTest::addColumn<int>("specialByte");
        QTest::newRow("standard 4.1.0") << 0 << kVersion410 << "" << 0x1090 << 0xFF;
        QTest::newRow("standard 6.1.0") << 0 << kVersion610 << "" << 0x10D0 << 0xFF;
        QTest::newRow("standard 6.1.1") << 0 << kVersion611 << "" << 0x10D1 << 0xFF;
        QTest::newRow("ST613.HEX, Windows path")
            << 1 << kVersion611 << "C:\\FW\\ST613.HEX" << 0x10D3 << 3;
        QTest::newRow("rpt410 on 6.1.1") << 1 << kVersion611 << "/fw/rpt410.hex" << 0x10D6 << 6;
        QTest::newRow("st618tm") << 1 << kVersion610 << "/fw/st618tm.hex" << 0x10D8 << 8;
        QTest::newRow("not quite st613")
            << 1 << kVersion611 << "C:\\FW\\st613.hex.bak" << 0x10DF << 0xFF;
        QTest::newRow("bare name without folder")
            << 1 << kVersion410 << "st613.hex" << 0x109F << 0xFF;
        QTest::newRow("no version") << 1 << kNoVersion << "/fw/ctl410.hex" << 0x1014 << 4;
    }
    void firmwareMarks() {
        QFETCH(int, software);
        QFETCH(int, version);
        QFETCH(QString, file);
        QFETCH(int, mark);
        QFETCH(int, specialByte);
        RadioConfig config;
        config.software = software;
        config.version = version;
        Project image = BlankedImage();
        QCOMPARE(BuildConfigurationData(config, image).outcome, Outcome::Complete);
        Answers answers;
        answers.firmware = file.toStdString();
        const IdentificationResult id =
            BuildIdentification(config, image, {1, 1, 2020}, "old.hex", answers);
        QCOMPARE(id.outcome, IdOutcome::Complete);
        QCOMPARE(image.IdWords()[0], mark);
        QCOMPARE(image.DataMemory()[0xEB], specialByte);
    }

    void standardFileKeepsPreviousForUnknownVersion() {
        RadioConfig config;
        config.version = kNoVersion;
        Project image = BlankedImage();
        BuildConfigurationData(config, image);
        Answers answers;
        QCOMPARE(BuildIdentification(config, image, {1, 1, 2020}, "WORK/St610.hex", answers)
                     .firmwareFile,
                 std::string("WORK/St610.hex"));
    }

    void cancelledFirmwareDialogWritesNothingMore() {
        RadioConfig config;
        config.software = 1;
        config.gridStep = 1;
        Project image = BlankedImage();
        BuildConfigurationData(config, image);
        Answers answers; // no file: the dialog is cancelled
        const IdentificationResult id =
            BuildIdentification(config, image, {1, 1, 2020}, "x", answers);
        QCOMPARE(id.outcome, IdOutcome::FirmwareCancelled);
        QCOMPARE(id.firmwareFile, std::string("x"));
        QCOMPARE(image.DataMemory()[0xFF], 0xFF);
        QCOMPARE(image.IdWords()[0], 0);
        QCOMPARE(image.ConfigWord(), 0);
    }

    void declinedProtectionLeavesConfigWord() {
        RadioConfig config;
        config.readProtect = true;
        Project image = BlankedImage();
        image.SetConfigWord(0x1234);
        BuildConfigurationData(config, image);
        Answers answers;
        answers.protect = false;
        const IdentificationResult id =
            BuildIdentification(config, image, {5, 7, 2008}, "", answers);
        QCOMPARE(id.outcome, IdOutcome::ProtectionDeclined);
        QCOMPARE(image.ConfigWord(), 0x1234);
        QCOMPARE(image.IdWords()[1], 0x07D8); // ID words already written stay
        QCOMPARE(image.IdWords()[0], 0x10D1);
    }

    void yearWordCarriesTheUnprotectedBit() {
        RadioConfig config;
        Project image = BlankedImage();
        BuildConfigurationData(config, image);
        Answers answers;
        BuildIdentification(config, image, {5, 7, 2008}, "", answers);
        QCOMPARE(image.IdWords()[1], 0x17D8);
        QCOMPARE(image.IdWords()[2], 0x1CA0);
        QCOMPARE(image.ConfigWord(), 0x3F72);
    }

    void lowerLimitChecks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << 1 << msg::kNoLowerLimit;
        QTest::newRow("100") << "100" << 1 << msg::kLowerOut160;
        QTest::newRow("57,6") << "57,6" << 1 << msg::kLowerOut160;
        QTest::newRow("143,9") << "143,9" << 1 << msg::kLowerOut160;
        QTest::newRow("50") << "50" << 1 << msg::kLowerOut57;
        QTest::newRow("32,9") << "32,9" << 1 << msg::kLowerOut40;
        QTest::newRow("32,9875") << "32,9875" << 1 << msg::kLowerOut40;
        QTest::newRow("33") << "33" << 0 << "";
        QTest::newRow("48,5") << "48,5" << 0 << "";
        QTest::newRow("57") << "57" << 0 << "";
        QTest::newRow("57,5") << "57,5" << 0 << "";
        QTest::newRow("144") << "144" << 0 << "";
        QTest::newRow("200 is accepted") << "200" << 0 << "";
        QTest::newRow("not a number")
            << "abc" << 2
            << QString::fromStdString(ConversionErrorText(msg::kLowerLimitName, "abc"));
    }
    void lowerLimitChecks() {
        QFETCH(QString, text);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        const LimitCheck c = CheckLowerBandLimit(text.toStdString());
        QCOMPARE(static_cast<int>(c.outcome), outcome);
        QCOMPARE(QString::fromStdString(c.message), message);
        if (outcome == 1) {
            QCOMPARE(c.informationIcon, text.isEmpty());
            QCOMPARE(QString::fromStdString(c.caption),
                     QString(text.isEmpty() ? msg::kNoLimitCaption : msg::kBadLimitCaption));
        }
    }

    void upperLimitChecks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << 1 << msg::kNoUpperLimit;
        QTest::newRow("174,1") << "174,1" << 1 << msg::kUpperOut160;
        QTest::newRow("174,0125") << "174,0125" << 1 << msg::kUpperOut160;
        QTest::newRow("100") << "100" << 1 << msg::kUpperOut57;
        QTest::newRow("50") << "50" << 1 << msg::kUpperOut40;
        QTest::newRow("174") << "174" << 0 << "";
        QTest::newRow("144") << "144" << 0 << "";
        QTest::newRow("57,5") << "57,5" << 0 << "";
        QTest::newRow("48,5") << "48,5" << 0 << "";
        QTest::newRow("20 is accepted") << "20" << 0 << "";
    }
    void upperLimitChecks() {
        QFETCH(QString, text);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        const LimitCheck c = CheckUpperBandLimit(text.toStdString());
        QCOMPARE(static_cast<int>(c.outcome), outcome);
        QCOMPARE(QString::fromStdString(c.message), message);
    }
};

QTEST_APPLESS_MAIN(ConfigBuildTest)
#include "ConfigBuildTest.moc"
