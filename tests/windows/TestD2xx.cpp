// A stand-in for the chip maker's ftd2xx.dll with the same exports, whose
// far end is the simulated unit: the program's real D2XX driver loads it
// under wine, so that the Windows path is tested without hardware.
//   ZEKT_TEST_D2XX_RADIO   the radio's chip file, loaded when the list is
//                          made and saved when the unit is closed
//   ZEKT_TEST_D2XX_SERIAL  the unit's serial number (TD1 unless set)
//   ZEKT_TEST_D2XX_BUSY    1: another program has the unit open
//   ZEKT_TEST_D2XX_SHIFTED 1: the list changed between listing and opening,
//                          so the opened device is another unit (TD2)
#include "ChipHexFile.h"
#include "SimulatedDriver.h"
#include "USB_Prog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

namespace {

constexpr zekt::DWORD kFlagOpened = 1;

std::string Setting(const char* name, const char* otherwise = "") {
    const char* set = std::getenv(name);
    return set != nullptr ? set : otherwise;
}

zekt::SimulatedDriver& Unit() {
    static zekt::SimulatedDriver* unit = [] {
        auto* made = new zekt::SimulatedDriver;
        made->SetSerialNumber(Setting("ZEKT_TEST_D2XX_SERIAL", "TD1"));
        made->Faults().busy = Setting("ZEKT_TEST_D2XX_BUSY") == "1";
        if (const std::string radio = Setting("ZEKT_TEST_D2XX_RADIO"); !radio.empty()) {
            (void)zekt::LoadChipHex(radio, made->Chip()); // a missing file is a blank radio
        }
        return made;
    }();
    return *unit;
}

} // namespace

#define D2XX_EXPORT extern "C" __declspec(dllexport) zekt::FT_STATUS WINAPI

D2XX_EXPORT FT_CreateDeviceInfoList(zekt::DWORD* count) {
    return Unit().FT_CreateDeviceInfoList(count);
}

D2XX_EXPORT FT_GetDeviceInfoDetail(zekt::DWORD index, zekt::DWORD* flags, zekt::DWORD* type,
                                   zekt::DWORD* id, zekt::DWORD* location, void* serial,
                                   void* description, zekt::FT_HANDLE* handle) {
    const zekt::FT_STATUS status =
        Unit().FT_GetDeviceInfoDetail(index, flags, type, id, location, static_cast<char*>(serial),
                                      static_cast<char*>(description), handle);
    if (Unit().Faults().busy) {
        *flags |= kFlagOpened;
    }
    return status;
}

D2XX_EXPORT FT_Open(int index, zekt::FT_HANDLE* handle) {
    return Unit().FT_Open(index, handle);
}

D2XX_EXPORT FT_GetDeviceInfo(zekt::FT_HANDLE handle, zekt::DWORD* type, zekt::DWORD* id,
                             char* serial, char* description, void*) {
    if (handle == nullptr) {
        return zekt::FT_INVALID_HANDLE;
    }
    *type = 0;
    *id = 0;
    const std::string opened =
        Setting("ZEKT_TEST_D2XX_SHIFTED") == "1" ? "TD2" : Setting("ZEKT_TEST_D2XX_SERIAL", "TD1");
    std::snprintf(serial, zekt::kDeviceStringSize, "%s", opened.c_str());
    std::snprintf(description, zekt::kDeviceStringSize, "%s", zekt::DeviceDescription);
    return zekt::FT_OK;
}

D2XX_EXPORT FT_ResetDevice(zekt::FT_HANDLE handle) {
    return Unit().FT_ResetDevice(handle);
}

D2XX_EXPORT FT_SetFlowControl(zekt::FT_HANDLE handle, zekt::USHORT flow, zekt::UCHAR xon,
                              zekt::UCHAR xoff) {
    return Unit().FT_SetFlowControl(handle, flow, xon, xoff);
}

D2XX_EXPORT FT_Purge(zekt::FT_HANDLE handle, zekt::ULONG mask) {
    return Unit().FT_Purge(handle, mask);
}

D2XX_EXPORT FT_SetLatencyTimer(zekt::FT_HANDLE handle, zekt::UCHAR timerMs) {
    return Unit().FT_SetLatencyTimer(handle, timerMs);
}

D2XX_EXPORT FT_SetTimeouts(zekt::FT_HANDLE handle, zekt::ULONG readMs, zekt::ULONG writeMs) {
    return Unit().FT_SetTimeouts(handle, readMs, writeMs);
}

D2XX_EXPORT FT_Write(zekt::FT_HANDLE handle, void* buffer, zekt::DWORD size, zekt::DWORD* written) {
    return Unit().FT_Write(handle, buffer, size, written);
}

D2XX_EXPORT FT_Read(zekt::FT_HANDLE handle, void* buffer, zekt::DWORD size, zekt::DWORD* received) {
    return Unit().FT_Read(handle, buffer, size, received);
}

D2XX_EXPORT FT_Close(zekt::FT_HANDLE handle) {
    const zekt::FT_STATUS status = Unit().FT_Close(handle);
    if (const std::string radio = Setting("ZEKT_TEST_D2XX_RADIO"); !radio.empty()) {
        (void)zekt::SaveChipHex(radio, Unit().Chip());
    }
    return status;
}
