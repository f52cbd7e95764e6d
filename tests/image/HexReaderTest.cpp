#include "ChipHexFile.h"
#include "HexLoader.h"
#include "HexText.h"
#include "Project.h"
#include "TempFiles.h"

#include <QtTest>
#include <fstream>
#include <map>
#include <sstream>

using namespace zekt;

namespace {

// Parses srec_cat's "-vmem 16" listing ("@ADDR WORD WORD ...", word addresses).
std::map<int, int32_t> ReadWordListing(const std::string& path) {
    std::map<int, int32_t> words;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line.substr(1));
        int address = 0;
        fields >> std::hex >> address;
        int32_t word = 0;
        while (fields >> std::hex >> word) {
            words[address++] = word;
        }
    }
    return words;
}

std::string DataPath(const std::string& name) {
    return std::string(ZEKT_TEST_DATA_DIR) + "/hex/" + name;
}

} // namespace

class HexReaderTest : public QObject {
    Q_OBJECT

private:
    TempFiles files;

    HexReadResult Read(const std::string& text, Project& image) {
        return ReadHexRecords(files.Write("f.hex", text), image.ProgramMemory());
    }

private slots:
    void dataRecordStoresLowByteFirst() {
        Project image;
        const HexReadResult r = Read(":020010008A3034\n" + kEndRecord, image);
        QVERIFY(r.ok);
        QCOMPARE(r.wordsRead, 1);
        QCOMPARE(image.ProgramMemory()[8], 0x308A);
        QCOMPARE(image.ProgramMemory()[7], kBlankWord);
        QCOMPARE(image.ProgramMemory()[9], kBlankWord);
    }

    // The reader stores words unmasked; the image refuses a word its 14-bit
    // chip cannot hold, before any radio is erased for it.
    void wordsWiderThanTheChipAreRefused() {
        Project image;
        QVERIFY(Read(HexRecord(0, 0, {0xFF, 0xFF}) + kEndRecord, image).ok);
        QCOMPARE(image.ProgramMemory()[0], 0xFFFF);
        for (const auto& [low, high, loads] :
             {std::tuple{0xFF, 0x3F, true}, {0x00, 0x40, false}, {0xFF, 0xFF, false}}) {
            Project loaded;
            const std::string path =
                files.Write("w.hex", HexRecord(2, 0, {uint8_t(low), uint8_t(high)}) + kEndRecord);
            QCOMPARE(loaded.LoadHex(path), loads);
            QCOMPARE(loaded.UsedWords(), loads ? 1 : 0);
        }
    }

    // Any line-end convention and a leading byte-order mark load the same words.
    void lineEndsAndByteOrderMarkLoadAlike() {
        const std::string lf = HexRecord(0x20, 0, {1, 2, 3, 4}) + kEndRecord;
        const auto ending = [&lf](const std::string& end) {
            std::string text;
            for (const char c : lf) {
                text += c == '\n' ? end : std::string(1, c);
            }
            return text;
        };
        Project reference;
        QVERIFY(Read(lf, reference).ok);
        QCOMPARE(reference.ProgramMemory()[0x10], 0x0201);
        for (const std::string& text : {ending("\r\n"), ending("\r"), "\xEF\xBB\xBF" + lf}) {
            Project image;
            QVERIFY(Read(text, image).ok);
            QVERIFY(image.ProgramMemory() == reference.ProgramMemory());
        }
    }

    // Only a regular file within the bound is read: a device or a FIFO would
    // never end, a huge file would fill the memory first.
    void onlyBoundedRegularFilesAreRead() {
        Project image;
        const std::string big = files.Write("big.hex", std::string(kHexFileLimit + 1, '\n'));
        for (const std::string& path : {std::string("/dev/zero"), big}) {
            const HexReadResult r = ReadHexRecords(path, image.ProgramMemory());
            QCOMPARE(r.failure, HexFailure::CannotOpen);
            QVERIFY(r.fileError != FileError::None);
        }
    }

    void endRecordWithoutLineEndLoads() {
        Project image;
        QVERIFY(Read(HexRecord(0, 0, {1, 0}) + ":00000001FF", image).ok);
    }

