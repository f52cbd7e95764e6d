#include "Commands.h"
#include "EngineMessages.h"
#include "ProgramOp.h"
#include "RunRig.h"
#include "RunStop.h"
#include "ScriptedDriver.h"

#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <functional>
#include <utility>
#include <vector>

using namespace zekt;
using Commands = std::vector<std::pair<int, int>>;

namespace {

// What a backup reads of a radio.
constexpr ProgramOp kWholeChip = opReadConfig | opReadCode | opReadData;

// A firmware-like image: every word and byte different, ID words and the
// unprotected configuration word.
void FillImage(Project& image) {
    for (int w = 0; w < kProgramWords; ++w) {
        image.ProgramMemory()[w] = (w * 37 + 11) & 0x3FFF;
    }
    for (int b = 0; b < kDataBytes; ++b) {
        image.DataMemory()[b] = (b * 7 + 3) & 0xFF;
    }
    image.IdWords() = {0x10D1, 0x17D8, 0x1CA0, 0x2004};
    image.SetConfigWord(0x3F72);
}

const Commands kFullRun = {{cmdStart, 1},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdErase, 1},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdWriteCodeErased, 256},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdReadCode, 256},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdWriteData, 8},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdReadData, 8},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdWriteId, 1},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdWriteConfig, 1},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdReadId, 1},
                           {cmdEnd, 1},
                           {cmdBegin, 1},
                           {cmdReadConfig, 1},
                           {cmdEnd, 1}};

// Forwards to the simulated unit and notes which thread wrote each frame.
class ThreadNotingDriver : public SimulatedDriver {
public:
    std::vector<bool> onUiThread;
    FT_STATUS FT_Write(FT_HANDLE h, const void* b, DWORD n, DWORD* done) override {
        onUiThread.push_back(QThread::currentThread() == qApp->thread());
        return SimulatedDriver::FT_Write(h, b, n, done);
    }
};

// Forwards to the simulated unit and logs, in order, each frame's command
// and the closing of the unit.
class EventLoggingDriver : public SimulatedDriver {
public:
    static constexpr int kClosed = -1;
    std::vector<int> events;
    FT_STATUS FT_Write(FT_HANDLE h, const void* b, DWORD n, DWORD* done) override {
        if (n == kFrameSize) {
            events.push_back(static_cast<const uint8_t*>(b)[kFramePayloadOffset + kCommandByte]);
        }
        return SimulatedDriver::FT_Write(h, b, n, done);
    }
    FT_STATUS FT_Close(FT_HANDLE h) override {
        events.push_back(kClosed);
        return SimulatedDriver::FT_Close(h);
    }
};

// An owner whose command is asked to stop once stop says so.
class StoppingOwner : public CountingOwner {
public:
    std::function<bool()> stop;
    bool StopAsked() const override { return stop && stop(); }
};

} // namespace

class ProgramThreadTest : public QObject {
    Q_OBJECT

private slots:
    void newThreadHasUnknownErrorAndRunsAtLowestPriority() {
        RunRig rig;
        ProgramThread thread(true, &rig.owner, 0, rig.image, rig.link, rig.progress);
        QVERIFY(thread.Outcome().ok);
        QCOMPARE(thread.Outcome().message, std::string("Неизвестная ошибка"));
        QVERIFY(!thread.isRunning());
        thread.Resume();
        QCOMPARE(thread.priority(), QThread::LowestPriority);
        QCOMPARE(thread.WaitFor(), 1);
    }

    void emptyRunSendsStartAndEnd() {
        RunRig rig;
        QCOMPARE(rig.Run(0), 1);
        QCOMPARE(rig.Commands(), (Commands{{cmdStart, 1}, {cmdEnd, 1}}));
        QVERIFY(!rig.driver.IsOpen());
        QCOMPARE(rig.owner.disabled, 1);
        QCOMPARE(rig.owner.enabled, 1);
        QVERIFY(!rig.owner.offUiThread);
        QCOMPARE(rig.progress.captions, std::vector<std::string>{""});
    }

