#include "SimulatedDriver.h"

#include "USB_Prog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

namespace zekt {

namespace {

constexpr DWORD kFtdiVendorProduct = 0x04036001;

ProgrammerFrame Wrap(const Payload& payload) {
    ProgrammerFrame frame{};
    frame[0] = kFrameHead0;
    frame[1] = kFrameHead1;
    std::copy(payload.begin(), payload.end(), frame.begin() + kFramePayloadOffset);
    frame[kFrameSize - 2] = kFrameTail0;
    frame[kFrameSize - 1] = kFrameTail1;
    return frame;
}

bool Framed(const ProgrammerFrame& wire) {
    return wire[0] == kFrameHead0 && wire[1] == kFrameHead1 &&
           wire[kFrameSize - 2] == kFrameTail0 && wire[kFrameSize - 1] == kFrameTail1;
}

} // namespace

SimulatedDriver::SimulatedDriver() : devices{{DeviceDescription, true}} {}

bool SimulatedDriver::Present(int device) const {
    return device >= 0 && device < static_cast<int>(devices.size()) &&
           !(devices[static_cast<std::size_t>(device)].isUnit && unplugged);
}

bool SimulatedDriver::UnitGone() const {
    return session.open && !Present(session.device);
}

SimulatedDriver::Session* SimulatedDriver::Lookup(FT_HANDLE handle) {
    return (handle == &session && session.open) ? &session : nullptr;
}

FT_STATUS SimulatedDriver::Usable(FT_HANDLE handle, Session*& s) {
    s = Lookup(handle);
    if (s == nullptr) {
        return FT_INVALID_HANDLE;
    }
    return UnitGone() ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SimulatedDriver::FT_CreateDeviceInfoList(DWORD* numDevices) {
    listed.clear();
    for (int i = 0; i < static_cast<int>(devices.size()); ++i) {
        if (Present(i)) {
            listed.push_back(i);
        }
    }
    *numDevices = static_cast<DWORD>(listed.size());
    return FT_OK;
}

FT_STATUS SimulatedDriver::FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                                  DWORD* locationId, char* serialNumber,
                                                  char* description, FT_HANDLE* handle) {
    if (index >= listed.size() || !Present(listed[index])) {
        return FT_DEVICE_NOT_FOUND;
    }
    const SimDevice& device = devices[static_cast<std::size_t>(listed[index])];
    *flags = 0;
    *type = 0;
    *id = kFtdiVendorProduct;
    *locationId = index + 1;
    // Simulated units are SIM1, SIM2, ...: plain to see in a journal.
    const auto position = static_cast<std::size_t>(listed[index]);
    const auto units = std::count_if(devices.begin(), devices.begin() + position + 1,
                                     [](const SimDevice& d) { return d.isUnit; });
    std::snprintf(serialNumber, kDeviceStringSize, device.isUnit ? "SIM%u" : "FTSIM%u",
                  static_cast<unsigned>(device.isUnit ? units : position + 1));
    if (device.isUnit && !unitSerial.empty()) {
        std::snprintf(serialNumber, kDeviceStringSize, "%s", unitSerial.c_str());
    }
    std::snprintf(description, kDeviceStringSize, "%s", device.description.c_str());
    *handle = nullptr;
    return FT_OK;
}

FT_STATUS SimulatedDriver::FT_Open(int index, FT_HANDLE* handle) {
    *handle = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= listed.size() ||
        !Present(listed[static_cast<std::size_t>(index)])) {
        return FT_DEVICE_NOT_FOUND;
    }
    const bool held = faults.busy && devices[static_cast<std::size_t>(listed[index])].isUnit;
    if (faults.failOpen || session.open || held) {
        return FT_DEVICE_NOT_OPENED;
    }
    session = Session{};
    session.open = true;
    session.device = listed[static_cast<std::size_t>(index)];
    lastOpenedIndex = index;
    *handle = &session;
    return FT_OK;
}

DeviceAccess SimulatedDriver::ProbeAccess(DWORD index) {
    if (index >= listed.size() || !Present(listed[index])) {
        return DeviceAccess::Denied;
    }
    const bool held = faults.busy && devices[static_cast<std::size_t>(listed[index])].isUnit;
    return held ? DeviceAccess::Busy : DeviceAccess::Free;
}

FT_STATUS SimulatedDriver::FT_ResetDevice(FT_HANDLE handle) {
    Session* s = nullptr;
    return Usable(handle, s);
}

