#include "ScriptedDriver.h"
#include "USB_Prog.h"

#include <QtTest>
#include <algorithm>
#include <set>

using namespace zekt;

namespace {

const std::string kNoDevice = "Устройство не подключено или не найдено";
const std::string kIoSuffix = ": Ошибка ввода/вывода";

ProgrammerFrame Payload(uint8_t group, uint8_t command) {
    ProgrammerFrame p{};
    p[0] = group;
    p[1] = command;
    return p;
}

// A unit that answers the echo frame and the test flag like a real one.
std::function<ScriptedDriver::Bytes(const ScriptedDriver::Bytes&)> TestUnit(int firstQueryAnswer) {
    auto flag = std::make_shared<int>(0);
    auto queries = std::make_shared<int>(0);
    return [=](const ScriptedDriver::Bytes& wire) {
        ScriptedDriver::Bytes reply = wire;
        const uint8_t group = wire[2];
        const uint8_t command = wire[3];
        if (group == grpCommand && command == cmdTestSet) {
            *flag = 1;
        } else if (group == grpCommand && command == cmdTestClear) {
            *flag = 0;
        } else if (group == grpCommand && command == cmdTestQuery) {
            reply[4] = static_cast<uint8_t>(++*queries == 1 ? firstQueryAnswer : *flag);
        }
        return reply;
    };
}

} // namespace

class LinkTest : public QObject {
    Q_OBJECT

private slots:
    void newLinkIsClosedAndReady() {
        ScriptedDriver driver;
        USB_Prog link(driver);
        QVERIFY(!link.IsOpen());
        QVERIFY(link.IsReady());
        QCOMPARE(link.ErrorCode(), errNone);
        QCOMPARE(link.Status(), FT_OK);
        QCOMPARE(link.Message(), std::string());
        QVERIFY(driver.calls.empty());
    }

    // Every code of the link and every driver status has a text of its
    // own; a code or status outside them (a newer driver's) reads as the
    // driver's error and a blank, never as a read past a table.
    void errorTextsAndStatusSuffixes() {
        std::set<std::string> texts;
        for (int code = errNone; code <= errExchangeTimeout; ++code) {
            texts.insert(ErrorText(code));
        }
        texts.insert(ErrorText(errDriver));
        QCOMPARE(texts.size(), std::size_t(errExchangeTimeout + 2));
        for (const int outside : {errExchangeTimeout + 1, -7}) {
            QCOMPARE(ErrorText(outside), ErrorText(errDriver));
        }
        std::set<std::string> suffixes;
        for (FT_STATUS status = FT_INVALID_HANDLE; status <= FT_OTHER_ERROR; ++status) {
            QVERIFY(StatusSuffix(status).starts_with(": "));
            suffixes.insert(StatusSuffix(status));
        }
        QCOMPARE(suffixes.size(), std::size_t(FT_OTHER_ERROR));
        QCOMPARE(StatusSuffix(FT_OK), std::string());
        for (const FT_STATUS outside : {FT_STATUS(FT_OTHER_ERROR + 1), FT_STATUS(0xFFFFFFFF)}) {
            QCOMPARE(StatusSuffix(outside), std::string(" "));
        }
    }

    void openFindsTheUnitByExactDescription_data() {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<int>("opened");
        QTest::newRow("only the unit") << QStringList{"ZEKT USB Programmator"} << 0;
        QTest::newRow("unit after another device")
            << QStringList{"FT232R USB UART", "ZEKT USB Programmator"} << 1;
        QTest::newRow("two units: the lower index")
            << QStringList{"Other", "ZEKT USB Programmator", "ZEKT USB Programmator"} << 1;
        QTest::newRow("letter case differs") << QStringList{"ZEKT USB PROGRAMMATOR"} << -1;
        QTest::newRow("trailing space") << QStringList{"ZEKT USB Programmator "} << -1;
        QTest::newRow("prefix only") << QStringList{"ZEKT USB Programmato"} << -1;
        QTest::newRow("no devices") << QStringList{} << -1;
    }
    void openFindsTheUnitByExactDescription() {
        QFETCH(QStringList, devices);
        QFETCH(int, opened);
        ScriptedDriver driver;
        driver.descriptions.clear();
        for (const QString& d : devices) {
            driver.descriptions.push_back(d.toStdString());
        }
        USB_Prog link(driver);
        QCOMPARE(link.Open(), opened >= 0);
        QCOMPARE(driver.openedIndex, opened);
        if (opened < 0) {
            QCOMPARE(link.ErrorCode(), errNoDevice);
            QCOMPARE(link.Message(), kNoDevice);
            QVERIFY(!link.IsOpen());
        } else {
            QCOMPARE(link.ErrorCode(), errNone);
            QCOMPARE(driver.flowControl, FT_FLOW_NONE);
        }
    }

