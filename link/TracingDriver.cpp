#include "TracingDriver.h"

#include "MachineNumber.h"

namespace zekt {

void TracingDriver::Line(const std::string& text) {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(out, "%s%10s ms  %s\n", tag.c_str(), MachineNumber(ms, 3).c_str(), text.c_str());
    if (std::fflush(out) != 0 && writeError != nullptr) {
        int none = 0;
        writeError->compare_exchange_strong(none, errno);
    }
}

void TracingDriver::Dump(const char* direction, const void* bytes, DWORD count, FT_STATUS status,
                         const char* note) {
    std::string text = direction;
    char hex[16];
    std::snprintf(hex, sizeof hex, " %2u", static_cast<unsigned>(count));
    text += hex;
    text += " bytes";
    if (status != FT_OK) {
        std::snprintf(hex, sizeof hex, "%u", static_cast<unsigned>(status));
        text += " status " + std::string(hex);
    }
    if (note != nullptr) {
        text += std::string(" ") + note;
    }
    text += ":";
    const auto* b = static_cast<const unsigned char*>(bytes);
    for (DWORD i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", b[i]);
        text += hex;
    }
    Line(text);
}

FT_STATUS TracingDriver::FT_CreateDeviceInfoList(DWORD* numDevices) {
    const FT_STATUS status = inner.FT_CreateDeviceInfoList(numDevices);
    Line("devices: " + std::to_string(*numDevices) + " (status " + std::to_string(status) + ")");
    return status;
}

FT_STATUS TracingDriver::FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                                DWORD* locationId, char* serialNumber,
                                                char* description, FT_HANDLE* handle) {
    const FT_STATUS status = inner.FT_GetDeviceInfoDetail(index, flags, type, id, locationId,
                                                          serialNumber, description, handle);
    Line("device " + std::to_string(index) + ": \"" + description + "\" (status " +
         std::to_string(status) + ")");
    return status;
}

FT_STATUS TracingDriver::FT_Open(int index, FT_HANDLE* handle) {
    const FT_STATUS status = inner.FT_Open(index, handle);
    Line("open " + std::to_string(index) + " (status " + std::to_string(status) + ")");
    return status;
}

FT_STATUS TracingDriver::FT_Write(FT_HANDLE handle, const void* buffer, DWORD bytesToWrite,
                                  DWORD* bytesWritten) {
    const FT_STATUS status = inner.FT_Write(handle, buffer, bytesToWrite, bytesWritten);
    Dump("TX", buffer, *bytesWritten, status,
         *bytesWritten < bytesToWrite ? "SHORT WRITE" : nullptr);
    return status;
}

FT_STATUS TracingDriver::FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead,
                                 DWORD* bytesReturned) {
    const FT_STATUS status = inner.FT_Read(handle, buffer, bytesToRead, bytesReturned);
    Dump("RX", buffer, *bytesReturned, status, *bytesReturned < bytesToRead ? "TIME-OUT" : nullptr);
    return status;
}

FT_STATUS TracingDriver::FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs) {
    const FT_STATUS status = inner.FT_SetLatencyTimer(handle, timerMs);
    Line("latency timer " + std::to_string(timerMs) + " ms (status " + std::to_string(status) +
         ")");
    return status;
}

FT_STATUS TracingDriver::FT_Close(FT_HANDLE handle) {
    const FT_STATUS status = inner.FT_Close(handle);
    Line("close (status " + std::to_string(status) + ")");
    return status;
}

} // namespace zekt
