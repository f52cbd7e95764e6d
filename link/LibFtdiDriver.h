#pragma once

#include "FtdiDriver.h"

#include <cstdint>
#include <vector>

struct ftdi_context;
struct libusb_device;

namespace zekt {

// Real programmer units through libftdi1 (libusb underneath).
class LibFtdiDriver : public FtdiDriver {
public:
    LibFtdiDriver();
    ~LibFtdiDriver() override;
    LibFtdiDriver(const LibFtdiDriver&) = delete;
    LibFtdiDriver& operator=(const LibFtdiDriver&) = delete;

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
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs) override;
    FT_STATUS FT_Close(FT_HANDLE handle) override;
    DeviceAccess ProbeAccess(DWORD index) override;

private:
    struct OpenDevice;

    ftdi_context* listContext = nullptr; // enumeration and string queries
    std::vector<libusb_device*> devices; // referenced until the next listing
    std::vector<OpenDevice*> openDevices;

    void ReleaseDeviceList();
    OpenDevice* Find(FT_HANDLE handle) const;
};

// The mapping from libftdi1 return codes to D2XX statuses, kept apart from
// the USB calls so it can be checked without a device.
FT_STATUS StatusFromOpenResult(int result);
FT_STATUS StatusFromCallResult(int result);

} // namespace zekt
