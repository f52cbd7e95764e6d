#pragma once

#include <cstdint>

namespace zekt {

// The FTDI D2XX calling conventions that the programmer link relies on.
using FT_STATUS = uint32_t;
using FT_HANDLE = void*;
using DWORD = uint32_t;
using ULONG = uint32_t;
using USHORT = uint16_t;
using UCHAR = uint8_t;

enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
};

inline constexpr ULONG FT_PURGE_RX = 1;
inline constexpr ULONG FT_PURGE_TX = 2;
inline constexpr USHORT FT_FLOW_NONE = 0x0000;

// Size of the serial-number and description buffers handed to
// FT_GetDeviceInfoDetail; backends write a NUL-terminated string into them.
inline constexpr int kDeviceStringSize = 300;

// Whether a device of the last list could be opened now.
enum class DeviceAccess { Free, Busy, Denied };

// The D2XX calls the link uses, so that real hardware, the simulated unit
// and scripted test doubles can stand behind the same link.
class FtdiDriver {
public:
    virtual ~FtdiDriver() = default;

    virtual FT_STATUS FT_CreateDeviceInfoList(DWORD* numDevices) = 0;
    virtual FT_STATUS FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                             DWORD* locationId, char* serialNumber,
                                             char* description, FT_HANDLE* handle) = 0;
    virtual FT_STATUS FT_Open(int index, FT_HANDLE* handle) = 0;
    virtual FT_STATUS FT_ResetDevice(FT_HANDLE handle) = 0;
    virtual FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flowControl, UCHAR xon,
                                        UCHAR xoff) = 0;
    virtual FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask) = 0;
    // How long the chip holds a partial packet before it sends it (1-255 ms).
    virtual FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs) = 0;
    virtual FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs,
                                     ULONG writeTimeoutMs) = 0;
    virtual FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, DWORD bytesToWrite,
                               DWORD* bytesWritten) = 0;
    // Returns when bytesToRead bytes arrived or the read time-out passed,
    // with FT_OK and the count received in either case.
    virtual FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead,
                              DWORD* bytesReturned) = 0;
    virtual FT_STATUS FT_Close(FT_HANDLE handle) = 0;

    // Beyond D2XX, for listing units: whether another program holds the
    // device (its interface claimed) or this user may not open it. Claims
    // nothing it keeps.
    virtual DeviceAccess ProbeAccess(DWORD index) = 0;
};

} // namespace zekt
