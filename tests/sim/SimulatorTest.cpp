#include "ChipHexFile.h"
#include "HexText.h"
#include "Project.h"
#include "SimulatedDriver.h"
#include "TempFiles.h"
#include "USB_Prog.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <chrono>

using namespace zekt;

namespace {

// The link over the simulated unit, with helpers to send command frames.
struct Bench {
    SimulatedDriver driver;
    USB_Prog link{driver};
    ProgrammerFrame frame{};

    Bench() { QVERIFY(link.Open()); }

    bool Send(uint8_t command) {
        frame[kGroupByte] = grpCommand;
        frame[kCommandByte] = command;
        return link.Exchange(frame);
    }
    void Put(int entry, uint16_t word) {
        frame[kDataByte + 2 * entry] = static_cast<uint8_t>(word >> 8);
        frame[kDataByte + 2 * entry + 1] = static_cast<uint8_t>(word & 0xFF);
    }
    uint16_t Got(int entry) const {
        return static_cast<uint16_t>(link.Reply()[kDataByte + 2 * entry] << 8 |
                                     link.Reply()[kDataByte + 2 * entry + 1]);
    }
    bool Restart() { return Send(cmdEnd) && Send(cmdBegin); }
    bool WriteBlock(uint8_t command, uint16_t first) {
        for (int k = 0; k < kBlockEntries; ++k) {
            Put(k, static_cast<uint16_t>(first + k));
        }
        return Send(command);
    }
    bool SetAddress(int word) {
        frame[kDataByte] = static_cast<uint8_t>(word / 256);
        frame[kDataByte + 1] = 0;
        return Send(cmdSetAddress);
    }
};

const uint16_t kFailedPair = 0xFFFF;

// A command frame as it goes on the wire, head and tail included.
ProgrammerFrame WireFrame(uint8_t command) {
    ProgrammerFrame wire{};
    wire[0] = kFrameHead0;
    wire[1] = kFrameHead1;
    wire[kFramePayloadOffset + kGroupByte] = grpCommand;
    wire[kFramePayloadOffset + kCommandByte] = command;
    wire[kFrameSize - 2] = kFrameTail0;
    wire[kFrameSize - 1] = kFrameTail1;
    return wire;
}

} // namespace

class SimulatorTest : public QObject {
    Q_OBJECT

private slots:
    void passesTheProgrammerTest() {
        SimulatedDriver driver;
        USB_Prog link(driver);
        QVERIFY(link.Test());
        QVERIFY(!driver.IsOpen());
        QCOMPARE(driver.FramesSeen(), 6);
        QVERIFY(!driver.Unit().TestFlag());
    }

    void erasedChipTakesWordsAndReadsThemBack() {
        Bench b;
        QVERIFY(b.Send(cmdErase));
        QVERIFY(b.Restart());
        QVERIFY(b.WriteBlock(cmdWriteCodeErased, 0x1000));
        QCOMPARE(b.Got(0), uint16_t(0x1000));
        QVERIFY(b.WriteBlock(cmdWriteCodeErased, 0x2000));
        QVERIFY(b.Restart());
        QVERIFY(b.Send(cmdReadCode));
        QCOMPARE(b.Got(0), uint16_t(0x1000));
        QCOMPARE(b.Got(31), uint16_t(0x101F));
        QVERIFY(b.Send(cmdReadCode));
        QCOMPARE(b.Got(0), uint16_t(0x2000));
        QVERIFY(b.Send(cmdReadCode));
        QCOMPARE(b.Got(0), uint16_t(0x3FFF));
    }

    void programWordsHoldFourteenBits() {
        Bench b;
        b.Put(0, 0xFFFF);
        b.Put(1, 0xC123);
        QVERIFY(b.Send(cmdWriteCode));
        QCOMPARE(b.driver.Chip().code[0], uint16_t(0x3FFF));
        QCOMPARE(b.driver.Chip().code[1], uint16_t(0x0123));
    }