    // The application told to quit mid-run (a desktop logout) serves the
    // run to its end instead of leaving the worker waiting; a stop request
    // (a signal) ends a run at its next frame with the End frame and closing.
    // While the owner asks the operator about the run, its next step waits:
    // nothing more goes to the unit until the owner lets it go on.
    void heldRunWaitsBeforeItsNextStep() {
        RunRig rig;
        FillImage(rig.image);
        rig.owner.hold = true;
        // Told to wait, the run asks again and sends nothing in between;
        // the third time it is let go.
        int asked = 0;
        std::vector<int> framesWhenAsked;
        rig.owner.onAskedWhileHeld = [&] {
            framesWhenAsked.push_back(rig.driver.FramesSeen());
            rig.owner.hold = ++asked < 3;
        };
        QCOMPARE(rig.Run(opErase | opProgData), 1); // a run that succeeded
        QCOMPARE(framesWhenAsked.size(), std::size_t(3));
        QVERIFY(framesWhenAsked[0] >= 1 && framesWhenAsked[0] < 4); // Start, at most
        QCOMPARE(framesWhenAsked[2], framesWhenAsked[0]);
        QVERIFY(rig.driver.FramesSeen() > framesWhenAsked[0] + 2); // and went on once let go
    }

    void quitAndStopMidRun() {
        RunRig quitting;
        FillImage(quitting.image);
        int code = -1;
        // The main loop is asked to quit once the run shows its progress.
        bool quitAsked = false;
        quitting.progress.onPosition = [&quitAsked] {
            if (!std::exchange(quitAsked, true)) {
                QCoreApplication::quit();
            }
        };
        QTimer::singleShot(0, qApp,
                           [&] { code = quitting.Run(opErase | opProgData | opVerifyData); });
        QCoreApplication::exec(); // as the window's main loop
        QVERIFY(quitAsked);
        QCOMPARE(code, 1);

        RunRig stopped;
        FillImage(stopped.image);
        stopped.progress.onPosition = [] { RequestRunStop(SIGTERM); }; // once it has begun
        QCOMPARE(stopped.Run(kOpsProgramRadio), 0);
        ClearRunStop();
        QCOMPARE(stopped.message, std::string(msg::kRunStopped));
        QCOMPARE(stopped.Commands().back().first, int(cmdEnd));
        QVERIFY(stopped.Commands().size() > 3); // it had begun
        QVERIFY(!stopped.driver.IsOpen());
    }

    // A run asked to stop sends no frame but the End that winds it up,
    // exactly one, and then closes the unit; a stop asked before the run's
    // own last End changes nothing.
    void stoppedRunSendsOneEndAndCloses() {
        const struct {
            int stopAfter; // frames the unit had when the stop was asked
            int frames;    // frames the run sent in all
            bool stopped;
        } cases[] = {
            {0, 1, true},     // before Start
            {2, 3, true},     // before the erase step's Begin
            {3, 4, true},     // before Erase
            {100, 101, true}, // amid the program memory
            {552, 553, false},
        };
        for (const auto& [stopAfter, frames, stopped] : cases) {
            EventLoggingDriver driver;
            USB_Prog link(driver);
            StoppingOwner owner;
            owner.stop = [&driver, at = stopAfter] { return driver.FramesSeen() >= at; };
            Project image;
            FillImage(image);
            RecordingProgress progress;
            ProgramThread thread(true, &owner, kOpsProgramRadio, image, link, progress);
            thread.Resume();
            const int code = thread.WaitFor();
            ClearRunStop();
            const QString where = QString("stop after frame %1").arg(stopAfter);
            QVERIFY2(code == (stopped ? 0 : 1), qPrintable(where));
            QVERIFY2(thread.Outcome().stopped == stopped, qPrintable(where));
            if (stopped) {
                QCOMPARE(thread.Outcome().message, std::string(msg::kRunStopped));
            }
            QVERIFY2(driver.FramesSeen() == frames, qPrintable(where));
            QVERIFY2(driver.events.size() >= std::size_t(stopAfter), qPrintable(where));
            const std::vector<int> tail(driver.events.begin() + stopAfter, driver.events.end());
            QVERIFY2(tail == (std::vector<int>{cmdEnd, EventLoggingDriver::kClosed}),
                     qPrintable(where));
            QVERIFY(!driver.IsOpen());
            QCOMPARE(owner.enabled, 1);
        }
    }