FT_STATUS SimulatedDriver::FT_SetFlowControl(FT_HANDLE handle, USHORT, UCHAR, UCHAR) {
    if (Lookup(handle) == nullptr) {
        return FT_INVALID_HANDLE;
    }
    return (faults.failFlowControl || UnitGone()) ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SimulatedDriver::FT_SetLatencyTimer(FT_HANDLE handle, UCHAR) {
    if (Lookup(handle) == nullptr) {
        return FT_INVALID_HANDLE;
    }
    return (faults.failLatencyTimer || UnitGone()) ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SimulatedDriver::FT_Purge(FT_HANDLE handle, ULONG mask) {
    Session* s = nullptr;
    if (const FT_STATUS status = Usable(handle, s); status != FT_OK) {
        return status;
    }
    if (faults.failPurge) {
        return FT_IO_ERROR;
    }
    if (mask & FT_PURGE_RX) {
        s->replies.clear();
    }
    if (mask & FT_PURGE_TX) {
        s->pending.clear();
    }
    return FT_OK;
}

FT_STATUS SimulatedDriver::FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs, ULONG) {
    Session* s = nullptr;
    if (const FT_STATUS status = Usable(handle, s); status != FT_OK) {
        return status;
    }
    s->readTimeoutMs = readTimeoutMs;
    return FT_OK;
}

FT_STATUS SimulatedDriver::FT_Write(FT_HANDLE handle, const void* buffer, DWORD bytesToWrite,
                                    DWORD* bytesWritten) {
    *bytesWritten = 0;
    Session* s = nullptr;
    if (const FT_STATUS status = Usable(handle, s); status != FT_OK) {
        return status;
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (!devices[static_cast<std::size_t>(s->device)].isUnit) {
        *bytesWritten = bytesToWrite; // another FTDI device: takes bytes, never answers
        return FT_OK;
    }
    DWORD taken = 0;
    while (taken < bytesToWrite) {
        const DWORD room = kFrameSize - static_cast<DWORD>(s->pending.size());
        const DWORD n = std::min(room, bytesToWrite - taken);
        if (s->pending.empty() && n == kFrameSize) {
            const int frameNumber = framesSeen + 1;
            if (frameNumber == faults.unplugAtFrame) {
                framesSeen = frameNumber;
                unplugged = true;
                return FT_IO_ERROR;
            }
            if (frameNumber == faults.shortWriteAtFrame) {
                framesSeen = frameNumber;
                *bytesWritten = taken + n - 1;
                return FT_OK;
            }
        }
        s->pending.insert(s->pending.end(), bytes + taken, bytes + taken + n);
        taken += n;
        if (s->pending.size() == kFrameSize) {
            ProgrammerFrame wire;
            std::copy(s->pending.begin(), s->pending.end(), wire.begin());
            s->pending.clear();
            TakeFrame(wire, ++framesSeen);
        }
    }
    *bytesWritten = taken;
    return FT_OK;
}

void SimulatedDriver::TakeFrame(const ProgrammerFrame& wire, int frameNumber) {
    // A unit acts on no frame whose head or tail it does not know, and
    // answers none: the host's read times out.
    if (!Framed(wire)) {
        ++framesRefused;
        return;
    }
    Payload request;
    std::copy(wire.begin() + kFramePayloadOffset, wire.begin() + kFramePayloadOffset + kPayloadSize,
              request.begin());
    // A long session (the window on the simulator all day) must not grow:
    // only the most recent frames are kept.
    if (received.size() >= 2 * kFrameLogKept) {
        received.erase(received.begin(), received.end() - (kFrameLogKept - 1));
    }
    received.push_back(request);
    Payload reply = unit.Handle(request);
    if (frameNumber == faults.readTimeoutAtFrame) {
        return;
    }
    if (frameNumber == faults.wrongCommandAtFrame) {
        reply[kCommandByte] = static_cast<uint8_t>(reply[kCommandByte] + 1);
    }
    session.replyLate = frameNumber == faults.slowReplyAtFrame;
    ProgrammerFrame frame = Wrap(reply);
    if (frameNumber == faults.garbageReplyAtFrame) {
        for (uint8_t& b : frame) {
            b = static_cast<uint8_t>(random());
        }
    }
    session.replies.insert(session.replies.end(), frame.begin(), frame.end());
}

FT_STATUS SimulatedDriver::FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead,
                                   DWORD* bytesReturned) {
    *bytesReturned = 0;
    Session* s = nullptr;
    if (const FT_STATUS status = Usable(handle, s); status != FT_OK) {
        return status;
    }
    if (frameDelay.count() > 0) {
        std::this_thread::sleep_for(frameDelay);
    }
    if (std::exchange(s->replyLate, false)) {
        std::this_thread::sleep_for(kSlowReply);
    }
    const DWORD n = std::min<DWORD>(bytesToRead, static_cast<DWORD>(s->replies.size()));
    std::copy_n(s->replies.begin(), n, static_cast<uint8_t*>(buffer));
    s->replies.erase(s->replies.begin(), s->replies.begin() + n);
    if (n < bytesToRead && waitOutTimeouts) {
        std::this_thread::sleep_for(std::chrono::milliseconds(s->readTimeoutMs));
    }
    *bytesReturned = n;
    return FT_OK;
}

FT_STATUS SimulatedDriver::FT_Close(FT_HANDLE handle) {
    if (Lookup(handle) == nullptr) {
        return FT_INVALID_HANDLE;
    }
    session = Session{};
    return FT_OK;
}

} // namespace zekt