    void deviceWhoseQueryFailsDoesNotMatch() {
        ScriptedDriver driver;
        driver.descriptions = {"ZEKT USB Programmator", "ZEKT USB Programmator"};
        driver.detailStatus = {FT_DEVICE_NOT_OPENED, FT_OK};
        USB_Prog link(driver);
        QVERIFY(link.Open());
        QCOMPARE(driver.openedIndex, 1);

        ScriptedDriver lone;
        lone.detailStatus = {FT_DEVICE_NOT_OPENED};
        USB_Prog failing(lone);
        QVERIFY(!failing.Open());
        QCOMPARE(failing.Message(), kNoDevice + ": Устройство не открыто");
    }

    void deviceListFailureIsADriverError() {
        ScriptedDriver driver;
        driver.listStatus = FT_IO_ERROR;
        USB_Prog link(driver);
        QVERIFY(!link.Open());
        QCOMPARE(link.ErrorCode(), errDriver);
        QCOMPARE(link.Message(), "Ошибка драйвера" + kIoSuffix);
    }

    // Only the flow-control status decides, and a failed Open leaves nothing open.
    void flowControlFailureClosesTheHandle() {
        ScriptedDriver driver;
        driver.flowStatus = FT_IO_ERROR;
        USB_Prog link(driver);
        QVERIFY(!link.Open());
        QCOMPARE(link.ErrorCode(), errNoDevice);
        QCOMPARE(link.Message(), kNoDevice + kIoSuffix);
        QVERIFY(!link.IsOpen());
        QCOMPARE(driver.calls.back(), std::string("close"));

        driver.calls.clear();
        driver.flowStatus = FT_OK;
        QVERIFY(link.Open());
        QCOMPARE(driver.calls.front(), std::string("list"));
    }

    void resetFailureAloneDoesNotFailOpen() {
        ScriptedDriver driver;
        driver.resetStatus = FT_IO_ERROR;
        USB_Prog link(driver);
        QVERIFY(link.Open());
        QVERIFY(link.IsOpen());
    }

    void openFailureShowsAsInvalidHandle() {
        ScriptedDriver driver;
        driver.openStatus = FT_DEVICE_NOT_OPENED;
        USB_Prog link(driver);
        QVERIFY(!link.Open());
        QVERIFY(!link.IsOpen());
        QCOMPARE(link.ErrorCode(), errNoDevice);
        QCOMPARE(link.Message(), kNoDevice + ": Неверный указатель");
    }

    // The latency timer is set after the open sequence, only when asked; a
    // refusal is warned about once and fails nothing.
    void openSetsTheLatencyTimerOnlyWhenAsked() {
        const struct {
            int asked;
            FT_STATUS answer;
            int inUse;
            int warnings;
        } cases[] = {
            {0, FT_OK, 0, 0}, {1, FT_OK, 1, 0}, {255, FT_OK, 255, 0}, {2, FT_IO_ERROR, 0, 1}};
        for (const auto& [asked, answer, inUse, warnings] : cases) {
            ScriptedDriver driver;
            driver.latencyStatus = answer;
            USB_Prog link(driver);
            std::vector<std::string> said;
            link.warn = [&said](const std::string& text) { said.push_back(text); };
            link.SetLatencyTimer(asked);
            for (int open = 0; open < 2; ++open) {
                QVERIFY(link.Open());
                QCOMPARE(link.LatencyInUse(), inUse);
                QVERIFY(link.Close());
            }
            const auto flow = std::find(driver.calls.begin(), driver.calls.end(), "flow");
            QVERIFY(flow != driver.calls.end());
            const std::string set = "latency " + std::to_string(asked);
            QCOMPARE(std::count(driver.calls.begin(), driver.calls.end(), set), asked ? 2 : 0);
            if (asked != 0) {
                QCOMPARE(*(flow + 1), set);
            }
            QCOMPARE(static_cast<int>(said.size()), warnings);
            QVERIFY(said.empty() || said[0].find("Ошибка ввода/вывода") != std::string::npos);
        }
    }

    void openOnOpenLinkDoesNotCallTheDriver() {
        ScriptedDriver driver;
        USB_Prog link(driver);
        QVERIFY(link.Open());
        const std::size_t calls = driver.calls.size();
        QVERIFY(link.Open());
        QCOMPARE(driver.calls.size(), calls);
    }

    void closeOnClosedLinkRebuildsMessageFromLastStatus() {
        ScriptedDriver driver;
        driver.listStatus = FT_IO_ERROR;
        USB_Prog link(driver);
        QVERIFY(!link.Open());
        QVERIFY(link.Close());
        QCOMPARE(link.ErrorCode(), errNone);
        QCOMPARE(link.Message(), "NO ERRORS" + kIoSuffix);
        QVERIFY(std::count(driver.calls.begin(), driver.calls.end(), "close") == 0);
    }