    void fullProgrammingRun() {
        RunRig rig;
        rig.driver.Chip().code.fill(0); // a programmed radio: the run must erase it first
        FillImage(rig.image);
        QCOMPARE(rig.Run(kOpsProgramRadio), 1);
        QCOMPARE(rig.Commands(), kFullRun);
        QCOMPARE(rig.driver.FramesSeen(), 553);
        const Pic16F877& chip = rig.driver.Chip();
        for (int w = 0; w < kProgramWords; ++w) {
            QCOMPARE(int(chip.code[w]), rig.image.ProgramMemory()[w]);
        }
        for (int b = 0; b < kDataBytes; ++b) {
            QCOMPARE(int(chip.data[b]), rig.image.DataMemory()[b]);
        }
        QCOMPARE(int(chip.idWords[0]), 0x10D1);
        QCOMPARE(int(chip.configWord), 0x3F72);
        QVERIFY(!rig.driver.IsOpen());
        QVERIFY(!rig.owner.locked);
    }

    void frameBytesOfTheWritingCommands() {
        RunRig rig;
        FillImage(rig.image);
        rig.image.IdWords()[2] = 0x3CA0;
        QCOMPARE(rig.Run(kOpsProgramRadio), 1);
        const auto& log = rig.driver.ReceivedFrames();
        const Payload& firstCode = log[6]; // start, end, begin, erase, end, begin
        QCOMPARE(firstCode[kGroupByte], grpCommand);
        QCOMPARE(firstCode[kCommandByte], cmdWriteCodeErased);
        QCOMPARE(firstCode[2], uint8_t((11 >> 8) & 0xFF));
        QCOMPARE(firstCode[3], uint8_t(11));
        QCOMPARE(firstCode[4], uint8_t(48 >> 8));
        QCOMPARE(firstCode[5], uint8_t(48 & 0xFF));
        const Payload& firstData = log[6 + 256 + 2 + 256 + 2];
        QCOMPARE(firstData[kCommandByte], cmdWriteData);
        QCOMPARE(firstData[2], uint8_t(0x00));
        QCOMPARE(firstData[3], uint8_t(3));
        QCOMPARE(firstData[5], uint8_t(10));
        const Payload& writeId = log[553 - 11];
        QCOMPARE(writeId[kCommandByte], cmdWriteId);
        QCOMPARE(writeId[2], uint8_t(0x10));
        QCOMPARE(writeId[3], uint8_t(0xD1));
        QCOMPARE(writeId[6], uint8_t(0x3C));
        QCOMPARE(writeId[7], uint8_t(0xA0));
        const Payload& writeConfig = log[553 - 8];
        QCOMPARE(writeConfig[kCommandByte], cmdWriteConfig);
        QCOMPARE(writeConfig[2], uint8_t(0x3F));
        QCOMPARE(writeConfig[3], uint8_t(0x72));
        // Bytes a command does not set keep what the previous frame left.
        const Payload& end = log.back();
        QCOMPARE(end[kCommandByte], cmdEnd);
        QCOMPARE(end[2], uint8_t(0x3F));
    }

    void writingFrequenciesFromTheFrequencyPage() {
        RunRig rig;
        FillImage(rig.image);
        rig.image.SetStartWord(7936);
        rig.driver.Chip().code[0] = 0x1234; // below the page: must stay
        QCOMPARE(rig.Run(kOpsWriteFrequencies), 1);
        QCOMPARE(
            rig.Commands(),
            (Commands{{cmdStart, 1},       {cmdEnd, 1},     {cmdBegin, 1},    {cmdSetAddress, 1},
                      {cmdWriteCode, 8},   {cmdEnd, 1},     {cmdBegin, 1},    {cmdSetAddress, 1},
                      {cmdReadCode, 9},    {cmdEnd, 1},     {cmdBegin, 1},    {cmdWriteData, 8},
                      {cmdEnd, 1},         {cmdBegin, 1},   {cmdReadData, 8}, {cmdEnd, 1},
                      {cmdBegin, 1},       {cmdWriteId, 1}, {cmdEnd, 1},      {cmdBegin, 1},
                      {cmdWriteConfig, 1}, {cmdEnd, 1}}));
        const Payload& setAddress = rig.driver.ReceivedFrames()[3];
        QCOMPARE(setAddress[2], uint8_t(0x1F));
        QCOMPARE(setAddress[3], uint8_t(0x00));
        QCOMPARE(int(rig.driver.Chip().code[0]), 0x1234);
        QCOMPARE(int(rig.driver.Chip().code[7936]), rig.image.ProgramMemory()[7936]);
        QCOMPARE(int(rig.driver.Chip().code[8191]), rig.image.ProgramMemory()[8191]);
        QCOMPARE(rig.progress.positions.front(), 7936);
    }