    // Programming without erase can only clear bits; the erase/program
    // cycle of cmdWriteCode replaces the word.
    void writingWithoutEraseOnlyClearsBits() {
        Bench b;
        b.driver.Chip().code[0] = 0x0F0F;
        b.driver.Chip().code[32] = 0x0F0F;
        b.Put(0, 0x30F0);
        QVERIFY(b.Send(cmdWriteCodeErased));
        QCOMPARE(b.Got(0), uint16_t(0x0000));
        QCOMPARE(b.driver.Chip().code[0], uint16_t(0x0000));
        QVERIFY(b.Send(cmdWriteCode)); // next block, same data
        QCOMPARE(b.driver.Chip().code[32], uint16_t(0x30F0));
    }

    void setAddressMovesTheCodePointer() {
        Bench b;
        QVERIFY(b.SetAddress(7936));
        QCOMPARE(b.driver.Unit().CodePointer(), 7936);
        QVERIFY(b.WriteBlock(cmdWriteCode, 0x0100));
        QCOMPARE(b.driver.Chip().code[7936], uint16_t(0x0100));
        QCOMPARE(b.driver.Chip().code[0], uint16_t(0x3FFF));
        // Reading past the top wraps, as the chip's counter does.
        QVERIFY(b.SetAddress(8191 - 31));
        QCOMPARE(b.driver.Unit().CodePointer(), 7936);
        for (int i = 0; i < 8; ++i) {
            QVERIFY(b.Send(cmdReadCode));
        }
        QCOMPARE(b.driver.Unit().CodePointer(), 0);
    }

    void beginAndEndResetThePointers() {
        Bench b;
        QVERIFY(b.Send(cmdReadCode));
        QVERIFY(b.Send(cmdReadData));
        QCOMPARE(b.driver.Unit().CodePointer(), 32);
        QCOMPARE(b.driver.Unit().DataPointer(), 32);
        QVERIFY(b.Send(cmdEnd));
        QCOMPARE(b.driver.Unit().CodePointer(), 0);
        QCOMPARE(b.driver.Unit().DataPointer(), 0);
        QVERIFY(b.Send(cmdReadCode));
        QVERIFY(b.Send(cmdBegin));
        QCOMPARE(b.driver.Unit().CodePointer(), 0);
    }

    void dataBytesTravelAsPairs() {
        Bench b;
        for (int k = 0; k < kBlockEntries; ++k) {
            b.Put(k, static_cast<uint16_t>(0x00A0 + k));
        }
        QVERIFY(b.Send(cmdWriteData));
        QCOMPARE(b.Got(0), uint16_t(0x00A0));
        QVERIFY(b.Restart());
        QVERIFY(b.Send(cmdReadData));
        QCOMPARE(b.Got(5), uint16_t(0x00A5));
        QCOMPARE(b.driver.Chip().data[31], uint8_t(0xBF));
        QCOMPARE(b.driver.Chip().data[32], uint8_t(0xFF));
    }

    void idWordsAndConfigWord() {
        Bench b;
        b.Put(0, 0x3F01);
        b.Put(1, 0x0002);
        b.Put(2, 0x0003);
        b.Put(3, 0x0004);
        QVERIFY(b.Send(cmdWriteId));
        QCOMPARE(b.Got(0), uint16_t(0x3F01));
        QCOMPARE(b.Got(3), uint16_t(0x0004));
        b.Put(0, 0x3F72);
        QVERIFY(b.Send(cmdWriteConfig));
        QCOMPARE(b.Got(0), uint16_t(0x3F72));
        QVERIFY(b.Send(cmdReadId));
        QCOMPARE(b.Got(1), uint16_t(0x0002));
        QVERIFY(b.Send(cmdReadConfig));
        QCOMPARE(b.Got(0), uint16_t(0x3F72));
    }