    void closeFailureStillCloses() {
        ScriptedDriver driver;
        driver.closeStatus = FT_IO_ERROR;
        USB_Prog link(driver);
        QVERIFY(link.Open());
        QVERIFY(!link.Close());
        QCOMPARE(link.ErrorCode(), errClose);
        QCOMPARE(link.Message(), "Ошибка закрытия прибора" + kIoSuffix);
        QVERIFY(!link.IsOpen());
    }

    void exchangeOnClosedLinkKeepsTheReply() {
        ScriptedDriver driver;
        USB_Prog link(driver);
        QVERIFY(link.Open());
        QVERIFY(link.Exchange(Payload(grpCommand, 0x33)));
        QVERIFY(link.Close());
        QVERIFY(!link.Exchange(Payload(grpCommand, 0x44)));
        QCOMPARE(link.ErrorCode(), errNoDevice);
        QCOMPARE(link.Message(), kNoDevice);
        QCOMPARE(link.Reply()[1], uint8_t(0x33));
    }

    void exchangeWrapsAndUnwrapsTheFrame() {
        ScriptedDriver driver;
        ScriptedDriver::Bytes wireReply(kFrameSize);
        for (int i = 0; i < kFrameSize; ++i) {
            wireReply[i] = static_cast<uint8_t>(0x80 + i);
        }
        driver.responder = [&](const ScriptedDriver::Bytes&) { return wireReply; };
        USB_Prog link(driver);
        QVERIFY(link.Open());
        ProgrammerFrame payload;
        for (int i = 0; i < kFrameSize; ++i) {
            payload[i] = static_cast<uint8_t>(i + 1);
        }
        QVERIFY(link.Exchange(payload));

        const ScriptedDriver::Bytes& wire = driver.written.back();
        QCOMPARE(wire.size(), std::size_t(80));
        QCOMPARE(wire[0], uint8_t(0x16));
        QCOMPARE(wire[1], uint8_t(0x00));
        QCOMPARE(wire[78], uint8_t(0x16));
        QCOMPARE(wire[79], uint8_t(0xFF));
        for (int i = 0; i < kPayloadSize; ++i) {
            QCOMPARE(wire[i + 2], payload[i]); // payload bytes 76..79 never travel
        }
        for (int i = 0; i < kPayloadSize; ++i) {
            QCOMPARE(link.Reply()[i], wireReply[i + 2]);
        }
        for (int i = kPayloadSize; i < kFrameSize; ++i) {
            QCOMPARE(link.Reply()[i], uint8_t(0));
        }
        QCOMPARE(link.ErrorCode(), errNone);
    }

    void exchangeCallsInOrderWithItsSettings() {
        ScriptedDriver driver;
        USB_Prog link(driver);
        QVERIFY(link.Open());
        driver.calls.clear();
        QVERIFY(link.Exchange(Payload(grpCommand, cmdStart)));
        QCOMPARE(driver.calls, (std::vector<std::string>{"purge", "timeouts", "write", "read"}));
        QCOMPARE(driver.purgeMask, FT_PURGE_RX | FT_PURGE_TX);
        QCOMPARE(driver.readTimeout, ULONG(5000));
        QCOMPARE(driver.writeTimeout, ULONG(5000));
    }

