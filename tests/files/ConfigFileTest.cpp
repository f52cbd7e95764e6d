#include "ConfigFile.h"

#include "ConfigBuilder.h"
#include "FileMessages.h"
#include "ReferenceImages.h"
#include "TempFiles.h"

#include <QFile>
#include <QtTest>
#include <sys/stat.h>

using namespace zekt;

namespace {

std::string ReadData(const char* name) {
    QFile file(QString(ZEKT_TEST_DATA_DIR) + "/prg/" + name);
    [&] { QVERIFY(file.open(QIODevice::ReadOnly)); }();
    return file.readAll().toStdString();
}

// A data-EEPROM image with every entry different.
DataArray Counting() {
    DataArray data;
    for (int i = 0; i < kDataBytes; ++i) {
        data[i] = (i * 13 + 7) & 0xFF;
    }
    return data;
}

std::string Line1(const char* options) {
    std::string text = std::string(options) + "\r\n";
    for (int r = 0; r < 16; ++r) {
        for (int k = 0; k < 16; ++k) {
            text += "0011 ";
        }
        text += "\r\n";
    }
    return text;
}

} // namespace

class ConfigFileTest : public QObject {
    Q_OBJECT

private slots:
    void referenceFileByteForByte() {
        Project image;
        QCOMPARE(BuildConfigurationData(reference::ConfigA(), image).outcome,
                 DataBuildResult::Outcome::Complete);
        const std::string text =
            FormatConfigFile(OptionsOf(reference::ConfigA()), image.DataMemory());
        QCOMPARE(text, ReadData("reference-a.prg"));
    }