    void protectedChipReadsZeroAndRefusesWritesUntilErased() {
        Bench b;
        b.driver.Chip().code[5] = 0x1234;
        b.driver.Chip().data[5] = 0x56;
        b.Put(0, 0x0E42); // the radio's read-protected configuration
        QVERIFY(b.Send(cmdWriteConfig));
        QVERIFY(b.Restart());
        QVERIFY(b.Send(cmdReadCode));
        QCOMPARE(b.Got(5), uint16_t(0));
        QVERIFY(b.Send(cmdReadData));
        QCOMPARE(b.Got(5), uint16_t(0));
        QVERIFY(b.Restart());
        QVERIFY(b.WriteBlock(cmdWriteCode, 0));
        QCOMPARE(b.Got(0), kFailedPair);
        QVERIFY(b.WriteBlock(cmdWriteData, 0));
        QCOMPARE(b.Got(0), kFailedPair);
        b.Put(0, 0x3FFF);
        QVERIFY(b.Send(cmdWriteConfig));
        QCOMPARE(b.Got(0), uint16_t(0x0E42)); // writing cannot lift protection
        QCOMPARE(b.driver.Chip().code[5], uint16_t(0x1234));

        QVERIFY(b.Send(cmdErase));
        QCOMPARE(b.driver.Chip().configWord, uint16_t(0x3FFF));
        QCOMPARE(b.driver.Chip().code[5], uint16_t(0x3FFF));
        QCOMPARE(b.driver.Chip().data[5], uint8_t(0xFF));
        QCOMPARE(b.driver.Chip().idWords[0], uint16_t(0x3FFF));
    }

    void upperQuarterProtectionCoversOnlyTheFrequencyPage() {
        Pic16F877 chip;
        chip.WriteConfig((0x3F72 & ~0x3030u) | 0x2020u); // CP1:CP0 = 10
        QVERIFY(!chip.CodeProtected(0x1EFF));
        QVERIFY(chip.CodeProtected(0x1F00));
        QVERIFY(!chip.DataProtected());
    }

    void unplugMidRun() {
        Bench b;
        b.driver.Faults().unplugAtFrame = b.driver.FramesSeen() + 2;
        QVERIFY(b.Send(cmdStart));
        QVERIFY(!b.Send(cmdBegin));
        QCOMPARE(b.link.ErrorCode(), errWrite);
        QCOMPARE(b.link.Message(), std::string("Ошибка записи в порт USB: Ошибка ввода/вывода"));
        QVERIFY(!b.Send(cmdEnd));
        QCOMPARE(b.link.ErrorCode(), errPurge);
        QVERIFY(b.link.Close());
        QVERIFY(!b.link.Open());
        QCOMPARE(b.link.ErrorCode(), errNoDevice);
        b.driver.PlugIn();
        QVERIFY(b.link.Test());
    }

    void readTimeoutAtFrame() {
        Bench b;
        b.driver.Faults().readTimeoutAtFrame = b.driver.FramesSeen() + 1;
        QVERIFY(!b.Send(cmdStart));
        QCOMPARE(b.link.Message(), std::string("Тайм-аут обмена с устройством"));
        QVERIFY(b.Send(cmdStart));
    }

    void missingReplyCanTakeTheWholeTimeout() {
        Bench b;
        b.driver.SetWaitOutTimeouts(true);
        b.driver.Faults().readTimeoutAtFrame = b.driver.FramesSeen() + 1;
        DWORD got = 0;
        FT_HANDLE handle = nullptr;
        // Drive the driver directly with a short time-out to keep the test quick.
        b.link.Close();
        DWORD count = 0;
        QCOMPARE(b.driver.FT_CreateDeviceInfoList(&count), FT_OK);
        QCOMPARE(b.driver.FT_Open(0, &handle), FT_OK);
        QCOMPARE(b.driver.FT_SetTimeouts(handle, 120, 120), FT_OK);
        ProgrammerFrame wire = WireFrame(cmdStart);
        QCOMPARE(b.driver.FT_Write(handle, wire.data(), kFrameSize, &got), FT_OK);
        const auto start = std::chrono::steady_clock::now();
        QCOMPARE(b.driver.FT_Read(handle, wire.data(), kFrameSize, &got), FT_OK);
        QCOMPARE(got, DWORD(0));
        QVERIFY(std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(120));
        QCOMPARE(b.driver.FT_Close(handle), FT_OK);
    }