    void readingARadioBack() {
        RunRig rig;
        Pic16F877& chip = rig.driver.Chip();
        chip.idWords = {0x10D1, 0x17D8, 0x1CA0, 0x2004};
        chip.configWord = 0x3F72;
        for (int w = 7936; w < 8192; ++w) {
            chip.code[w] = static_cast<uint16_t>(w & 0xFF);
        }
        chip.data.fill(0x5A);
        QCOMPARE(rig.Run(kOpsReadIdentification), 1);
        QCOMPARE(rig.Commands(), (Commands{{cmdStart, 1},
                                           {cmdEnd, 1},
                                           {cmdBegin, 1},
                                           {cmdReadId, 1},
                                           {cmdEnd, 1},
                                           {cmdBegin, 1},
                                           {cmdReadConfig, 1},
                                           {cmdEnd, 1}}));
        QCOMPARE(rig.image.IdWords()[0], 0x10D1);
        QCOMPARE(rig.image.IdWords()[3], 0x2004);
        QCOMPARE(rig.image.ConfigWord(), 0x3F72);
        QCOMPARE(rig.progress.caption, std::string()); // reading the identification sets no caption

        RunRig second;
        second.driver.Chip().code = chip.code;
        second.driver.Chip().data = chip.data;
        second.image.SetStartWord(7936);
        QCOMPARE(second.Run(kOpsReadMemories), 1);
        QCOMPARE(second.Commands(), (Commands{{cmdStart, 1},
                                              {cmdEnd, 1},
                                              {cmdBegin, 1},
                                              {cmdSetAddress, 1},
                                              {cmdReadCode, 9},
                                              {cmdEnd, 1},
                                              {cmdBegin, 1},
                                              {cmdReadData, 8},
                                              {cmdEnd, 1}}));
        QCOMPARE(second.image.ProgramMemory()[7936], 0x00);
        QCOMPARE(second.image.ProgramMemory()[8191], 0xFF);
        QCOMPARE(second.image.ProgramMemory()[7935], 0x3FFF);
        QCOMPARE(second.image.DataMemory()[255], 0x5A);
    }

    void identificationIsReadBeforeCode() {
        RunRig rig;
        rig.image.SetStartWord(7936);
        QCOMPARE(rig.Run(opReadCode | opReadConfig), 1);
        const Commands c = rig.Commands();
        QCOMPARE(c[3], (std::pair<int, int>{cmdReadId, 1}));
        QCOMPARE(c[10], (std::pair<int, int>{cmdReadCode, 9}));
    }

    // A reply awaited never holds the waiting (window's) thread.
    void everyFrameTravelsOnTheWorker() {
        ThreadNotingDriver driver;
        USB_Prog link(driver);
        LinkRun run;
        QCOMPARE(run.Run(link, kOpsProgramRadio), 1);
        QCOMPARE(driver.onUiThread.size(), std::size_t(553));
        QCOMPARE(std::count(driver.onUiThread.begin(), driver.onUiThread.end(), true), 0);
    }

    void barPositions() {
        RunRig rig;
        QCOMPARE(rig.Run(opProgData), 1);
        QCOMPARE(rig.progress.maxima, std::vector<int>{256});
        QCOMPARE(rig.progress.positions,
                 (std::vector<int>{32, 64, 96, 128, 160, 192, 224, 256, 288}));
        QCOMPARE(rig.progress.captions,
                 (std::vector<std::string>{"", "Программирование памяти данных..."}));

        RunRig verify;
        QCOMPARE(verify.Run(opVerifyCode | opVerifyData), 1);
        QCOMPARE(verify.progress.maxima, (std::vector<int>{8192, 256}));
        QCOMPARE(verify.progress.positions.front(), 0);
        QCOMPARE(verify.progress.positions[256], 8192);
        QCOMPARE(verify.progress.positions.back(), 256);
    }

