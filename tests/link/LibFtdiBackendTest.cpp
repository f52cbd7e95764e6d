#include "LibFtdiDriver.h"
#include "ReadUntil.h"
#include "USB_Prog.h"

#include <QtTest>
#include <cstring>
#include <deque>

using namespace zekt;
using namespace std::chrono_literals;

namespace {

// A clock that only moves when the test says so (or on every poll pause).
struct FakeTime {
    std::chrono::steady_clock::time_point now{};
    int pauses = 0;
    std::chrono::milliseconds pauseStep{10};

    Clock ClockFn() {
        return [this] { return now; };
    }
    Pause PauseFn() {
        return [this] {
            ++pauses;
            now += pauseStep;
        };
    }
};

// Hands out scripted chunk sizes; -1 is an I/O error.
struct Chunks {
    std::deque<int> sizes;
    uint8_t next = 0;

    ChunkReader Reader() {
        return [this](uint8_t* to, int room) {
            if (sizes.empty()) {
                return 0;
            }
            const int n = std::min(sizes.front(), room);
            sizes.pop_front();
            for (int i = 0; i < n; ++i) {
                to[i] = next++;
            }
            return n;
        };
    }
};

} // namespace

class LibFtdiBackendTest : public QObject {
    Q_OBJECT

private slots:
    void noUnitAttachedMeansNoDevice() {
        LibFtdiDriver driver;
        USB_Prog link(driver);
        QVERIFY(!link.Open());
        QCOMPARE(link.ErrorCode(), errNoDevice);
        QCOMPARE(link.Message(), std::string("Устройство не подключено или не найдено"));
        QVERIFY(!link.Test());
        QVERIFY(!link.Exchange(ProgrammerFrame{}));
    }

    void callsWithUnknownHandleAreRefused() {
        LibFtdiDriver driver;
        int other = 0;
        DWORD n = 99;
        QCOMPARE(driver.FT_ResetDevice(&other), FT_INVALID_HANDLE);
        QCOMPARE(driver.FT_Purge(nullptr, 3), FT_INVALID_HANDLE);
        QCOMPARE(driver.FT_Write(&other, "x", 1, &n), FT_INVALID_HANDLE);
        QCOMPARE(n, DWORD(0));
        QCOMPARE(driver.FT_Close(&other), FT_INVALID_HANDLE);
        FT_HANDLE handle = &other;
        QCOMPARE(driver.FT_Open(0, &handle), FT_DEVICE_NOT_FOUND);
        QCOMPARE(handle, FT_HANDLE(nullptr));
    }

    void libftdiResultsMapToD2xxStatuses() {
        QCOMPARE(StatusFromOpenResult(0), FT_OK);
        QCOMPARE(StatusFromOpenResult(-4), FT_DEVICE_NOT_OPENED);
        QCOMPARE(StatusFromOpenResult(-5), FT_DEVICE_NOT_OPENED);
        QCOMPARE(StatusFromOpenResult(-8), FT_INVALID_HANDLE);
        QCOMPARE(StatusFromOpenResult(-3), FT_OTHER_ERROR);
        QCOMPARE(StatusFromCallResult(0), FT_OK);
        QCOMPARE(StatusFromCallResult(80), FT_OK);
        QCOMPARE(StatusFromCallResult(-1), FT_IO_ERROR);
        QCOMPARE(StatusFromCallResult(-666), FT_DEVICE_NOT_FOUND);
    }

    void readCollectsChunksUntilComplete() {
        FakeTime time;
        Chunks chunks;
        chunks.sizes = {0, 62, 0, 0, 18};
        uint8_t buffer[80] = {};
        const ReadUntilOutcome r =
            ReadUntil(buffer, 80, 5000ms, chunks.Reader(), time.ClockFn(), time.PauseFn());
        QVERIFY(!r.ioError);
        QCOMPARE(r.received, 80u);
        QCOMPARE(buffer[79], uint8_t(79));
        QCOMPARE(time.pauses, 3); // only after empty polls
    }

    void readStopsAtTheDeadlineWithWhatArrived() {
        FakeTime time;
        Chunks chunks;
        chunks.sizes = {40, 39};
        uint8_t buffer[80] = {};
        const ReadUntilOutcome r =
            ReadUntil(buffer, 80, 5000ms, chunks.Reader(), time.ClockFn(), time.PauseFn());
        QVERIFY(!r.ioError);
        QCOMPARE(r.received, 79u);
        QVERIFY(time.now >= std::chrono::steady_clock::time_point{} + 5000ms);
        QVERIFY(time.now < std::chrono::steady_clock::time_point{} + 5000ms + time.pauseStep * 2);
    }

    void readReportsAnIoError() {
        FakeTime time;
        Chunks chunks;
        chunks.sizes = {10, -1};
        uint8_t buffer[80] = {};
        const ReadUntilOutcome r =
            ReadUntil(buffer, 80, 5000ms, chunks.Reader(), time.ClockFn(), time.PauseFn());
        QVERIFY(r.ioError);
    }

    void zeroTimeoutStillTakesWhatIsBuffered() {
        FakeTime time;
        Chunks chunks;
        chunks.sizes = {80};
        uint8_t buffer[80] = {};
        const ReadUntilOutcome r =
            ReadUntil(buffer, 80, 0ms, chunks.Reader(), time.ClockFn(), time.PauseFn());
        QCOMPARE(r.received, 80u);
    }
};

QTEST_APPLESS_MAIN(LibFtdiBackendTest)
#include "LibFtdiBackendTest.moc"