    // A frame with a wrong head or tail byte is neither acted on nor
    // answered, as a unit that cannot make it out; the same frame sent
    // right is.
    void badlyFramedFramesAreRefused() {
        for (const int at : {0, 1, kFrameSize - 2, kFrameSize - 1}) {
            SimulatedDriver driver;
            DWORD count = 0;
            FT_HANDLE handle = nullptr;
            QCOMPARE(driver.FT_CreateDeviceInfoList(&count), FT_OK);
            QCOMPARE(driver.FT_Open(0, &handle), FT_OK);
            ProgrammerFrame wire = WireFrame(cmdWriteCode);
            wire[kFramePayloadOffset + kDataByte + 1] = 0x23;
            wire[kFramePayloadOffset + kDataByte] = 0x01;
            ProgrammerFrame bad = wire;
            bad[static_cast<std::size_t>(at)] ^= 0x01;
            ProgrammerFrame reply{};
            DWORD got = 0;
            QCOMPARE(driver.FT_Write(handle, bad.data(), kFrameSize, &got), FT_OK);
            QCOMPARE(got, DWORD(kFrameSize));
            QCOMPARE(driver.FT_Read(handle, reply.data(), kFrameSize, &got), FT_OK);
            QVERIFY2(got == 0, qPrintable(QString("byte %1").arg(at)));
            QCOMPARE(driver.FramesSeen(), 1);
            QCOMPARE(driver.FramesRefused(), 1);
            QVERIFY(driver.ReceivedFrames().empty());
            QCOMPARE(driver.Chip().code[0], uint16_t(0x3FFF));

            QCOMPARE(driver.FT_Write(handle, wire.data(), kFrameSize, &got), FT_OK);
            QCOMPARE(driver.FT_Read(handle, reply.data(), kFrameSize, &got), FT_OK);
            QCOMPARE(got, DWORD(kFrameSize));
            QCOMPARE(reply[0], kFrameHead0);
            QCOMPARE(reply[1], kFrameHead1);
            QCOMPARE(reply[kFrameSize - 2], kFrameTail0);
            QCOMPARE(reply[kFrameSize - 1], kFrameTail1);
            QCOMPARE(driver.FramesRefused(), 1);
            QCOMPARE(driver.Chip().code[0], uint16_t(0x0123));
            QCOMPARE(driver.FT_Close(handle), FT_OK);
        }
    }

    void shortWriteAtFrame() {
        Bench b;
        b.driver.Faults().shortWriteAtFrame = b.driver.FramesSeen() + 1;
        QVERIFY(!b.Send(cmdStart));
        QCOMPARE(b.link.Message(), std::string("Ошибка записи в порт USB"));
        QVERIFY(b.Send(cmdStart));
        QCOMPARE(b.driver.ReceivedFrames().size(), std::size_t(1));
    }

    void garbageAndWrongCommandRepliesFailTheTest() {
        SimulatedDriver driver;
        USB_Prog link(driver);
        driver.Faults().garbageReplyAtFrame = 1;
        QVERIFY(!link.Test());
        driver.Faults().wrongCommandAtFrame = driver.FramesSeen() + 1;
        QVERIFY(!link.Test());
        QVERIFY(link.Test());
    }