    void writeFailureNamesTheWordAddress() {
        RunRig rig;
        rig.driver.Unit().FailCodeWordAt(101); // block 3, pair 5
        QCOMPARE(rig.Run(kOpsProgramRadio), 0);
        QCOMPARE(rig.message,
                 std::string("Ошибка программирования памяти программ по адресу: 101"));
        QVERIFY(!rig.driver.IsOpen());
        QVERIFY(!rig.owner.locked);
        const Commands c = rig.Commands();
        QCOMPARE(c[6], (std::pair<int, int>{cmdWriteCodeErased, 4}));
        QCOMPARE(c.back(), (std::pair<int, int>{cmdEnd, 1})); // FailRun ends programming mode
        QCOMPARE(rig.driver.Chip().data[0], uint8_t(0xFF));   // data EEPROM untouched
    }

    void writeFailureOnTheFrequencyPageGivesTheFullAddress() {
        RunRig rig;
        rig.image.SetStartWord(7936);
        rig.driver.Unit().FailCodeWordAt(7936 + 40);
        QCOMPARE(rig.Run(kOpsWriteFrequencies), 0);
        QCOMPARE(rig.message,
                 std::string("Ошибка программирования памяти программ по адресу: 7976"));
    }

    void dataWriteFailure() {
        RunRig rig;
        rig.driver.Unit().FailDataByteAt(40);
        QCOMPARE(rig.Run(kOpsProgramRadio), 0);
        QCOMPARE(rig.message, std::string("Ошибка программирования памяти данных по адресу: 40"));
    }

    void verificationMessageJoinsItsPieces() {
        RunRig rig;
        rig.driver.Chip().code[12] = 0x3FFE; // the image holds the blank 0x3FFF there
        QCOMPARE(rig.Run(opVerifyCode), 0);
        QCOMPARE(rig.message,
                 std::string("Ошибка при верификации памяти программ по адресу: "
                             "12записанное значение: 16383 прочитанное значение: 16382"));
    }

    void stuckBitIsCaughtByVerification() {
        RunRig rig;
        FillImage(rig.image);
        rig.image.ProgramMemory()[300] = 0x0000;
        rig.driver.Chip().SetStuckCodeBit(300, 3);
        QCOMPARE(rig.Run(kOpsProgramRadio), 0);
        QCOMPARE(rig.message, std::string("Ошибка при верификации памяти программ по адресу: "
                                          "300записанное значение: 0 прочитанное значение: 8"));
        QCOMPARE(rig.Commands()[9], (std::pair<int, int>{cmdReadCode, 10}));

        // Frequency writing reads its page back: a word that did not take
        // fails the run with its full address.
        RunRig page;
        FillImage(page.image);
        page.image.SetStartWord(kFrequencyPageWord);
        page.image.ProgramMemory()[kFrequencyPageWord] = 0x009A;
        page.driver.Chip().SetStuckCodeBit(kFrequencyPageWord, 0);
        QCOMPARE(page.Run(kOpsWriteFrequencies), 0);
        QCOMPARE(page.message,
                 std::string("Ошибка при верификации памяти программ по адресу: "
                             "7936записанное значение: 154 прочитанное значение: 155"));
    }

    void dataVerificationComparesTheLowByte() {
        RunRig rig;
        rig.image.DataMemory()[0] = 0x1FF;
        QCOMPARE(rig.Run(opProgData | opVerifyData), 0);
        QCOMPARE(rig.message, std::string("Ошибка при верификации памяти данных по адресу: "
                                          "0записанное значение: 511 прочитанное значение: 255"));
    }

    void dataVerificationIgnoresTheFirstByteOfEachPair() {
        ScriptedDriver driver;
        driver.responder = [](const ScriptedDriver::Bytes& wire) {
            ScriptedDriver::Bytes reply = wire;
            if (wire[3] == cmdReadData) {
                for (int k = 0; k < kBlockEntries; ++k) {
                    reply[4 + 2 * k] = 0xAB;
                    reply[5 + 2 * k] = 0xFF;
                }
            }
            return reply;
        };
        USB_Prog link(driver);
        LinkRun run;
        QCOMPARE(run.Run(link, opVerifyData), 1);
    }

