#pragma once

#include "FtdiDriver.h"
#include "SimulatedUnit.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace zekt {

// Failures the simulated unit can be told to show. Frame numbers count the
// 80-byte frames the unit received since it was made, from 1; 0 means never.
struct SimFaults {
    int unplugAtFrame = 0;       // that write fails and the unit is gone
    int readTimeoutAtFrame = 0;  // no reply to that frame
    int shortWriteAtFrame = 0;   // only 79 bytes of that frame are taken
    int garbageReplyAtFrame = 0; // 80 random bytes answer that frame
    int wrongCommandAtFrame = 0; // the reply to that frame names another command
    int slowReplyAtFrame = 0;    // the reply to that frame comes kSlowReply late
    bool failOpen = false;
    bool failFlowControl = false;
    bool failPurge = false;
    bool failLatencyTimer = false;
    bool busy = false; // another program holds the unit: it cannot be opened
};

// How late a slow reply comes: long enough for a test to act in between,
// well inside the link's read time-out.
inline constexpr std::chrono::milliseconds kSlowReply{3000};

struct SimDevice {
    std::string description;
    bool isUnit = false; // the programmer unit; any other FTDI device never answers
};

// A driver backend whose far end is the simulated programmer unit.
class SimulatedDriver : public FtdiDriver {
public:
    SimulatedDriver();

    SimulatedUnit& Unit() { return unit; }
    Pic16F877& Chip() { return unit.Chip(); }
    SimFaults& Faults() { return faults; }
    void SetDevices(std::vector<SimDevice> list) { devices = std::move(list); }
    void Unplug() { unplugged = true; }
    void PlugIn() { unplugged = false; }
    bool IsUnplugged() const { return unplugged; }

    // Pause before each reply, so that a demo run can be watched.
    void SetFrameDelay(std::chrono::milliseconds delay) { frameDelay = delay; }
    // Make a missing reply take the full read time-out, as a real unit would.
    void SetWaitOutTimeouts(bool wait) { waitOutTimeouts = wait; }

    // The payloads the unit received, in order: all of them, or at least the
    // last kFrameLogKept of a long session (a full programming run is about
    // 560 frames). FramesSeen counts every frame.
    static constexpr std::size_t kFrameLogKept = 4096;
    const std::vector<Payload>& ReceivedFrames() const { return received; }
    // Safe to read from another thread while a run exchanges frames.
    int FramesSeen() const { return framesSeen.load(); }
    // Frames with a wrong head or tail: counted among those seen, neither
    // logged nor acted on nor answered.
    int FramesRefused() const { return framesRefused.load(); }
    int LastOpenedIndex() const { return lastOpenedIndex; }
    bool IsOpen() const { return session.open; }

    FT_STATUS FT_CreateDeviceInfoList(DWORD* numDevices) override;
    FT_STATUS FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                     DWORD* locationId, char* serialNumber, char* description,
                                     FT_HANDLE* handle) override;
    FT_STATUS FT_Open(int index, FT_HANDLE* handle) override;
    FT_STATUS FT_ResetDevice(FT_HANDLE handle) override;
    FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flowControl, UCHAR xon,
                                UCHAR xoff) override;
    FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask) override;
    FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs, ULONG writeTimeoutMs) override;
    FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, DWORD bytesToWrite,
                       DWORD* bytesWritten) override;
    FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead,
                      DWORD* bytesReturned) override;
    // Taken and ignored: the simulated unit answers at once.
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs) override;
    FT_STATUS FT_Close(FT_HANDLE handle) override;
    DeviceAccess ProbeAccess(DWORD index) override;

    // The unit's USB serial number; SIM1 unless set.
    void SetSerialNumber(std::string serial) { unitSerial = std::move(serial); }

private:
    struct Session {
        bool open = false;
        int device = -1;
        ULONG readTimeoutMs = 0;
        std::vector<uint8_t> pending; // request bytes not yet a whole frame
        std::deque<uint8_t> replies;
        bool replyLate = false;
    };

    SimulatedUnit unit;
    SimFaults faults;
    std::vector<SimDevice> devices;
    std::vector<int> listed; // device indexes of the last listing
    Session session;
    bool unplugged = false;
    std::chrono::milliseconds frameDelay{0};
    bool waitOutTimeouts = false;
    std::vector<Payload> received;
    std::atomic<int> framesSeen{0};
    std::atomic<int> framesRefused{0};
    int lastOpenedIndex = -1;
    std::mt19937 random{20081205};
    std::string unitSerial;

    bool Present(int device) const;
    // The session behind a handle, or nullptr; the unit's session fails
    // while it is unplugged.
    Session* Lookup(FT_HANDLE handle);
    // FT_OK with the session, or why the handle cannot be used.
    FT_STATUS Usable(FT_HANDLE handle, Session*& s);
    bool UnitGone() const;
    void TakeFrame(const ProgrammerFrame& wire, int frameNumber);
};

} // namespace zekt