    // Every exchange of the test must be answered: a unit that let the
    // prepare or the set go unanswered fails it although its queries answer
    // right, and a zeroed reply of a failed exchange must not pass for a
    // cleared unit.
    void anyUnansweredExchangeFailsTheTest() {
        const struct {
            int SimFaults::*fault;
            int frame; // 2: prepare, 3: set, 4: query, 5: clear, 6: final query
            int error;
        } cases[] = {
            {&SimFaults::readTimeoutAtFrame, 2, errExchangeTimeout},
            {&SimFaults::readTimeoutAtFrame, 3, errExchangeTimeout},
            {&SimFaults::shortWriteAtFrame, 3, errWrite},
            {&SimFaults::readTimeoutAtFrame, 4, errExchangeTimeout},
            {&SimFaults::readTimeoutAtFrame, 5, errExchangeTimeout},
            {&SimFaults::readTimeoutAtFrame, 6, errExchangeTimeout},
            {&SimFaults::shortWriteAtFrame, 6, errWrite},
        };
        for (const auto& [fault, frame, error] : cases) {
            SimulatedDriver driver;
            USB_Prog link(driver);
            driver.Faults().*fault = frame;
            QVERIFY(!link.Test());
            QVERIFY(!link.IsOpen());
            QCOMPARE(link.ErrorCode(), error);
            QVERIFY(link.Test()); // the fault was for that frame only
        }
    }

    void wrongCommandEchoShowsInTheReply() {
        Bench b;
        b.driver.Faults().wrongCommandAtFrame = b.driver.FramesSeen() + 1;
        QVERIFY(b.Send(cmdReadConfig));
        QCOMPARE(b.link.Reply()[kCommandByte], uint8_t(cmdReadConfig + 1));
    }

    void failingWordIsReportedAndLeftUnwritten() {
        Bench b;
        b.driver.Unit().FailCodeWordAt(37);
        QVERIFY(b.WriteBlock(cmdWriteCode, 0x100));
        QVERIFY(b.WriteBlock(cmdWriteCode, 0x200));
        QCOMPARE(b.Got(5), kFailedPair);
        QCOMPARE(b.Got(4), uint16_t(0x204));
        QCOMPARE(b.driver.Chip().code[37], uint16_t(0x3FFF));
        b.driver.Unit().FailDataByteAt(3);
        QVERIFY(b.WriteBlock(cmdWriteData, 0));
        QCOMPARE(b.Got(3), kFailedPair);
        QCOMPARE(b.Got(2), uint16_t(0x0002));
    }

    // A bit that will not program passes the write and shows on reading.
    void stuckBitShowsOnlyOnReadBack() {
        Bench b;
        b.driver.Chip().SetStuckCodeBit(12, 0);
        b.driver.Chip().SetStuckDataBit(1, 7);
        for (int k = 0; k < kBlockEntries; ++k) {
            b.Put(k, 0x3FFE);
        }
        QVERIFY(b.Send(cmdWriteCodeErased));
        QVERIFY(b.Got(12) != kFailedPair);
        QVERIFY(b.Restart());
        QVERIFY(b.Send(cmdReadCode));
        QCOMPARE(b.Got(11), uint16_t(0x3FFE));
        QCOMPARE(b.Got(12), uint16_t(0x3FFF));
        QVERIFY(b.WriteBlock(cmdWriteData, 0));
        QVERIFY(b.Restart());
        QVERIFY(b.Send(cmdReadData));
        QCOMPARE(b.Got(1), uint16_t(0x0081));
    }

    void openPurgeAndFlowControlFaults() {
        SimulatedDriver driver;
        USB_Prog link(driver);
        driver.Faults().failOpen = true;
        QVERIFY(!link.Open());
        QCOMPARE(link.Message(),
                 std::string("Устройство не подключено или не найдено: Неверный указатель"));
        driver.Faults().failOpen = false;
        driver.Faults().failFlowControl = true;
        QVERIFY(!link.Open());
        QCOMPARE(link.Message(),
                 std::string("Устройство не подключено или не найдено: Ошибка ввода/вывода"));
        QVERIFY(!driver.IsOpen());
        driver.Faults().failFlowControl = false;
        driver.Faults().failPurge = true;
        QVERIFY(link.Open());
        QVERIFY(!link.Exchange(ProgrammerFrame{}));
        QCOMPARE(link.ErrorCode(), errPurge);
    }