    void identificationMismatches() {
        RunRig id;
        id.image.IdWords()[1] = 0x4001; // bits above the 14 the chip holds
        QCOMPARE(id.Run(opProgConfig), 0);
        QCOMPARE(id.message, std::string("Ошибка программирования идентификационной метки"));
        QCOMPARE(id.driver.ReceivedFrames()[3][4], uint8_t(0x00)); // sent masked

        RunRig config;
        config.image.SetConfigWord(0x7F72);
        QCOMPARE(config.Run(opProgConfig), 0);
        QCOMPARE(config.message, std::string("Ошибочное программирование конфигурации"));

        RunRig verifyId;
        verifyId.image.IdWords()[0] = 0x10D1;
        QCOMPARE(verifyId.Run(opVerifyConfig), 0);
        QCOMPARE(verifyId.message, std::string(" Ошибка при верификации идентификационной метки"));

        RunRig verifyConfig;
        verifyConfig.image.IdWords().fill(0x3FFF);
        verifyConfig.image.SetConfigWord(0x3F72);
        QCOMPARE(verifyConfig.Run(opVerifyConfig), 0);
        QCOMPARE(verifyConfig.message,
                 std::string(" Ошибка при верификации конфигурационного слова"));
    }

    // The second pass of a read compares what both passes read: the ID and
    // configuration words, program memory from the start word, the data
    // EEPROM; a word the radio gives differently the second time, at either
    // end or inside, makes the passes differ, and a second pass that fails
    // says why.
    void readAgainComparesBothPasses() {
        const struct {
            const char* name;
            ProgramOp ops;
            int startWord;
            std::function<void(Pic16F877&, Project&)> between; // after the first pass
            int timeoutAt;                                     // frame of the second pass; 0: none
            bool ok;
            bool same;
            std::string message;
        } cases[] = {
            {"agree", kWholeChip, 0, {}, 0, true, true, ""},
            {"agree from the page", kOpsReadMemories, kFrequencyPageWord, {}, 0, true, true, ""},
            {"below the start word", kOpsReadMemories, kFrequencyPageWord,
             [](Pic16F877& chip, Project& image) {
                 chip.code[kFrequencyPageWord - 1] = 0x0001;
                 image.ProgramMemory()[0] = 0x0002;
             },
             0, true, true, ""},
            {"first word", kWholeChip, 0, [](Pic16F877& chip, Project&) { chip.code[0] ^= 1; }, 0,
             true, false, ""},
            {"first word of the page", kOpsReadMemories, kFrequencyPageWord,
             [](Pic16F877& chip, Project&) { chip.code[kFrequencyPageWord] ^= 1; }, 0, true, false,
             ""},
            {"middle word", kWholeChip, 0,
             [](Pic16F877& chip, Project&) { chip.code[4000] ^= 0x2000; }, 0, true, false, ""},
            {"last word", kOpsReadMemories, kFrequencyPageWord,
             [](Pic16F877& chip, Project&) { chip.code[kProgramWords - 1] ^= 1; }, 0, true, false,
             ""},
            {"first data byte", kOpsReadMemories, kFrequencyPageWord,
             [](Pic16F877& chip, Project&) { chip.data[0] ^= 0x80; }, 0, true, false, ""},
            {"middle data byte", kWholeChip, 0,
             [](Pic16F877& chip, Project&) { chip.data[128] ^= 1; }, 0, true, false, ""},
            {"last data byte", kWholeChip, 0,
             [](Pic16F877& chip, Project&) { chip.data[kDataBytes - 1] ^= 1; }, 0, true, false, ""},
            {"last ID word", kWholeChip, 0, [](Pic16F877& chip, Project&) { chip.idWords[3] ^= 1; },
             0, true, false, ""},
            {"configuration word", kOpsReadIdentification, kFrequencyPageWord,
             [](Pic16F877& chip, Project&) { chip.configWord ^= 0x0100; }, 0, true, false, ""},
            {"second pass times out",
             kWholeChip,
             0,
             {},
             12,
             false,
             false,
             "Тайм-аут обмена с устройством"},
            {"second pass fails at its last End",
             kOpsReadIdentification,
             kFrequencyPageWord,
             {},
             8,
             false,
             false,
             "Тайм-аут обмена с устройством"},
            {"second pass unplugged", kOpsReadMemories, kFrequencyPageWord,
             [](Pic16F877&, Project&) {}, -1, false, false,
             "Устройство не подключено или не найдено"},
        };
        for (const auto& c : cases) {
            RunRig rig;
            FillImage(rig.image);
            Pic16F877& chip = rig.driver.Chip();
            chip.code = {};
            chip.data = {};
            for (int w = 0; w < kProgramWords; ++w) {
                chip.code[w] = static_cast<uint16_t>(rig.image.ProgramMemory()[w]);
            }
            for (int b = 0; b < kDataBytes; ++b) {
                chip.data[b] = static_cast<uint8_t>(rig.image.DataMemory()[b]);
            }
            chip.idWords = {0x10D1, 0x17D8, 0x1CA0, 0x2004};
            chip.configWord = 0x3F72;
            Project first;
            first.SetStartWord(c.startWord);
            RecordingProgress progress;
            {
                ProgramThread pass(true, &rig.owner, c.ops, first, rig.link, progress);
                pass.Resume();
                QVERIFY2(pass.WaitFor() == 1, c.name);
            }
            if (c.between) {
                c.between(chip, first);
            }
            if (c.timeoutAt > 0) {
                rig.driver.Faults().readTimeoutAtFrame = rig.driver.FramesSeen() + c.timeoutAt;
            } else if (c.timeoutAt < 0) {
                rig.driver.Unplug();
            }
            const int framesBefore = rig.driver.FramesSeen();
            const ReadAgain again =
                ReadAgainAndCompare(&rig.owner, c.ops, first, rig.link, progress);
            QVERIFY2(again.run.ok == c.ok, c.name);
            QVERIFY2(again.same == c.same, c.name);
            QVERIFY2(again.run.message == c.message, (c.name + (": " + again.run.message)).c_str());
            QVERIFY2(c.timeoutAt < 0 || rig.driver.FramesSeen() > framesBefore, c.name);
            QVERIFY2(!rig.driver.IsOpen(), c.name);
        }
    }

