#include "HardwareDriver.h"
#include "RunTimeLibrary.h"

#include <string>
#include <vector>
#include <windows.h>

namespace zekt {

namespace {

constexpr const wchar_t* kLibrary = L"ftd2xx.dll";
constexpr DWORD kFlagOpened = 1; // FT_FLAGS_OPENED: another program has the device

// The library's entry points, as its maker documents them.
struct D2xxCalls {
    FT_STATUS(WINAPI* CreateDeviceInfoList)(DWORD*) = nullptr;
    FT_STATUS(WINAPI* GetDeviceInfoDetail)
    (DWORD, DWORD*, DWORD*, DWORD*, DWORD*, void*, void*, FT_HANDLE*) = nullptr;
    FT_STATUS(WINAPI* Open)(int, FT_HANDLE*) = nullptr;
    FT_STATUS(WINAPI* GetDeviceInfo)(FT_HANDLE, DWORD*, DWORD*, char*, char*, void*) = nullptr;
    FT_STATUS(WINAPI* ResetDevice)(FT_HANDLE) = nullptr;
    FT_STATUS(WINAPI* SetFlowControl)(FT_HANDLE, USHORT, UCHAR, UCHAR) = nullptr;
    FT_STATUS(WINAPI* Purge)(FT_HANDLE, ULONG) = nullptr;
    FT_STATUS(WINAPI* SetLatencyTimer)(FT_HANDLE, UCHAR) = nullptr;
    FT_STATUS(WINAPI* SetTimeouts)(FT_HANDLE, ULONG, ULONG) = nullptr;
    FT_STATUS(WINAPI* Write)(FT_HANDLE, void*, DWORD, DWORD*) = nullptr;
    FT_STATUS(WINAPI* Read)(FT_HANDLE, void*, DWORD, DWORD*) = nullptr;
    FT_STATUS(WINAPI* Close)(FT_HANDLE) = nullptr;
    bool complete = false;
};

template <typename Function>
void Take(const RunTimeLibrary& library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(LibraryFunction(library, name));
}

const RunTimeLibrary& Library() {
    static const RunTimeLibrary library = LoadRunTimeLibrary(
        kLibrary, {"FT_CreateDeviceInfoList", "FT_GetDeviceInfoDetail", "FT_Open",
                   "FT_GetDeviceInfo", "FT_ResetDevice", "FT_SetFlowControl", "FT_Purge",
                   "FT_SetLatencyTimer", "FT_SetTimeouts", "FT_Write", "FT_Read", "FT_Close"});
    return library;
}

// Loaded once for the process; the library stays until the process ends.
const D2xxCalls& Calls() {
    static const D2xxCalls calls = [] {
        D2xxCalls c;
        const RunTimeLibrary& library = Library();
        if (library.handle == nullptr) {
            return c;
        }
        Take(library, "FT_CreateDeviceInfoList", c.CreateDeviceInfoList);
        Take(library, "FT_GetDeviceInfoDetail", c.GetDeviceInfoDetail);
        Take(library, "FT_Open", c.Open);
        Take(library, "FT_GetDeviceInfo", c.GetDeviceInfo);
        Take(library, "FT_ResetDevice", c.ResetDevice);
        Take(library, "FT_SetFlowControl", c.SetFlowControl);
        Take(library, "FT_Purge", c.Purge);
        Take(library, "FT_SetLatencyTimer", c.SetLatencyTimer);
        Take(library, "FT_SetTimeouts", c.SetTimeouts);
        Take(library, "FT_Write", c.Write);
        Take(library, "FT_Read", c.Read);
        Take(library, "FT_Close", c.Close);
        c.complete = true; // the loader checked every name
        return c;
    }();
    return calls;
}

// Real programmer units through the chip maker's own driver.
class D2xxDriver : public FtdiDriver {
public:
    FT_STATUS FT_CreateDeviceInfoList(DWORD* numDevices) override {
        *numDevices = 0;
        return Usable() ? calls.CreateDeviceInfoList(numDevices) : FT_DEVICE_NOT_FOUND;
    }
    FT_STATUS FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                     DWORD* locationId, char* serialNumber, char* description,
                                     FT_HANDLE* handle) override {
        serialNumber[0] = '\0';
        description[0] = '\0';
        if (!Usable()) {
            return FT_DEVICE_NOT_FOUND;
        }
        const FT_STATUS status = calls.GetDeviceInfoDetail(index, flags, type, id, locationId,
                                                           serialNumber, description, handle);
        serialNumber[kDeviceStringSize - 1] = '\0';
        if (listedSerials.size() <= index) {
            listedSerials.resize(index + 1);
        }
        listedSerials[index] = status == FT_OK ? serialNumber : "";
        return status;
    }
    // The driver opens by its list as it is now: a unit plugged in or out
    // since the listing shifts the indexes, so the serial is checked.
    FT_STATUS FT_Open(int index, FT_HANDLE* handle) override {
        *handle = nullptr;
        if (!Usable()) {
            return FT_DEVICE_NOT_FOUND;
        }
        const FT_STATUS status = calls.Open(index, handle);
        if (status != FT_OK || OpenedSerial(*handle) == ListedSerial(index)) {
            return status;
        }
        calls.Close(*handle);
        *handle = nullptr;
        return FT_DEVICE_NOT_FOUND;
    }
    FT_STATUS FT_ResetDevice(FT_HANDLE handle) override { return calls.ResetDevice(handle); }
    FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flowControl, UCHAR xon,
                                UCHAR xoff) override {
        return calls.SetFlowControl(handle, flowControl, xon, xoff);
    }
    FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask) override { return calls.Purge(handle, mask); }
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs) override {
        return calls.SetLatencyTimer(handle, timerMs);
    }
    FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs, ULONG writeTimeoutMs) override {
        return calls.SetTimeouts(handle, readTimeoutMs, writeTimeoutMs);
    }
    FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, DWORD bytesToWrite,
                       DWORD* bytesWritten) override {
        // The library's prototype takes a plain pointer; it does not write to it.
        return calls.Write(handle, const_cast<void*>(buffer), bytesToWrite, bytesWritten);
    }
    FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead,
                      DWORD* bytesReturned) override {
        return calls.Read(handle, buffer, bytesToRead, bytesReturned);
    }
    FT_STATUS FT_Close(FT_HANDLE handle) override { return calls.Close(handle); }

    DeviceAccess ProbeAccess(DWORD index) override {
        DWORD flags = 0, type = 0, id = 0, locationId = 0;
        char serial[kDeviceStringSize] = {};
        char description[kDeviceStringSize] = {};
        FT_HANDLE handle = nullptr;
        if (FT_GetDeviceInfoDetail(index, &flags, &type, &id, &locationId, serial, description,
                                   &handle) != FT_OK) {
            return DeviceAccess::Denied;
        }
        return (flags & kFlagOpened) != 0 ? DeviceAccess::Busy : DeviceAccess::Free;
    }

private:
    const D2xxCalls& calls = Calls();
    std::vector<std::string> listedSerials; // as the last listing named them

    std::string ListedSerial(int index) const {
        const auto at = static_cast<std::size_t>(index);
        return at < listedSerials.size() ? listedSerials[at] : std::string();
    }

    std::string OpenedSerial(FT_HANDLE handle) const {
        DWORD type = 0, id = 0;
        char serial[kDeviceStringSize] = {};
        char description[kDeviceStringSize] = {};
        if (calls.GetDeviceInfo(handle, &type, &id, serial, description, nullptr) != FT_OK) {
            return {};
        }
        serial[kDeviceStringSize - 1] = '\0';
        return serial;
    }

    bool Usable() const { return calls.complete; }
};

} // namespace

std::unique_ptr<FtdiDriver> MakeHardwareDriver() {
    return std::make_unique<D2xxDriver>();
}

std::optional<std::string> HardwareDriverMissing() {
    if (Calls().complete) {
        return std::nullopt;
    }
    return DescribeLibraryProblem(Library(), "ftd2xx.dll", " (драйвер D2XX)",
                                  "установите USB-драйвер программатора и повторите.");
}

} // namespace zekt
