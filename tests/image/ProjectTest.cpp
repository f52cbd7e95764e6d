#include "Project.h"

#include "ChipMemory.h"
#include "HexText.h"
#include "TempFiles.h"

#include <QtTest>
#include <algorithm>

using namespace zekt;

class ProjectTest : public QObject {
    Q_OBJECT

private slots:
    // The configuration word's protection bits as the chip takes them: what
    // backup and read refuse to keep, and what the simulator hides.
    void protectionBitsOfTheConfigurationWord() {
        const struct {
            uint16_t config;
            int codeFrom;
            bool data;
        } cases[] = {
            {0x3FFF, kProgramWords, false}, // nothing protected
            {0x3FEF, 0x1F00, false},        // CP1:CP0 = 10: the top 256 words
            {0x3FDF, 0x1000, false},        // 01: the upper half
            {0x3FCF, 0, false},             // 00: all of it
            {0x3EFF, kProgramWords, true},  // CPD clear: the EEPROM
        };
        for (const auto& [config, codeFrom, data] : cases) {
            QCOMPARE(CodeProtectedFrom(config), codeFrom);
            QCOMPARE(DataProtectedBy(config), data);
            Project image;
            image.SetConfigWord(config);
            QCOMPARE(ChipProtected(image), codeFrom < kProgramWords || data);
        }
    }

    void newImageIsErasedChip() {
        const Project image;
        QVERIFY(std::ranges::all_of(image.ProgramMemory(), [](int32_t w) { return w == 0x3FFF; }));
        QVERIFY(std::ranges::all_of(image.DataMemory(), [](int32_t b) { return b == 0xFF; }));
        // ID words start at 0, not at the erased value.
        QVERIFY(std::ranges::all_of(image.IdWords(), [](int32_t w) { return w == 0; }));
        QCOMPARE(image.ConfigWord(), 0);
        QCOMPARE(image.StartWord(), 0);
        QCOMPARE(image.IsLoaded(), false);
        QCOMPARE(image.UsedWords(), 0);
        QCOMPARE(image.UsedBytes(), 0);
    }

    void arraysAreWrittenInPlace() {
        Project image;
        image.ProgramMemory()[0x1F00] = 0x1234;
        image.DataMemory()[255] = 0x42;
        image.IdWords()[3] = 0x3FFF;
        image.SetConfigWord(0x3F72);
        image.SetStartWord(7936);
        const Project& view = image;
        QCOMPARE(view.ProgramMemory()[0x1F00], 0x1234);
        QCOMPARE(view.DataMemory()[255], 0x42);
        QCOMPARE(view.IdWords()[3], 0x3FFF);
        QCOMPARE(view.ConfigWord(), 0x3F72);
        QCOMPARE(view.StartWord(), 7936);
    }

    void usedCountsOutOfRangeMeanWholeMemory_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("words");
        QTest::addColumn<int>("bytes");
        QTest::newRow("zero") << 0 << 8192 << 256;
        QTest::newRow("negative") << -5 << 8192 << 256;
        QTest::newRow("one") << 1 << 1 << 1;
        QTest::newRow("255") << 255 << 255 << 255;
        QTest::newRow("256") << 256 << 256 << 256;
        QTest::newRow("300") << 300 << 300 << 256;
        QTest::newRow("8191") << 8191 << 8191 << 256;
        QTest::newRow("8192") << 8192 << 8192 << 256;
        QTest::newRow("huge") << 100000 << 8192 << 256;
    }
    void usedCountsOutOfRangeMeanWholeMemory() {
        QFETCH(int, n);
        QFETCH(int, words);
        QFETCH(int, bytes);
        Project image;
        image.SetUsedWords(n);
        image.SetUsedBytes(n);
        QCOMPARE(image.UsedWords(), words);
        QCOMPARE(image.UsedBytes(), bytes);
    }

    void blankProgramFromFrequencyPageKeepsTheRest() {
        Project image;
        image.ProgramMemory().fill(0x0123);
        image.BlankProgramFrom(7936);
        QCOMPARE(image.ProgramMemory()[0x1EFF], 0x0123);
        QVERIFY(std::all_of(image.ProgramMemory().begin() + 0x1F00, image.ProgramMemory().end(),
                            [](int32_t w) { return w == 0x3FFF; }));
        QVERIFY(std::all_of(image.ProgramMemory().begin(), image.ProgramMemory().begin() + 0x1F00,
                            [](int32_t w) { return w == 0x0123; }));
    }

    void blankingAtOrPastTheEndChangesNothing() {
        Project image;
        image.ProgramMemory().fill(1);
        image.DataMemory().fill(2);
        image.BlankProgramFrom(8192);
        image.BlankProgramFrom(9000);
        image.BlankDataFrom(256);
        QVERIFY(std::ranges::all_of(image.ProgramMemory(), [](int32_t w) { return w == 1; }));
        QVERIFY(std::ranges::all_of(image.DataMemory(), [](int32_t b) { return b == 2; }));
        image.BlankProgramFrom(8191);
        image.BlankDataFrom(255);
        QCOMPARE(image.ProgramMemory()[8190], 1);
        QCOMPARE(image.ProgramMemory()[8191], 0x3FFF);
        QCOMPARE(image.DataMemory()[254], 2);
        QCOMPARE(image.DataMemory()[255], 0xFF);
        image.BlankDataFrom(0);
        QVERIFY(std::ranges::all_of(image.DataMemory(), [](int32_t b) { return b == 0xFF; }));
    }

    // The firmware overwrites only the words it carries: what the
    // configuration build placed elsewhere stays.
    void loadHexKeepsWordsTheFileDoesNotCover() {
        TempFiles files;
        Project image;
        image.ProgramMemory()[0x1F00] = 0x0042;
        image.ProgramMemory()[0] = 0x0777;
        QVERIFY(image.LoadHex(files.Write("fw.hex", HexRecord(0, 0, {0x8A, 0x01}) + kEndRecord)));
        QVERIFY(image.IsLoaded());
        QCOMPARE(image.UsedWords(), 1);
        QCOMPARE(image.ProgramMemory()[0], 0x018A);
        QCOMPARE(image.ProgramMemory()[0x1F00], 0x0042);
    }

    void failedLoadClearsLoadedAndUsedWords() {
        TempFiles files;
        Project image;
        QVERIFY(image.LoadHex(files.Write("good.hex", HexRecord(0, 0, {1, 0}) + kEndRecord)));
        QCOMPARE(image.UsedWords(), 1);
        QVERIFY(!image.LoadHex(files.Write("bad.hex", HexRecord(2, 0, {2, 0}))));
        QVERIFY(!image.IsLoaded());
        QCOMPARE(image.UsedWords(), 0);
        QCOMPARE(image.ProgramMemory()[1], 2);
    }
};

QTEST_APPLESS_MAIN(ProjectTest)
#include "ProjectTest.moc"
