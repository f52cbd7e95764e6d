#include "EmulatedFtdi.h"
#include "LibFtdiDriver.h"
#include "LinkBackend.h"
#include "ProgramOp.h"
#include "ProgramThread.h"
#include "RunRig.h"
#include "USB_Prog.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>
#include <memory>

using namespace zekt;

// The real libftdi1 backend, through libusb, against an emulated FTDI chip
// whose far end is the simulated programmer unit.
class UsbPathTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariable("LD_PRELOAD").indexOf("umockdev") < 0) {
            QSKIP("needs umockdev-wrapper");
        }
    }

    void programmerTestPasses() {
        EmulatedFtdi device;
        LibFtdiDriver driver;
        USB_Prog link(driver);
        QVERIFY2(link.Test(), link.Message().c_str());
        QVERIFY(!link.IsOpen());
        const EmulatedFtdi::Counts counts = device.Snapshot();
        QCOMPARE(counts.frames, 6);
        QVERIFY(counts.bulkIn >= 6);
        QVERIFY(!counts.vendorRequests.empty());
        QString requests;
        for (const int r : counts.vendorRequests) {
            requests += QString(" 0x%1").arg(r, 2, 16, QChar('0'));
        }
        qInfo("FTDI vendor requests of a programmer test:%s", qPrintable(requests));
        // reset (0x00: reset, purges) and flow control (0x02) at least
        QVERIFY(counts.vendorRequests.front() == 0x00);
        QVERIFY(std::find(counts.vendorRequests.begin(), counts.vendorRequests.end(), 0x02) !=
                counts.vendorRequests.end());
    }

    // With the real chip's pacing every exchange waits at least for the
    // latency timer (the reply's last 18 bytes) plus the unit's own delay;
    // how long it takes beyond that is bench_usb_pacing's figure.
    void pacedExchangesFollowTheLatencyTimer() {
        EmulatedFtdi device;
        device.SetRealPacing(std::chrono::milliseconds(4));
        LibFtdiDriver driver;
        USB_Prog link(driver);
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(link.Test(), link.Message().c_str());
        const qint64 elapsed = clock.elapsed();
        const int frames = device.Snapshot().frames;
        const qint64 floor = frames * (device.Latency().count() + 4);
        QVERIFY2(elapsed >= floor,
                 qPrintable(QString("%1 ms for %2 frames").arg(elapsed).arg(frames)));
    }

    // The set-latency vendor request goes once per open, with the value,
    // only when asked; a chip that stalls it leaves a warning and a test
    // that passes at the default pacing.
    void latencyTimerIsSetOnlyWhenAsked() {
        const struct {
            int asked;
            bool refused;
            int inUse;
        } cases[] = {{0, false, 0}, {1, false, 1}, {7, true, 0}};
        for (const auto& [asked, refused, inUse] : cases) {
            EmulatedFtdi device;
            if (refused) {
                device.RefuseLatencyTimer();
            }
            LibFtdiDriver driver;
            USB_Prog link(driver);
            link.SetLatencyTimer(asked);
            int warnings = 0;
            link.warn = [&warnings](const std::string&) { ++warnings; };
            QVERIFY2(link.Test(), link.Message().c_str());
            QCOMPARE(link.LatencyInUse(), inUse);
            QCOMPARE(warnings, refused ? 1 : 0);
            const EmulatedFtdi::Counts counts = device.Snapshot();
            QCOMPARE(counts.latencyValues, asked ? std::vector<int>{asked} : std::vector<int>{});
            QCOMPARE(device.Latency().count(), inUse ? inUse : 16);
        }
    }

    // Two and four units on one bus: listed with their serial numbers and
    // ports, chosen by serial number (or port, when serials repeat), a
    // claimed one busy, and radios programmed on the chosen ones only.
    void severalUnitsOnOneBus() {
        for (const int count : {2, 4}) {
            const std::vector<std::string> serials = {"ZK1000A1", "ZK1000B2", "ZK9", "ZK9"};
            std::vector<std::unique_ptr<EmulatedFtdi>> devices;
            for (int k = 0; k < count; ++k) {
                devices.push_back(std::make_unique<EmulatedFtdi>(
                    "ZEKT USB Programmator", serials[static_cast<std::size_t>(k)], k + 1));
            }
            devices[1]->HoldElsewhere();
            LinkBackend backend;
            QVERIFY(backend.Open({}).Ok());
            const std::vector<UnitInfo> units = backend.ListUnits();
            QCOMPARE(static_cast<int>(units.size()), count);
            QStringList lines;
            for (const UnitInfo& unit : units) {
                lines << QString::fromStdString(UnitLine(unit)).simplified();
            }
            QVERIFY2(lines.contains("ZK1000A1 1-1 свободен") &&
                         lines.contains("ZK1000B2 1-2 занят"),
                     qPrintable(lines.join(", ")));
            const UnitChoice busy = ChooseUnits(units, {"B2"}, false);
            QCOMPARE(busy.units.at(0).access, DeviceAccess::Busy);
            const auto held = backend.MakeLink(&busy.units[0], nullptr);
            QVERIFY(!held->Open());
            if (count == 4) {
                QVERIFY(ChooseUnits(units, {"ZK9"}, false).ambiguous);
            }
            // Two radios, each on a link and thread of its own, one after the
            // other: umockdev's preload serves one thread's USB requests at a
            // time (at once they break its socket); the simulated units show
            // runs at the same time.
            const UnitChoice two = ChooseUnits(units,
                                               count == 4 ? std::vector<std::string>{"A1", "1-4"}
                                                          : std::vector<std::string>{"A1"},
                                               false);
            QVERIFY(!two.refusal);
            QCOMPARE(two.units.size(), count == 4 ? std::size_t(2) : std::size_t(1));
            std::vector<LinkRun> runs(two.units.size());
            for (std::size_t k = 0; k < two.units.size(); ++k) {
                std::unique_ptr<QThread> thread(QThread::create([&, k] {
                    const auto link = backend.MakeLink(&two.units[k], nullptr);
                    runs[k].Run(*link, kOpsWriteFrequencies);
                }));
                thread->start();
                thread->wait();
            }
            for (const LinkRun& run : runs) {
                QVERIFY2(!run.failed, run.message.c_str());
            }
            QVERIFY(devices[0]->Snapshot().frames > 0);
            QCOMPARE(devices[1]->Snapshot().frames, 0);
            if (count == 4) {
                QCOMPARE(devices[2]->Snapshot().frames, 0); // the same serial, another port
                QVERIFY(devices[3]->Snapshot().frames > 0);
            }
        }
    }

    // A bench programming all day, round after round: a chosen unit keeps
    // its driver and USB context, so the descriptors stay as they were.
    void roundsKeepDescriptorsFlat() {
        EmulatedFtdi device("ZEKT USB Programmator", "ZK1000A1", 1);
        LinkBackend backend;
        QVERIFY(backend.Open({}).Ok());
        const UnitInfo unit = backend.ListUnits().at(0);
        const auto openDescriptors = [] {
            return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size();
        };
        qsizetype afterFirstRounds = 0;
        constexpr int kRounds = 200;
        for (int round = 1; round <= kRounds; ++round) {
            const auto link = backend.MakeLink(&unit, nullptr);
            QVERIFY2(link->Test(), link->Message().c_str());
            if (round == 10) {
                afterFirstRounds = openDescriptors();
            }
        }
        // A descriptor or two of the emulation may come and go; a driver per
        // round would leave two for every round.
        const qsizetype after = openDescriptors();
        QVERIFY2(after <= afterFirstRounds + 2,
                 qPrintable(QString("%1 -> %2").arg(afterFirstRounds).arg(after)));
    }

    void descriptionDifferingInCaseIsNotTheUnit() {
        EmulatedFtdi device("ZEKT USB PROGRAMMATOR");
        LibFtdiDriver driver;
        USB_Prog link(driver);
        QVERIFY(!link.Open());
        QCOMPARE(link.ErrorCode(), errNoDevice);
        QCOMPARE(device.Snapshot().frames, 0);
    }

    void fullProgrammingAndReadingRuns() {
        EmulatedFtdi device;
        LibFtdiDriver driver;
        USB_Prog link(driver);
        LinkRun program;
        Project& image = program.image;
        for (int w = 0; w < kProgramWords; ++w) {
            image.ProgramMemory()[w] = (w * 37 + 11) & 0x3FFF;
        }
        for (int b = 0; b < kDataBytes; ++b) {
            image.DataMemory()[b] = (b * 7 + 3) & 0xFF;
        }
        image.IdWords() = {0x10D1, 0x17D8, 0x1CA0, 0x2004};
        image.SetConfigWord(0x3F72);
        QElapsedTimer clock;
        clock.start();
        const int code = program.Run(link, kOpsProgramRadio);
        const qint64 elapsed = clock.nsecsElapsed();
        QVERIFY2(code == 1, program.message.c_str());
        const int frames = device.Snapshot().frames;
        QCOMPARE(frames, 553);
        qInfo("figure usb_bench_frame_round_trip_us %.1f us", elapsed / 1000.0 / frames);
        const Pic16F877& chip = device.Unit().Chip();
        for (int w = 0; w < kProgramWords; ++w) {
            QCOMPARE(int(chip.code[w]), image.ProgramMemory()[w]);
        }
        for (int b = 0; b < kDataBytes; ++b) {
            QCOMPARE(int(chip.data[b]), image.DataMemory()[b]);
        }
        QCOMPARE(int(chip.configWord), 0x3F72);

        LinkRun read;
        read.image.SetStartWord(7936);
        QVERIFY2(read.Run(link, kOpsReadIdentification | kOpsReadMemories) == 1,
                 read.message.c_str());
        QCOMPARE(read.image.IdWords()[0], 0x10D1);
        QCOMPARE(read.image.ProgramMemory()[8191], image.ProgramMemory()[8191]);
        QCOMPARE(read.image.DataMemory()[200], image.DataMemory()[200]);
    }

    // The chip passes a frame with a wrong head or tail byte on, and the
    // unit answers none; the same frame sent right it answers.
    void badlyFramedFramesAreNotAnswered() {
        for (const int at : {0, 1, kFrameSize - 2, kFrameSize - 1}) {
            EmulatedFtdi device;
            LibFtdiDriver driver;
            DWORD count = 0;
            FT_HANDLE handle = nullptr;
            QCOMPARE(driver.FT_CreateDeviceInfoList(&count), FT_OK);
            QCOMPARE(driver.FT_Open(0, &handle), FT_OK);
            QCOMPARE(driver.FT_SetTimeouts(handle, 300, 300), FT_OK);
            ProgrammerFrame wire{};
            wire[0] = kFrameHead0;
            wire[1] = kFrameHead1;
            wire[kFramePayloadOffset + kGroupByte] = grpCommand;
            wire[kFramePayloadOffset + kCommandByte] = cmdStart;
            wire[kFrameSize - 2] = kFrameTail0;
            wire[kFrameSize - 1] = kFrameTail1;
            ProgrammerFrame bad = wire;
            bad[static_cast<std::size_t>(at)] ^= 0x01;
            ProgrammerFrame reply{};
            DWORD got = 0;
            QCOMPARE(driver.FT_Write(handle, bad.data(), kFrameSize, &got), FT_OK);
            QCOMPARE(got, DWORD(kFrameSize));
            QCOMPARE(driver.FT_Read(handle, reply.data(), kFrameSize, &got), FT_OK);
            QVERIFY2(got == 0, qPrintable(QString("byte %1").arg(at)));
            QCOMPARE(device.Snapshot().frames, 1);
            QCOMPARE(device.Snapshot().refusedFrames, 1);

            QCOMPARE(driver.FT_Write(handle, wire.data(), kFrameSize, &got), FT_OK);
            QCOMPARE(driver.FT_Read(handle, reply.data(), kFrameSize, &got), FT_OK);
            QCOMPARE(got, DWORD(kFrameSize));
            QCOMPARE(reply[kFramePayloadOffset + kCommandByte], cmdStart);
            QCOMPARE(reply[kFrameSize - 1], kFrameTail1);
            QCOMPARE(device.Snapshot().refusedFrames, 1);
            QCOMPARE(driver.FT_Close(handle), FT_OK);
        }
    }

    void unitThatStopsAnsweringTimesOut() {
        EmulatedFtdi device;
        LibFtdiDriver driver;
        USB_Prog link(driver);
        QVERIFY(link.Open());
        ProgrammerFrame frame{};
        frame[0] = grpCommand;
        QVERIFY(link.Exchange(frame));
        device.StopAnswering();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!link.Exchange(frame));
        QVERIFY(clock.elapsed() >= 4900); // the read waited out its time-out
        QCOMPARE(link.Message(), std::string("Тайм-аут обмена с устройством"));
        QVERIFY(link.Close());
    }

    void unitThatDisappearsMidRun() {
        EmulatedFtdi device;
        LibFtdiDriver driver;
        USB_Prog link(driver);
        Project image;
        QVERIFY(link.Open());
        ProgrammerFrame frame{};
        frame[0] = grpCommand;
        QVERIFY(link.Exchange(frame));
        device.Disappear();
        QVERIFY(!link.Exchange(frame));
        const std::string message = link.Message();
        QVERIFY2(message.starts_with("Ошибка при очистке аппаратных буферов USB") ||
                     message.starts_with("Ошибка записи в порт USB"),
                 message.c_str());
        link.Close();
        QVERIFY(!link.IsOpen());
        QVERIFY(!link.Open());
        QCOMPARE(link.ErrorCode(), errNoDevice);
    }
};

QTEST_GUILESS_MAIN(UsbPathTest)
#include "UsbPathTest.moc"