    void exchangeFailures_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("purge") << 0 << errPurge
                               << "Ошибка при очистке аппаратных буферов USB: Ошибка ввода/вывода";
        QTest::newRow("timeouts")
            << 1 << errTimeouts
            << "Ошибка установок таймаутов приемника/передатчика USB: Неверный параметр";
        QTest::newRow("write status")
            << 2 << errWrite << "Ошибка записи в порт USB: Ошибка ввода/вывода";
        QTest::newRow("short write") << 3 << errWrite << "Ошибка записи в порт USB";
        QTest::newRow("read status")
            << 4 << errExchangeTimeout << "Тайм-аут обмена с устройством: Ошибка ввода/вывода";
        QTest::newRow("79 bytes") << 5 << errExchangeTimeout << "Тайм-аут обмена с устройством";
        QTest::newRow("no reply") << 6 << errExchangeTimeout << "Тайм-аут обмена с устройством";
        QTest::newRow("unknown status") << 7 << errWrite << "Ошибка записи в порт USB ";
    }
    void exchangeFailures() {
        QFETCH(int, step);
        QFETCH(int, errorCode);
        QFETCH(QString, message);
        ScriptedDriver driver;
        switch (step) {
        case 0:
            driver.purgeStatus = FT_IO_ERROR;
            break;
        case 1:
            driver.timeoutsStatus = FT_INVALID_PARAMETER;
            break;
        case 2:
            driver.writeStatus = FT_IO_ERROR;
            break;
        case 3:
            driver.writeShortBy = 1;
            break;
        case 4:
            driver.readStatus = FT_IO_ERROR;
            break;
        case 5:
            driver.responder = [](const ScriptedDriver::Bytes& w) {
                return ScriptedDriver::Bytes(w.begin(), w.end() - 1);
            };
            break;
        case 6:
            driver.responder = [](const ScriptedDriver::Bytes&) { return ScriptedDriver::Bytes(); };
            break;
        case 7:
            driver.writeStatus = 42;
            break;
        }
        USB_Prog link(driver);
        QVERIFY(link.Open());
        QVERIFY(!link.Exchange(Payload(grpCommand, cmdStart)));
        QCOMPARE(link.ErrorCode(), errorCode);
        QCOMPARE(QString::fromStdString(link.Message()), message);
        QVERIFY(link.IsOpen());       // a failed exchange leaves the link open
        if (step >= 2 && step != 5) { // a short read leaves what did arrive
            QVERIFY(std::all_of(link.Reply().begin(), link.Reply().end(),
                                [](uint8_t b) { return b == 0; }));
        }
    }

    void successfulExchangeKeepsEarlierError() {
        ScriptedDriver driver;
        USB_Prog link(driver);
        QVERIFY(link.Open());
        driver.purgeStatus = FT_IO_ERROR;
        QVERIFY(!link.Exchange(Payload(grpCommand, cmdStart)));
        driver.purgeStatus = FT_OK;
        QVERIFY(link.Exchange(Payload(grpCommand, cmdStart)));
        QCOMPARE(link.ErrorCode(), errPurge);
    }

    void testSendsTheTestFramesAndCloses() {
        ScriptedDriver driver;
        driver.responder = TestUnit(1);
        USB_Prog link(driver);
        QVERIFY(link.Test());
        QVERIFY(!link.IsOpen());
        QCOMPARE(driver.written.size(), std::size_t(6));
        const std::vector<std::pair<uint8_t, uint8_t>> heads = {
            {grpEcho, cmdEcho},         {grpCommand, cmdTestPrepare}, {grpCommand, cmdTestSet},
            {grpCommand, cmdTestQuery}, {grpCommand, cmdTestClear},   {grpCommand, cmdTestQuery}};
        for (std::size_t f = 0; f < heads.size(); ++f) {
            const ScriptedDriver::Bytes& wire = driver.written[f];
            QCOMPARE(wire[2], heads[f].first);
            QCOMPARE(wire[3], heads[f].second);
            for (int i = 2; i < kPayloadSize; ++i) {
                QCOMPARE(wire[i + 2], uint8_t(i));
            }
        }
    }

    void testFailsAndClosesWhenFirstQueryAnswersZero() {
        ScriptedDriver driver;
        driver.responder = TestUnit(0);
        USB_Prog link(driver);
        QVERIFY(!link.Test());
        QVERIFY(!link.IsOpen());
        QCOMPARE(driver.written.size(), std::size_t(4));
        QCOMPARE(driver.calls.back(), std::string("close"));
    }

    void testFailsWhenTheEchoDiffers() {
        ScriptedDriver driver;
        driver.responder = [](const ScriptedDriver::Bytes& wire) {
            ScriptedDriver::Bytes reply = wire;
            reply[2] = 0x40; // the group byte must come back too
            return reply;
        };
        USB_Prog link(driver);
        QVERIFY(!link.Test());
        QVERIFY(!link.IsOpen());
        QCOMPARE(driver.written.size(), std::size_t(1));
    }

    void testFailsWhenClearedFlagStillReadsOne() {
        ScriptedDriver driver;
        driver.responder = [](const ScriptedDriver::Bytes& wire) {
            ScriptedDriver::Bytes reply = wire;
            if (wire[3] == cmdTestQuery) {
                reply[4] = 1;
            }
            return reply;
        };
        USB_Prog link(driver);
        QVERIFY(!link.Test());
        QVERIFY(!link.IsOpen());
    }

    void testWithoutUnitFailsWithoutOpening() {
        ScriptedDriver driver;
        driver.descriptions.clear();
        USB_Prog link(driver);
        QVERIFY(!link.Test());
        QVERIFY(driver.written.empty());
        QCOMPARE(link.Message(), kNoDevice);
    }

    void testReportsCloseFailure() {
        ScriptedDriver driver;
        driver.responder = TestUnit(1);
        driver.closeStatus = FT_IO_ERROR;
        USB_Prog link(driver);
        QVERIFY(!link.Test());
        QCOMPARE(link.ErrorCode(), errClose);
    }
};

QTEST_APPLESS_MAIN(LinkTest)
#include "LinkTest.moc"