    void wordsCountPerRecordEvenWhenOverwritten() {
        const std::initializer_list<uint8_t> sixteen = {0, 1, 2,  3,  4,  5,  6,  7,
                                                        8, 9, 10, 11, 12, 13, 14, 15};
        Project image;
        const HexReadResult r = Read(HexRecord(0x100, 0, sixteen) + HexRecord(0x100, 0, sixteen) +
                                         HexRecord(0x3000, 0, sixteen) + kEndRecord,
                                     image);
        QVERIFY(r.ok);
        QCOMPARE(r.wordsRead, 24);
    }

    void lastWordFitsButNextDoesNot() {
        Project image;
        QVERIFY(Read(HexRecord(0x3FFE, 0, {0x34, 0x12}) + kEndRecord, image).ok);
        QCOMPARE(image.ProgramMemory()[8191], 0x1234);

        Project over;
        const HexReadResult r =
            Read(HexRecord(0x3FFE, 0, {0x78, 0x06, 0x01, 0x00}) + kEndRecord, over);
        QVERIFY(!r.ok);
        QCOMPARE(r.failure, HexFailure::AddressBeyondMemory);
        QCOMPARE(r.wordsRead, 0);
        QCOMPARE(over.ProgramMemory()[8191], 0x0678); // stored before the failure
    }

    void chipAreasBeyondProgramMemoryAreRefused_data() {
        QTest::addColumn<int>("address");
        QTest::newRow("ID locations") << 0x4000;
        QTest::newRow("configuration word") << 0x400E;
        QTest::newRow("data EEPROM") << 0x4200;
    }
    void chipAreasBeyondProgramMemoryAreRefused() {
        QFETCH(int, address);
        Project image;
        const HexReadResult r = Read(HexRecord(address, 0, {0x72, 0x3F}) + kEndRecord, image);
        QVERIFY(!r.ok);
        QCOMPARE(r.failure, HexFailure::AddressBeyondMemory);
        // The same area through an INHX32 upper address is refused too.
        Project viaExtended;
        QVERIFY(!Read(HexRecord(0, 4, {0x00, 0x01}) + HexRecord(address & 0xFFFF, 0, {0x72, 0x3F}) +
                          kEndRecord,
                      viaExtended)
                     .ok);
    }

    void badChecksumFailsAndKeepsEarlierWords() {
        Project image;
        image.SetUsedWords(100);
        const bool ok = image.LoadHex(files.Write(
            "bad.hex", HexRecord(0, 0, {0x11, 0x22}) + ":020002003344" + "00\n" + kEndRecord));
        QVERIFY(!ok);
        QVERIFY(!image.IsLoaded());
        QCOMPARE(image.UsedWords(), 0);
        QCOMPARE(image.ProgramMemory()[0], 0x2211);

        Project direct;
        const HexReadResult r =
            Read(HexRecord(0, 0, {0x11, 0x22}) + ":02000200334400\n" + kEndRecord, direct);
        QCOMPARE(r.failure, HexFailure::BadChecksum);
        QCOMPARE(r.line, 2);
    }

    void oddByteCountFails() {
        Project image;
        const HexReadResult r = Read(HexRecord(0, 0, {1, 2, 3}) + kEndRecord, image);
        QVERIFY(!r.ok);
        QCOMPARE(r.failure, HexFailure::OddByteCount);
    }

    // Files that would erase a radio for nothing, or put a word where the
    // file did not say.
    void noDataOrOddAddressFails() {
        const struct {
            std::string text;
            HexFailure failure;
            int line;
        } cases[] = {
            {kEndRecord, HexFailure::NoData, 1},
            {HexRecord(0x10, 4, {0, 0}) + kEndRecord, HexFailure::NoData, 2},
            {HexRecord(0, 0, {1, 0}) + HexRecord(3, 0, {2, 0}) + kEndRecord, HexFailure::OddAddress,
             2},
        };
        for (const auto& [text, failure, line] : cases) {
            Project image;
            const HexReadResult r = Read(text, image);
            QVERIFY(!r.ok);
            QCOMPARE(r.failure, failure);
            QCOMPARE(r.line, line);
        }
    }

    void nothingAfterTheEndRecordIsRead() {
        Project image;
        const HexReadResult r = Read(
            HexRecord(0, 0, {1, 0}) + kEndRecord + HexRecord(2, 0, {2, 0}) + "garbage\n", image);
        QVERIFY(r.ok);
        QCOMPARE(r.wordsRead, 1);
        QCOMPARE(image.ProgramMemory()[1], kBlankWord);
    }