    void writerFormats() {
        RadioConfig c;
        c.version = kNoVersion;
        DataArray data;
        data.fill(0xFF);
        data[1] = 0x1FF; // an entry beyond a byte keeps its digits
        const std::string text = FormatConfigFile(OptionsOf(c), data);
        QVERIFY(text.starts_with("0 1 1 0 0 0 -1\r\n00ff 01ff 00ff "));
        QVERIFY(text.ends_with("00ff \r\n"));
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 17);
        QCOMPARE(std::count(text.begin(), text.end(), '\r'), 17);
    }

    void roundTripOfTheData() {
        const DataArray data = Counting();
        const ParsedConfigFile file =
            ParseConfigFile(FormatConfigFile(FileOptions{1, 3, 0, 1, 0, 1, 0}, data));
        QCOMPARE(file.options, (FileOptions{1, 3, 0, 1, 0, 1, 0}));
        for (int i = 0; i < kDataBytes; ++i) {
            QVERIFY(file.data[i].has_value());
            QCOMPARE(*file.data[i], data[i]);
        }
    }

    void readerTolerance() {
        const DataArray data = Counting();
        std::string text = FormatConfigFile(FileOptions{0, 4, 1, 0, 7, 1, 2}, data);
        // LF line ends, tabs and runs of blanks, uppercase digits.
        std::string loose;
        for (char c : text) {
            if (c == '\r') {
                continue;
            }
            if (c == ' ') {
                loose += " \t  ";
            } else {
                loose += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
        }
        const ParsedConfigFile file = ParseConfigFile(loose);
        QCOMPARE(file.options, (FileOptions{0, 4, 1, 0, 7, 1, 2}));
        for (int i = 0; i < kDataBytes; ++i) {
            QCOMPARE(file.data[i].value_or(-1), data[i]);
        }
    }

    void shortAndMalformedLines() {
        const ParsedConfigFile file =
            ParseConfigFile("1 2 x 4 5 6 7\n"
                            "00aa 00bb\n"    // a short line: the rest of its entries are left
                            "00cc zz 00dd\n" // a field that cannot be read ends its line
                            "1234512345\n"   // at most four digits a field
                            "\n");
        QCOMPARE(file.options, (FileOptions{1, 2, 0, 0, 0, 0, 0}));
        QCOMPARE(file.data[0].value_or(-1), 0xAA);
        QCOMPARE(file.data[1].value_or(-1), 0xBB);
        QVERIFY(!file.data[2].has_value());
        QCOMPARE(file.data[16].value_or(-1), 0xCC);
        QVERIFY(!file.data[17].has_value());
        QVERIFY(!file.data[18].has_value());
        QCOMPARE(file.data[32].value_or(-1), 0x1234);
        QCOMPARE(file.data[33].value_or(-1), 0x5123);
        QCOMPARE(file.data[34].value_or(-1), 0x45);
        QVERIFY(!file.data[48].has_value());
        QVERIFY(!file.data[255].has_value());
    }

    void emptyFileReadsAsZeros() {
        const ParsedConfigFile file = ParseConfigFile("");
        QCOMPARE(file.options, FileOptions{});
        const FileReadPlan plan = PlanConfigFileRead(file);
        QVERIFY(!plan.refusal);
        QVERIFY(!plan.versionMessage);
        QCOMPARE(plan.version, kVersion410);
        QCOMPARE(plan.options.size(), std::size_t(5));
        for (const auto& v : file.data) {
            QVERIFY(!v.has_value());
        }
    }

    void optionChecksInOrder_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("applied");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("software 2") << "0 0 0 2 0 0 0" << 0 << msg::kFileSoftware;
        QTest::newRow("type 3, software 1") << "3 0 0 1 0 0 0" << 1 << msg::kFileRadioType;
        QTest::newRow("tones -1") << "0 0 -1 1 0 0 0" << 2 << msg::kFileTonePair;
        QTest::newRow("band 6") << "0 6 0 0 0 0 0" << 3 << msg::kFileMainBand;
        QTest::newRow("grid 2") << "0 5 0 0 0 2 0" << 4 << msg::kFileGridStep;
        QTest::newRow("all in range") << "1 5 1 1 0 1 1" << 5 << "";
    }
    void optionChecksInOrder() {
        QFETCH(QString, line);
        QFETCH(int, applied);
        QFETCH(QString, refusal);
        const FileReadPlan plan = PlanConfigFileRead(ParseConfigFile(Line1(qPrintable(line))));
        QCOMPARE(static_cast<int>(plan.options.size()), applied);
        QCOMPARE(QString::fromStdString(plan.refusal.value_or("")), refusal);
        const FileOption order[] = {FileOption::Software, FileOption::RadioType,
                                    FileOption::TonePair, FileOption::MainBand,
                                    FileOption::GridStep};
        for (int i = 0; i < applied; ++i) {
            QCOMPARE(plan.options[i].option, order[i]);
        }
    }

    void bandFiveIsTheLastEntry() {
        const FileReadPlan plan = PlanConfigFileRead(ParseConfigFile(Line1("0 5 0 0 0 0 1")));
        QCOMPARE(plan.options[3].option, FileOption::MainBand);
        QCOMPARE(plan.options[3].value, 4);
    }

    void versionAndProtection_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("message");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("protect");
        QTest::newRow("no version") << "0 0 0 0 0 0 -1" << true << -1 << false;
        QTest::newRow("version 3") << "0 0 0 0 1 0 3" << true << -1 << true;
        QTest::newRow("version 2, protection 7") << "0 0 0 0 7 0 2" << false << 2 << true;
        QTest::newRow("protection -1") << "0 0 0 0 -1 0 0" << false << 0 << true;
    }
    void versionAndProtection() {
        QFETCH(QString, line);
        QFETCH(bool, message);
        QFETCH(int, version);
        QFETCH(bool, protect);
        const FileReadPlan plan = PlanConfigFileRead(ParseConfigFile(Line1(qPrintable(line))));
        QCOMPARE(plan.versionMessage, message);
        QCOMPARE(plan.version, version);
        QCOMPARE(plan.readProtect, protect);
    }

    void planAppliedToAConfiguration() {
        RadioConfig config;
        config.bandMode = 1;
        ApplyFileOptions(PlanConfigFileRead(ParseConfigFile(Line1("1 5 0 1 3 1 -1"))), config);
        QCOMPARE(config.radioType, 1);
        QCOMPARE(config.mainBand, 4);
        QCOMPARE(config.tonePair, 0);
        QCOMPARE(config.software, 1);
        QCOMPARE(config.gridStep, 1);
        QCOMPARE(config.version, kNoVersion);
        QVERIFY(config.readProtect);
        QCOMPARE(config.bandMode, 1); // not in the file

        // A refusal keeps what was applied before it and nothing after.
        RadioConfig refused;
        ApplyFileOptions(PlanConfigFileRead(ParseConfigFile(Line1("3 0 0 1 1 0 0"))), refused);
        QCOMPARE(refused.software, 1);
        QCOMPARE(refused.radioType, 0);
        QCOMPARE(refused.version, RadioConfig{}.version);
        QVERIFY(!refused.readProtect);

        DataArray data;
        data.fill(0x42);
        ApplyFileData(ParseConfigFile("0 0 0 0 0 0 0\n0011 zz\n"), data);
        QCOMPARE(data[0], 0x11);
        QCOMPARE(data[1], 0x42);
    }

    void channelsDecodedByTheVersion() {
        Project image;
        BuildConfigurationData(reference::ConfigA(), image);
        const auto six = DecodeFileChannels(image.DataMemory(), kVersion611);
        QCOMPARE(six[0].tx, std::string("145,0125"));
        QCOMPARE(six[0].rx, std::string("145,0125"));
        QCOMPARE(six[2].rx, std::string("150,5"));
        QCOMPARE(six[0].ctcss, 5);
        QVERIFY(six[0].scan);
        QCOMPARE(six[2].ctcss, 19);
        QVERIFY(six[3].tx.empty());
        // The 4.1.0 rule reads the same words differently.
        const auto four = DecodeFileChannels(image.DataMemory(), kNoVersion);
        QCOMPARE(four[0].rx, std::string("145,0125"));
        RadioConfig low;
        low.version = kVersion611;
        low.channels[0] = {"57,2", "57,2", -1, false};
        Project lowImage;
        BuildConfigurationData(low, lowImage);
        QCOMPARE(DecodeFileChannels(lowImage.DataMemory(), kVersion611)[0].rx, std::string("57,2"));
        QCOMPARE(DecodeFileChannels(lowImage.DataMemory(), kVersion410)[0].rx, std::string("35,8"));
        // A tone code beyond the list selects nothing.
        DataArray data = lowImage.DataMemory();
        data[0x40] = 0x80;
        data[0x51] = 25;
        QCOMPARE(DecodeFileChannels(data, kVersion611)[0].ctcss, -1);
    }

    // Notepad's byte-order mark and any line-end convention read as the
    // original; the whole-file check finds exactly the first broken line.
    void lineEndsAndWholeness() {
        const std::string original = FormatConfigFile({1, 2, 1, 0, 1, 1, 2}, Counting());
        const ParsedConfigFile reference = ParseConfigFile(original);
        const auto replaced = [&original](const std::string& end) {
            QString text = QString::fromStdString(original);
            return text.replace("\r\n", QString::fromStdString(end)).toStdString();
        };
        for (const std::string& variant :
             {replaced("\n"), replaced("\r"), "\xEF\xBB\xBF" + original}) {
            const ParsedConfigFile file = ParseConfigFile(variant);
            QCOMPARE(file.options, reference.options);
            QVERIFY(file.data == reference.data);
            QVERIFY(!FindConfigFileDefect(variant));
        }
        QVERIFY(!FindConfigFileDefect(original));

        const std::string cut = original.substr(0, original.size() - 20);
        const struct {
            std::string text;
            int line;
        } broken[] = {
            {"", 1},
            {"1 2 3 4 5 6\r\n", 1},
            {"1 2 x 4 5 6 7\r\n", 1},
            {original.substr(0, original.find('\n') + 1), 2},
            {cut, 17},
            {replaced("\r\n\r\n"), 2},
        };
        for (const auto& [text, line] : broken) {
            const std::optional<ConfigFileDefect> defect = FindConfigFileDefect(text);
            QVERIFY2(defect && defect->line == line, text.c_str());
        }
        QVERIFY(DescribeConfigFileDefect("a.prg", {5}).find("a.prg") != std::string::npos);
    }
};

QTEST_APPLESS_MAIN(ConfigFileTest)
#include "ConfigFileTest.moc"
