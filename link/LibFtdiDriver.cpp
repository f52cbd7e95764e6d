#include "LibFtdiDriver.h"

#include "HardwareDriver.h"
#include "ReadUntil.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ftdi.h>
#include <libusb.h>
#include <thread>

namespace zekt {

namespace {

// libftdi1's code for a context without an open USB device.
constexpr int kFtdiDeviceUnavailable = -666;
constexpr auto kPollPause = std::chrono::milliseconds(1);

} // namespace

FT_STATUS StatusFromOpenResult(int result) {
    switch (result) {
    case 0:
        return FT_OK;
    case -4:  // unable to open device (permissions, for instance)
    case -5:  // unable to claim device (in use by another program)
    case -11: // unable to detach the kernel driver
        return FT_DEVICE_NOT_OPENED;
    case -8: // invalid context
        return FT_INVALID_HANDLE;
    default:
        return FT_OTHER_ERROR;
    }
}

FT_STATUS StatusFromCallResult(int result) {
    if (result >= 0) {
        return FT_OK;
    }
    if (result == kFtdiDeviceUnavailable) {
        return FT_DEVICE_NOT_FOUND;
    }
    return FT_IO_ERROR;
}

struct LibFtdiDriver::OpenDevice {
    ftdi_context* context = nullptr;
    int readTimeoutMs = 5000;
    int writeTimeoutMs = 5000;
};

LibFtdiDriver::LibFtdiDriver() = default;

LibFtdiDriver::~LibFtdiDriver() {
    for (OpenDevice* device : openDevices) {
        ftdi_usb_close(device->context);
        ftdi_free(device->context);
        delete device;
    }
    ReleaseDeviceList();
    if (listContext != nullptr) {
        ftdi_free(listContext);
    }
}

void LibFtdiDriver::ReleaseDeviceList() {
    for (libusb_device* device : devices) {
        libusb_unref_device(device);
    }
    devices.clear();
}

LibFtdiDriver::OpenDevice* LibFtdiDriver::Find(FT_HANDLE handle) const {
    const auto it = std::find(openDevices.begin(), openDevices.end(), handle);
    return it == openDevices.end() ? nullptr : *it;
}

FT_STATUS LibFtdiDriver::FT_CreateDeviceInfoList(DWORD* numDevices) {
    *numDevices = 0;
    if (listContext == nullptr) {
        listContext = ftdi_new();
    }
    if (listContext == nullptr) {
        // libusb finds no USB subsystem at all: as D2XX would, report no devices.
        return FT_OK;
    }
    ReleaseDeviceList();
    ftdi_device_list* list = nullptr;
    // Vendor and product 0 select libftdi's list of standard FTDI ids.
    const int found = ftdi_usb_find_all(listContext, &list, 0, 0);
    if (found < 0) {
        return FT_OTHER_ERROR;
    }
    for (ftdi_device_list* entry = list; entry != nullptr; entry = entry->next) {
        devices.push_back(libusb_ref_device(entry->dev));
    }
    ftdi_list_free(&list);
    *numDevices = static_cast<DWORD>(devices.size());
    return FT_OK;
}

FT_STATUS LibFtdiDriver::FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                                DWORD* locationId, char* serialNumber,
                                                char* description, FT_HANDLE* handle) {
    *flags = 0;
    *type = 0;
    *id = 0;
    *locationId = 0;
    serialNumber[0] = '\0';
    description[0] = '\0';
    *handle = nullptr;
    if (index >= devices.size()) {
        return FT_DEVICE_NOT_FOUND;
    }
    libusb_device* device = devices[index];
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) == 0) {
        *id = (static_cast<DWORD>(descriptor.idVendor) << 16) | descriptor.idProduct;
    }
    *locationId =
        (static_cast<DWORD>(libusb_get_bus_number(device)) << 8) | libusb_get_port_number(device);
    const int result = ftdi_usb_get_strings2(listContext, device, nullptr, 0, description,
                                             kDeviceStringSize, serialNumber, kDeviceStringSize);
    if (result < 0) {
        description[0] = '\0'; // a device that cannot be queried does not match
        return FT_DEVICE_NOT_OPENED;
    }
    description[kDeviceStringSize - 1] = '\0';
    serialNumber[kDeviceStringSize - 1] = '\0';
    return FT_OK;
}

FT_STATUS LibFtdiDriver::FT_Open(int index, FT_HANDLE* handle) {
    *handle = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= devices.size()) {
        return FT_DEVICE_NOT_FOUND;
    }
    ftdi_context* context = ftdi_new();
    if (context == nullptr) {
        return FT_INSUFFICIENT_RESOURCES;
    }
    const FT_STATUS status =
        StatusFromOpenResult(ftdi_usb_open_dev(context, devices[static_cast<std::size_t>(index)]));
    if (status != FT_OK) {
        ftdi_free(context);
        return status;
    }
    auto* device = new OpenDevice{context};
    openDevices.push_back(device);
    *handle = device;
    return FT_OK;
}

FT_STATUS LibFtdiDriver::FT_ResetDevice(FT_HANDLE handle) {
    OpenDevice* device = Find(handle);
    return device == nullptr ? FT_INVALID_HANDLE
                             : StatusFromCallResult(ftdi_usb_reset(device->context));
}