    void unpluggedBeforeTheRun() {
        RunRig rig;
        rig.driver.Unplug();
        QCOMPARE(rig.Run(kOpsProgramRadio), 0);
        QCOMPARE(rig.message, std::string("Устройство не подключено или не найдено"));
        QVERIFY(rig.driver.ReceivedFrames().empty());
        QCOMPARE(rig.owner.disabled, 1);
        QCOMPARE(rig.owner.enabled, 1);
    }

    // The failure that ended the run is what the operator reads, not the
    // errors of winding it up.
    void failureMessageSurvivesTheWindingUp() {
        RunRig rig;
        rig.driver.Chip().code[12] = 0x3FFE;
        rig.driver.Faults().unplugAtFrame = 1 + 2 + 1 + 1; // the end frame after the failing read
        QCOMPARE(rig.Run(opVerifyCode), 0);
        QVERIFY(rig.message.find("по адресу: 12записанное") != std::string::npos);
        QVERIFY(!rig.driver.IsOpen());

        ScriptedDriver driver;
        driver.listStatus = FT_IO_ERROR;
        USB_Prog link(driver);
        LinkRun run;
        QCOMPARE(run.Run(link, 0), 0);
        QCOMPARE(run.message, std::string("Ошибка драйвера: Ошибка ввода/вывода"));
        QVERIFY(run.failed);
    }

    void closeFailureEndsTheRun() {
        ScriptedDriver driver;
        driver.closeStatus = FT_IO_ERROR;
        USB_Prog link(driver);
        LinkRun run;
        QCOMPARE(run.Run(link, 0), 0);
        QCOMPARE(run.message, std::string("Ошибка закрытия прибора: Ошибка ввода/вывода"));
        QVERIFY(!link.IsOpen());
        QCOMPARE(run.owner.enabled, 1);
    }
};

QTEST_GUILESS_MAIN(ProgramThreadTest)
#include "ProgramThreadTest.moc"