    void filesThatNeverEndFail_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty file") << QByteArray("");
        QTest::newRow("no end record") << QByteArray(HexRecord(0, 0, {1, 0}).c_str());
        QTest::newRow("blank line")
            << QByteArray((HexRecord(0, 0, {1, 0}) + "\n" + kEndRecord).c_str());
        QTest::newRow("leading space") << QByteArray((" " + kEndRecord).c_str());
        QTest::newRow("trailing space") << QByteArray((":020000000100FD \n" + kEndRecord).c_str());
        QTest::newRow("cut inside a record") << QByteArray(":02000000010");
    }
    void filesThatNeverEndFail() {
        QFETCH(QByteArray, text);
        Project image;
        QVERIFY(!Read(text.toStdString(), image).ok);
    }

    void missingOrEmptyPathFails() {
        Project image;
        QCOMPARE(ReadHexRecords("", image.ProgramMemory()).failure, HexFailure::CannotOpen);
        QCOMPARE(ReadHexRecords(files.Path("absent.hex"), image.ProgramMemory()).failure,
                 HexFailure::CannotOpen);
        QVERIFY(!image.LoadHex(""));
    }

    // A character that is not a hex digit must not read as 0: with a checksum
    // worked out for 0 the record would otherwise load as a different word.
    void nonHexCharacterInDigitFails_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("letter G in data") << QByteArray(":02001000GA30B4\n"); // as if 0A30
        QTest::newRow("space in data") << QByteArray(":02001000 A30B4\n");
        QTest::newRow("letter in count") << QByteArray(":0X001000");
    }
    void nonHexCharacterInDigitFails() {
        QFETCH(QByteArray, record);
        Project image;
        const HexReadResult r = Read(record.toStdString() + kEndRecord, image);
        QVERIFY(!r.ok);
        QCOMPARE(r.failure, HexFailure::BadDigit);
    }

    void lowercaseDigitsAreHex() {
        Project upper;
        Project lower;
        QVERIFY(Read(":020010008A3034\n" + kEndRecord, upper).ok);
        QVERIFY(Read(":020010008a3034\n:00000001ff\n", lower).ok);
        QCOMPARE(lower.ProgramMemory()[8], 0x308A);
        QVERIFY(upper.ProgramMemory() == lower.ProgramMemory());
    }

    void zeroExtendedAddressesStoreNothing_data() {
        QTest::addColumn<int>("type");
        QTest::newRow("extended linear") << 4;
        QTest::newRow("extended segment") << 2;
    }
    void zeroExtendedAddressesStoreNothing() {
        QFETCH(int, type);
        Project image;
        const HexReadResult r =
            Read(HexRecord(0, type, {0, 0}) + HexRecord(2, 0, {5, 0}) + kEndRecord, image);
        QVERIFY(r.ok);
        QCOMPARE(r.wordsRead, 1);
        QCOMPARE(image.ProgramMemory()[0], kBlankWord);
        QCOMPARE(image.ProgramMemory()[1], 5);
    }

    void nonZeroExtendedAddressFails() {
        Project image;
        const HexReadResult r = Read(HexRecord(0, 2, {0x10, 0x00}) + kEndRecord, image);
        QCOMPARE(r.failure, HexFailure::AddressBeyondMemory);
    }

    // An INHX32 upper address other than zero puts the data beyond the
    // program memory: the file fails at that record, and data after it is
    // never stored at the low address it would have with no upper address.
    void nonZeroExtendedLinearAddressFails() {
        const struct {
            uint8_t high;
            uint8_t low;
        } uppers[] = {{0x00, 0x01}, {0x01, 0x00}, {0xFF, 0xFF}};
        for (const auto& [high, low] : uppers) {
            Project image;
            const HexReadResult r = Read(HexRecord(0, 0, {1, 0}) + HexRecord(0, 4, {high, low}) +
                                             HexRecord(0, 0, {5, 0}) + kEndRecord,
                                         image);
            QVERIFY(!r.ok);
            QCOMPARE(r.failure, HexFailure::AddressBeyondMemory);
            QCOMPARE(r.line, 2);
            QCOMPARE(image.ProgramMemory()[0], 1); // from the record before it
        }
    }

    // The whole-chip reader places data after an upper address at its full
    // address: a segment base may reach the ID words, a linear one (64 KiB
    // and up) lies beyond the chip and the file is refused.
    void chipFileTakesExtendedAddressesAtTheirWord() {
        const struct {
            int type;
            uint8_t high;
            uint8_t low;
            const char* refusal; // nullptr: loads
        } cases[] = {
            {4, 0x00, 0x00, nullptr},
            {2, 0x04, 0x00, nullptr}, // 0x4000: the first ID word
            {4, 0x00, 0x01, "адрес 0x10000 лежит вне памяти микроконтроллера"},
            {4, 0x01, 0x00, "адрес 0x1000000 лежит вне памяти микроконтроллера"},
        };
        for (const auto& [type, high, low, refusal] : cases) {
            const std::string path =
                files.Write("chip.hex", HexRecord(0, type, {high, low}) +
                                            HexRecord(0, 0, {0x34, 0x12}) + kEndRecord);
            ChipMemory chip;
            chip.code[0] = 0x0123;
            const ChipFileResult r = LoadChipHex(path, chip);
            const QString where = QString("type %1, %2%3").arg(type).arg(high).arg(low);
            QVERIFY2(r.ok == (refusal == nullptr), qPrintable(where));
            if (refusal != nullptr) {
                QCOMPARE(r.error, std::string(refusal));
                QCOMPARE(chip.code[0], uint16_t(0x0123)); // left as it was
            } else if (type == 4) {
                QCOMPARE(chip.code[0], uint16_t(0x1234));
            } else {
                QCOMPARE(chip.idWords[0], uint16_t(0x1234));
                QCOMPARE(chip.code[0], ChipMemory::kWordMask);
            }
        }
    }

    void startAddressRecordsAreIgnored() {
        Project image;
        const HexReadResult r =
            Read(HexRecord(0, 3, {0x12, 0x34, 0x56, 0x78}) + HexRecord(0, 5, {0, 0, 0, 4}) +
                     HexRecord(4, 0, {1, 0}) + kEndRecord,
                 image);
        QVERIFY(r.ok);
        QCOMPARE(r.wordsRead, 1);
        QCOMPARE(image.ProgramMemory()[0], kBlankWord);
        QCOMPARE(image.ProgramMemory()[1], kBlankWord);
    }

    void unknownRecordTypeFails() {
        Project image;
        const HexReadResult r = Read(HexRecord(0, 6, {1, 2}) + kEndRecord, image);
        QCOMPARE(r.failure, HexFailure::UnsupportedRecord);
        QCOMPARE(image.ProgramMemory()[0], kBlankWord);
    }

    // Both of gpasm's formats of the same program give the words that
    // srec_cat, an independent reader, found in them.
    void gpasmOutputMatchesIndependentReader_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("INHX32") << "fixture-inhx32.hex";
        QTest::newRow("INHX8M") << "fixture-inhx8m.hex";
    }
    void gpasmOutputMatchesIndependentReader() {
        QFETCH(QString, file);
        const std::map<int, int32_t> expected = ReadWordListing(DataPath("fixture.words"));
        QCOMPARE(expected.size(), std::size_t(29));

        Project image;
        QVERIFY(image.LoadHex(DataPath(file.toStdString())));
        QCOMPARE(image.UsedWords(), 29);
        for (int a = 0; a < kProgramWords; ++a) {
            const auto it = expected.find(a);
            const int32_t want = it == expected.end() ? kBlankWord : it->second;
            if (image.ProgramMemory()[a] != want) {
                QFAIL(qPrintable(QString("word %1: %2, expected %3")
                                     .arg(a, 4, 16)
                                     .arg(image.ProgramMemory()[a], 4, 16)
                                     .arg(want, 4, 16)));
            }
        }
    }

    void demoFirmwareLoadsBelowTheFrequencyPage_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("4.1.0") << "Sta410.hex";
        QTest::newRow("6.1.0") << "St610.hex";
        QTest::newRow("6.1.1") << "St611.hex";
    }
    void demoFirmwareLoadsBelowTheFrequencyPage() {
        QFETCH(QString, name);
        Project image;
        QVERIFY(image.LoadHex(std::string(ZEKT_DEMO_DIR) + "/WORK/" + name.toStdString()));
        QVERIFY(image.UsedWords() > 10);
        for (int a = kFrequencyPageWord; a < kProgramWords; ++a) {
            QCOMPARE(image.ProgramMemory()[a], kBlankWord);
        }
    }
};

QTEST_APPLESS_MAIN(HexReaderTest)
#include "HexReaderTest.moc"