    void otherFtdiDevicesAreSkipped() {
        SimulatedDriver driver;
        driver.SetDevices({{"FT232R USB UART", false},
                           {"zekt usb programmator", false},
                           {DeviceDescription, true}});
        USB_Prog link(driver);
        QVERIFY(link.Test());
        QCOMPARE(driver.LastOpenedIndex(), 2);

        driver.SetDevices({{"ZEKT USB Programmator", false}, {"FT232R USB UART", false}});
        QVERIFY(!link.Test()); // same description, but nothing answers
        QVERIFY(!link.IsOpen());
        QCOMPARE(link.ErrorCode(), errExchangeTimeout); // the reason outlives the closing
        QCOMPARE(driver.LastOpenedIndex(), 0);
    }

    void frameDelaySlowsEachReply() {
        Bench b;
        b.driver.SetFrameDelay(std::chrono::milliseconds(30));
        const auto start = std::chrono::steady_clock::now();
        QVERIFY(b.Send(cmdStart));
        QVERIFY(std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(30));
    }

    // The log keeps every payload of a run, but a long session stays bounded
    // and still ends in the frames just sent.
    void logKeepsRecentPayloads() {
        Bench b;
        QVERIFY(b.Send(cmdStart));
        QVERIFY(b.Send(cmdErase));
        const std::vector<Payload>& log = b.driver.ReceivedFrames();
        QCOMPARE(log.size(), std::size_t(2));
        QCOMPARE(log[1][kGroupByte], grpCommand);
        QCOMPARE(log[1][kCommandByte], cmdErase);
        const int total = 5 * static_cast<int>(SimulatedDriver::kFrameLogKept);
        for (int n = 2; n < total; ++n) {
            QVERIFY(b.Send(n == total - 1 ? cmdErase : cmdStart));
        }
        QCOMPARE(b.driver.FramesSeen(), total);
        QVERIFY(log.size() >= SimulatedDriver::kFrameLogKept);
        QVERIFY(log.size() <= 2 * SimulatedDriver::kFrameLogKept);
        QCOMPARE(log.back()[kCommandByte], cmdErase);
    }

    void chipFileRoundTrip() {
        TempFiles files;
        Pic16F877 chip;
        chip.code[0] = 0x018A;
        chip.code[0x1F00] = 0x0042;
        chip.code[8191] = 0x0000;
        chip.data[0] = 0x12;
        chip.data[255] = 0x00;
        chip.idWords = {0x0001, 0x0203, 0x3FFF, 0x0000};
        chip.configWord = 0x0E42;
        const std::string path = files.Path("radio.hex");
        QVERIFY(SaveChipHex(path, chip).ok);

        Pic16F877 loaded;
        loaded.code[1] = 0x0000; // anything the file does not hold comes back blank
        const ChipFileResult r = LoadChipHex(path, loaded);
        QVERIFY2(r.ok, r.error.c_str());
        QVERIFY(loaded.code == chip.code);
        QVERIFY(loaded.data == chip.data);
        QVERIFY(loaded.idWords == chip.idWords);
        QCOMPARE(loaded.configWord, chip.configWord);
        QCOMPARE(QDir(QString::fromStdString(files.Path(""))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"radio.hex"});

        // The firmware reader takes its program memory up to the ID locations.
        Project image;
        QVERIFY(!image.LoadHex(path));
        QCOMPARE(image.ProgramMemory()[0], 0x018A);
        QCOMPARE(image.ProgramMemory()[0x1F00], 0x0042);
        QCOMPARE(image.ProgramMemory()[8191], 0x0000);
    }

