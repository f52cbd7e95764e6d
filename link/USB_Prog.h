#pragma once

#include "FtdiDriver.h"
#include "ProgrammerFrame.h"

#include <chrono>
#include <functional>
#include <string>

namespace zekt {

// The link's own error codes; each has an operator text (ErrorText).
inline constexpr int errNone = 0;
inline constexpr int errDll = 1;
inline constexpr int errNoDevice = 2;
inline constexpr int errClose = 3;
inline constexpr int errPurge = 4;
inline constexpr int errTimeouts = 5;
inline constexpr int errWrite = 6;
inline constexpr int errExchangeTimeout = 7;
inline constexpr int errDriver = -1;

// The USB description by which the programmer unit is found (exact match).
inline constexpr const char* DeviceDescription = "ZEKT USB Programmator";

// Which unit a link opens when several are attached: empty fields match any.
struct UnitSelector {
    std::string serialNumber;
    DWORD locationId = 0; // USB bus and port, when serial numbers repeat
    bool Matches(const std::string& serial, DWORD location) const {
        return (serialNumber.empty() || serial == serialNumber) &&
               (locationId == 0 || location == locationId);
    }
};

// The chip's latency timer may be set from 1 to 255 ms; 0 leaves it alone.
inline constexpr int kLatencyTimerMaxMs = 255;

inline constexpr ULONG kReadTimeoutMs = 5000;
inline constexpr ULONG kWriteTimeoutMs = 5000;

std::string ErrorText(int errorCode);
std::string StatusSuffix(FT_STATUS status);

// The only path to the programmer unit: finds it by its description, opens
// it, exchanges 80-byte frames and keeps the reason of the last failure in
// errorCode, status and message.
class USB_Prog {
public:
    explicit USB_Prog(FtdiDriver& driver) : driver(driver) {}

    bool Open();
    // False only when the driver failed to close; the link is closed after it.
    bool Close();
    // Sends payload bytes 0 to 75 of the buffer and receives one reply frame.
    bool Exchange(const ProgrammerFrame& payload);

    // The frames exchanged since the last MarkFrames: how many, when the
    // first began and the last ended (a run's own time, whatever boxes were
    // open around it).
    struct FrameSpan {
        int frames = 0;
        std::chrono::steady_clock::time_point first;
        std::chrono::steady_clock::time_point last;
    };
    void MarkFrames() { span = {}; }
    const FrameSpan& Frames() const { return span; }
    // The programmer test: echo frame, then the test flag set and cleared.
    bool Test();

    bool IsReady() const { return ready; }
    const ProgrammerFrame& Reply() const { return reply; }
    std::string Message() const { return message; }

    int ErrorCode() const { return errorCode; }
    FT_STATUS Status() const { return status; }
    bool IsOpen() const { return handle != nullptr; }
    // The USB serial number of the unit last opened; empty before.
    const std::string& SerialNumber() const { return serialNumber; }

    // Each Open sets the chip's latency timer to ms after its own sequence
    // (0: no setting, the chip keeps its own). A refusal is no failure: the
    // warning (once) says so and the link goes on at the chip's timer.
    void SetLatencyTimer(int ms) { latencyMs = ms; }
    // Open takes the first unit the selector matches (by default the first
    // unit attached).
    void SelectUnit(UnitSelector selector) { unit = std::move(selector); }
    // The timer the last Open set; 0 when it set none.
    int LatencyInUse() const { return latencyInUse; }
    std::function<void(const std::string&)> warn;

private:
    FtdiDriver& driver;
    FT_STATUS status = FT_OK;
    FT_HANDLE handle = nullptr;
    bool ready = true;
    int errorCode = errNone;
    std::string message;
    UnitSelector unit;
    int latencyMs = 0;
    int latencyInUse = 0;
    bool latencyWarned = false;
    std::string serialNumber;
    ProgrammerFrame reply{};
    ProgrammerFrame request{};
    FrameSpan span;

    void BuildMessage();
    bool Fail(int code);
    bool FindDevice(DWORD count, int& index);
    void SetLatencyTimerIfAsked();
    void WrapFrame();
    void UnwrapFrame();
    bool ExchangeFrame(const ProgrammerFrame& payload);
    bool SendTestCommand(ProgrammerFrame& buffer, uint8_t command);
    bool FailTest();
};

} // namespace zekt
