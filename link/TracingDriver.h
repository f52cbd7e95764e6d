#pragma once

#include "FtdiDriver.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

namespace zekt {

// Passes every call to another driver and writes each frame sent and
// received to a text file as a timestamped hex dump; a read that brings
// fewer bytes than asked is marked as a time-out.
class TracingDriver : public FtdiDriver {
public:
    // tag starts every line (the unit's serial number when several share a
    // trace); writeError, when given, keeps the errno of the first line that
    // did not reach the file (a full disk), which a later call would lose.
    TracingDriver(FtdiDriver& inner, std::FILE* out, std::string tag = {},
                  std::atomic<int>* writeError = nullptr)
        : inner(inner), out(out), tag(std::move(tag)), writeError(writeError) {}

    FT_STATUS FT_CreateDeviceInfoList(DWORD* numDevices) override;
    FT_STATUS FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                     DWORD* locationId, char* serialNumber, char* description,
                                     FT_HANDLE* handle) override;
    FT_STATUS FT_Open(int index, FT_HANDLE* handle) override;
    FT_STATUS FT_ResetDevice(FT_HANDLE handle) override { return inner.FT_ResetDevice(handle); }
    FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flowControl, UCHAR xon,
                                UCHAR xoff) override {
        return inner.FT_SetFlowControl(handle, flowControl, xon, xoff);
    }
    FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask) override {
        return inner.FT_Purge(handle, mask);
    }
    FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs, ULONG writeTimeoutMs) override {
        return inner.FT_SetTimeouts(handle, readTimeoutMs, writeTimeoutMs);
    }
    FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, DWORD bytesToWrite,
                       DWORD* bytesWritten) override;
    FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead,
                      DWORD* bytesReturned) override;
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs) override;
    FT_STATUS FT_Close(FT_HANDLE handle) override;
    DeviceAccess ProbeAccess(DWORD index) override { return inner.ProbeAccess(index); }

private:
    FtdiDriver& inner;
    std::FILE* out;
    std::string tag;
    std::atomic<int>* writeError;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    void Line(const std::string& text);
    void Dump(const char* direction, const void* bytes, DWORD count, FT_STATUS status,
              const char* note);
};

} // namespace zekt