    void chipFileIsReadableByStandardTools() {
        const QString srecCat = QStandardPaths::findExecutable("srec_cat");
        if (srecCat.isEmpty()) {
            QSKIP("srec_cat is not installed");
        }
        TempFiles files;
        Pic16F877 chip;
        chip.code[1] = 0x2805;
        chip.data[3] = 0x5A;
        chip.configWord = 0x3F72;
        const std::string path = files.Path("radio.hex");
        QVERIFY(SaveChipHex(path, chip).ok);
        QProcess tool;
        tool.start(srecCat, {QString::fromStdString(path), "-intel", "-o", "-", "-hex-dump"});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        const QString dump = QString::fromLatin1(tool.readAllStandardOutput());
        QVERIFY2(dump.contains("00000000:") && dump.contains("05 28"), qPrintable(dump));
        QVERIFY2(dump.contains("00004000:"), qPrintable(dump));
        QVERIFY2(dump.contains("72 3F"), qPrintable(dump));
        QVERIFY2(dump.contains("00004200:"), qPrintable(dump));
        QVERIFY2(dump.contains("5A 00"), qPrintable(dump));
    }

    void chipFileLayoutMatchesGpasm() {
        TempFiles files;
        const std::string path = files.Write(
            "gpasm.hex", HexRecord(0, 0, {0x8A, 0x01}) + HexRecord(0x4000, 0, {1, 0, 2, 0}) +
                             HexRecord(0x400E, 0, {0x72, 0x3F}) +
                             HexRecord(0x4204, 0, {0x34, 0x00}) + kEndRecord);
        Pic16F877 chip;
        QVERIFY(LoadChipHex(path, chip).ok);
        QCOMPARE(chip.code[0], uint16_t(0x018A));
        QCOMPARE(chip.idWords[0], uint16_t(1));
        QCOMPARE(chip.idWords[1], uint16_t(2));
        QCOMPARE(chip.idWords[2], uint16_t(0x3FFF));
        QCOMPARE(chip.configWord, uint16_t(0x3F72));
        QCOMPARE(chip.data[2], uint8_t(0x34));
        QCOMPARE(chip.data[1], uint8_t(0xFF));
    }

    void badChipFilesLeaveTheChipAlone_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("says");
        QTest::newRow("outside the chip")
            << QByteArray((HexRecord(0x5000, 0, {1, 2}) + kEndRecord).c_str())
            << "адрес 0x5000 лежит вне памяти микроконтроллера";
        QTest::newRow("bad checksum") << QByteArray(":020000008A0100\n:00000001FF\n")
                                      << "строка 1: неверная контрольная сумма";
        QTest::newRow("not hex at all")
            << QByteArray("hello\n") << "строка 1: запись не начинается с двоеточия";
        QTest::newRow("empty") << QByteArray("") << "в файле нет данных";
        QTest::newRow("cut before its end record")
            << QByteArray(HexRecord(0, 0, {1, 2}).c_str()) << "нет записи конца файла";
        QTest::newRow("not a digit") << QByteArray(":02000000XY00FE\n:00000001FF\n")
                                     << "строка 1: ожидалась шестнадцатеричная цифра";
        QTest::newRow("cut record")
            << QByteArray(":0200000000\n") << "строка 1: длина записи не сходится с её содержимым";
    }
    void badChipFilesLeaveTheChipAlone() {
        QFETCH(QByteArray, text);
        QFETCH(QString, says);
        TempFiles files;
        Pic16F877 chip;
        chip.code[0] = 0x0123;
        const ChipFileResult r = LoadChipHex(files.Write("bad.hex", text.toStdString()), chip);
        QVERIFY(!r.ok);
        QVERIFY2(QString::fromStdString(r.error).endsWith(says), r.error.c_str());
        QCOMPARE(chip.code[0], uint16_t(0x0123));
        QVERIFY(!LoadChipHex(files.Path("absent.hex"), chip).ok);
    }

    void saveIntoMissingFolderFailsCleanly() {
        TempFiles files;
        Pic16F877 chip;
        QVERIFY(!SaveChipHex(files.Path("no/such/folder/radio.hex"), chip).ok);
    }
};

QTEST_GUILESS_MAIN(SimulatorTest)
#include "SimulatorTest.moc"