FT_STATUS LibFtdiDriver::FT_SetFlowControl(FT_HANDLE handle, USHORT flowControl, UCHAR, UCHAR) {
    OpenDevice* device = Find(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (flowControl != FT_FLOW_NONE) {
        return FT_NOT_SUPPORTED; // the programmer runs without flow control
    }
    return StatusFromCallResult(ftdi_setflowctrl(device->context, SIO_DISABLE_FLOW_CTRL));
}

FT_STATUS LibFtdiDriver::FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs) {
    OpenDevice* device = Find(handle);
    return device == nullptr
               ? FT_INVALID_HANDLE
               : StatusFromCallResult(ftdi_set_latency_timer(device->context, timerMs));
}

FT_STATUS LibFtdiDriver::FT_Purge(FT_HANDLE handle, ULONG mask) {
    OpenDevice* device = Find(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    const bool rx = (mask & FT_PURGE_RX) != 0;
    const bool tx = (mask & FT_PURGE_TX) != 0;
    if (rx && tx) {
        return StatusFromCallResult(ftdi_tcioflush(device->context));
    }
    if (rx) {
        return StatusFromCallResult(ftdi_tciflush(device->context));
    }
    if (tx) {
        return StatusFromCallResult(ftdi_tcoflush(device->context));
    }
    return FT_OK;
}

FT_STATUS LibFtdiDriver::FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeoutMs,
                                        ULONG writeTimeoutMs) {
    OpenDevice* device = Find(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    device->readTimeoutMs = static_cast<int>(readTimeoutMs);
    device->writeTimeoutMs = static_cast<int>(writeTimeoutMs);
    device->context->usb_write_timeout = device->writeTimeoutMs;
    return FT_OK;
}

FT_STATUS LibFtdiDriver::FT_Write(FT_HANDLE handle, const void* buffer, DWORD bytesToWrite,
                                  DWORD* bytesWritten) {
    *bytesWritten = 0;
    OpenDevice* device = Find(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    const int result = ftdi_write_data(device->context, static_cast<const unsigned char*>(buffer),
                                       static_cast<int>(bytesToWrite));
    if (result < 0) {
        return StatusFromCallResult(result);
    }
    *bytesWritten = static_cast<DWORD>(result);
    return FT_OK;
}

FT_STATUS LibFtdiDriver::FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead,
                                 DWORD* bytesReturned) {
    *bytesReturned = 0;
    OpenDevice* device = Find(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    ftdi_context* context = device->context;
    // Each USB read returns at the chip's latency tick; the deadline is ours.
    context->usb_read_timeout = std::min(device->readTimeoutMs, 100);
    // A real chip holds each USB read until data or its latency tick, so the
    // reply's wait sets the pace; the pause only keeps a read that came back
    // at once (nothing buffered on the host side) from spinning.
    using SteadyClock = std::chrono::steady_clock;
    SteadyClock::time_point readStarted;
    const ReadUntilOutcome outcome = ReadUntil(
        static_cast<uint8_t*>(buffer), bytesToRead,
        std::chrono::milliseconds(device->readTimeoutMs),
        [context, &readStarted](uint8_t* to, int size) {
            readStarted = SteadyClock::now();
            return ftdi_read_data(context, to, size);
        },
        [] { return SteadyClock::now(); },
        [&readStarted] { std::this_thread::sleep_until(readStarted + kPollPause); });
    *bytesReturned = outcome.received;
    return outcome.ioError ? FT_IO_ERROR : FT_OK;
}

FT_STATUS LibFtdiDriver::FT_Close(FT_HANDLE handle) {
    OpenDevice* device = Find(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    openDevices.erase(std::find(openDevices.begin(), openDevices.end(), device));
    const int result = ftdi_usb_close(device->context);
    ftdi_free(device->context);
    delete device;
    return StatusFromCallResult(result);
}

DeviceAccess LibFtdiDriver::ProbeAccess(DWORD index) {
    if (index >= devices.size()) {
        return DeviceAccess::Denied;
    }
    libusb_device_handle* probe = nullptr;
    if (libusb_open(devices[index], &probe) != 0) {
        return DeviceAccess::Denied;
    }
    DeviceAccess access = DeviceAccess::Free;
    // The kernel's serial driver is detached when the link opens the unit;
    // only another program's claim makes it busy.
    if (libusb_kernel_driver_active(probe, 0) != 1) {
        const int claimed = libusb_claim_interface(probe, 0);
        if (claimed == 0) {
            libusb_release_interface(probe, 0);
        } else {
            access = claimed == LIBUSB_ERROR_BUSY ? DeviceAccess::Busy : DeviceAccess::Denied;
        }
    }
    libusb_close(probe);
    return access;
}

std::unique_ptr<FtdiDriver> MakeHardwareDriver() {
    return std::make_unique<LibFtdiDriver>();
}

std::optional<std::string> HardwareDriverMissing() {
    return std::nullopt; // libftdi1 is a dependency of the program itself
}

} // namespace zekt
