#include "EmulatedFtdi.h"

#include "ProgrammerFrame.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <thread>
#include <umockdev.h>

namespace {

// FT232R: device descriptor, then configuration, interface and the two bulk
// endpoints (0x81 in, 0x02 out, 64-byte packets), as sysfs gives them.
constexpr const char* kDescriptors = "12010002000000080304016000060102030109022000010100a02d"
                                     "0904000002ffffff02"
                                     "07058102400000"
                                     "07050202400000";
constexpr int kPacketSize = 64;
constexpr uint8_t kModemStatus0 = 0x01;
constexpr uint8_t kModemStatus1 = 0x60;
constexpr int kSetupSize = 8;
constexpr uint8_t kEndpointIn = 0x81;
constexpr uint8_t kRequestGetDescriptor = 0x06;
constexpr uint8_t kDescriptorString = 0x03;
constexpr uint8_t kVendorOut = 0x40;
constexpr uint8_t kFtdiReset = 0x00;
constexpr uint8_t kFtdiSetLatencyTimer = 0x09;
constexpr std::size_t kPacketData = kPacketSize - 2;
constexpr int kPurgeRx = 1;
constexpr int kPurgeTx = 2;

} // namespace

namespace {

// One test bed for every emulated chip: umockdev takes one per process.
struct SharedBed {
    UMockdevTestbed* testbed = nullptr;
    int users = 0;
};
SharedBed bed;

} // namespace

EmulatedFtdi::EmulatedFtdi(const std::string& product, const std::string& serial, int port)
    : handler(umockdev_ioctl_base_new()), product(product), serial(serial) {
    if (bed.users++ == 0) {
        // The preload yields with usleep(0) after every ioctl; with the
        // default 50 us timer slack each of those sleeps that long, a dozen
        // times per exchange. The slack is per thread: set before umockdev
        // starts its own.
        prctl(PR_SET_TIMERSLACK, 1UL);
        bed.testbed = umockdev_testbed_new();
    }
    testbed = bed.testbed;
    char devnum[16];
    std::snprintf(devnum, sizeof devnum, "%03d", port + 1);
    devicePath = std::string("/dev/bus/usb/001/") + devnum;
    const std::string name = "1-" + std::to_string(port);
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(&EmulatedFtdi::HandleIoctl), this);
    umockdev_testbed_attach_ioctl(testbed, devicePath.c_str(), handler, nullptr);
    const std::string device = "P: /devices/usb1/" + name +
                               "\n"
                               "N: bus/usb/001/" +
                               devnum +
                               "\n"
                               "E: SUBSYSTEM=usb\n"
                               "E: DEVTYPE=usb_device\n"
                               "E: DRIVER=usb\n"
                               "E: BUSNUM=001\n"
                               "E: DEVNUM=" +
                               devnum +
                               "\n"
                               "E: DEVNAME=" +
                               devicePath +
                               "\n"
                               "A: busnum=1\\n\n"
                               "A: devnum=" +
                               std::to_string(port + 1) +
                               "\\n\n"
                               "A: speed=12\\n\n"
                               "A: bConfigurationValue=1\\n\n"
                               "A: idVendor=0403\\n\n"
                               "A: idProduct=6001\\n\n"
                               "H: descriptors=" +
                               kDescriptors + "\n";
    umockdev_testbed_add_from_string(testbed, device.c_str(), nullptr);
    sysPath = "/sys/devices/usb1/" + name;
}

EmulatedFtdi::~EmulatedFtdi() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const Urb& urb : pending) {
            umockdev_ioctl_data_unref(urb.data);
        }
        pending.clear();
    }
    umockdev_testbed_detach_ioctl(testbed, devicePath.c_str(), nullptr);
    umockdev_testbed_remove_device(testbed, sysPath.c_str());
    g_object_unref(handler);
    if (--bed.users == 0) {
        g_object_unref(testbed);
        bed.testbed = nullptr;
    }
}

void EmulatedFtdi::SetRealPacing(std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(mutex);
    paced = true;
    unitDelay = delay;
    lastPacketAt = Clock::now();
}

std::chrono::milliseconds EmulatedFtdi::Latency() {
    std::lock_guard<std::mutex> lock(mutex);
    return latency;
}

void EmulatedFtdi::StopAnswering() {
    std::lock_guard<std::mutex> lock(mutex);
    answering = false;
}

void EmulatedFtdi::RefuseLatencyTimer() {
    std::lock_guard<std::mutex> lock(mutex);
    refuseLatency = true;
}

void EmulatedFtdi::HoldElsewhere() {
    std::lock_guard<std::mutex> lock(mutex);
    heldElsewhere = true;
}

void EmulatedFtdi::Disappear() {
    std::lock_guard<std::mutex> lock(mutex);
    gone = true;
    umockdev_testbed_remove_device(testbed, "/sys/devices/usb1/1-1");
}

EmulatedFtdi::Counts EmulatedFtdi::Snapshot() {
    std::lock_guard<std::mutex> lock(mutex);
    return counts;
}

int EmulatedFtdi::HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    return static_cast<EmulatedFtdi*>(self)->Handle(client) ? TRUE : FALSE;
}

bool EmulatedFtdi::Handle(UMockdevIoctlClient* client) {
    std::lock_guard<std::mutex> lock(mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    if (gone) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        *reinterpret_cast<guint32*>(caps->data) =
            USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
            USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        umockdev_ioctl_data_unref(caps);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_DISCONNECT:
        umockdev_ioctl_client_complete(client, -1, ENODATA); // no kernel driver bound
        return true;
    case USBDEVFS_CLAIMINTERFACE:
        if (heldElsewhere) {
            umockdev_ioctl_client_complete(client, -1, EBUSY);
            return true;
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_SUBMITURB: {
        UMockdevIoctlData* urbData =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(struct usbdevfs_urb), nullptr);
        auto* urb = reinterpret_cast<struct usbdevfs_urb*>(urbData->data);
        UMockdevIoctlData* buffer =
            umockdev_ioctl_data_resolve(urbData, offsetof(struct usbdevfs_urb, buffer),
                                        static_cast<gsize>(urb->buffer_length), nullptr);
        umockdev_ioctl_data_unref(buffer); // the URB keeps it
        pending.push_back({urbData});
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        Reap(client);
        return true;
    case USBDEVFS_DISCARDURB:
        umockdev_ioctl_client_complete(client, -1, EINVAL); // every URB completes at once
        return true;
    default:
        return false;
    }
}

void EmulatedFtdi::Reap(UMockdevIoctlClient* client) {
    if (pending.empty()) {
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return;
    }
    UMockdevIoctlData* urbData = pending.front().data;
    pending.pop_front();
    auto* urb = reinterpret_cast<struct usbdevfs_urb*>(urbData->data);
    auto* buffer = static_cast<uint8_t*>(urb->buffer);
    urb->status = 0;
    if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
        ++counts.controlTransfers;
        const int length = Control(buffer, urb->buffer_length);
        urb->status = std::min(length, 0);
        urb->actual_length = std::max(length, 0);
    } else if (urb->endpoint == kEndpointIn) {
        ++counts.bulkIn;
        if (paced) {
            WaitForPacket();
        }
        urb->actual_length = BulkIn(buffer, urb->buffer_length);
        if (urb->actual_length > 2 && toHost.empty() && replies.empty()) {
            replyTakenAt = Clock::now();
        }
    } else {
        ++counts.bulkOut;
        BulkOut(buffer, urb->buffer_length);
        urb->actual_length = urb->buffer_length;
    }
    UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                                             0, sizeof(gpointer), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, urbData);
    umockdev_ioctl_data_unref(pointer);
    umockdev_ioctl_data_unref(urbData);
    umockdev_ioctl_client_complete(client, 0, 0);
}

std::vector<uint8_t> EmulatedFtdi::StringDescriptor(int index) const {
    std::string text;
    switch (index) {
    case 0:
        return {4, kDescriptorString, 0x09, 0x04}; // English (US)
    case 1:
        text = "FTDI";
        break;
    case 2:
        text = product;
        break;
    default:
        text = serial;
        break;
    }
    std::vector<uint8_t> d = {static_cast<uint8_t>(2 + 2 * text.size()), kDescriptorString};
    for (const char c : text) {
        d.push_back(static_cast<uint8_t>(c));
        d.push_back(0);
    }
    return d;
}

int EmulatedFtdi::Control(uint8_t* buffer, int length) {
    const uint8_t requestType = buffer[0];
    const uint8_t request = buffer[1];
    const int value = buffer[2] | buffer[3] << 8;
    const int wanted = buffer[6] | buffer[7] << 8;
    uint8_t* data = buffer + kSetupSize;
    const int room = std::min(wanted, length - kSetupSize);
    if (requestType == 0x80 && request == kRequestGetDescriptor &&
        (value >> 8) == kDescriptorString) {
        const std::vector<uint8_t> d = StringDescriptor(value & 0xFF);
        const int n = std::min(room, static_cast<int>(d.size()));
        std::memcpy(data, d.data(), static_cast<std::size_t>(n));
        return n;
    }
    if (requestType == kVendorOut) {
        counts.vendorRequests.push_back(request);
        if (request == kFtdiSetLatencyTimer) {
            counts.latencyValues.push_back(value);
            if (refuseLatency) {
                return -EPIPE; // a stall, as a chip that does not take the request
            }
            if ((value & 0xFF) > 0) {
                latency = std::chrono::milliseconds(value & 0xFF);
            }
        }
        if (request == kFtdiReset) {
            if (value == 0 || value == kPurgeRx) {
                toHost.clear();
                replies.clear();
            }
            if (value == 0 || value == kPurgeTx) {
                fromHost.clear();
            }
        }
        return 0;
    }
    std::memset(data, 0, static_cast<std::size_t>(std::max(room, 0))); // vendor reads: zeros
    return std::max(room, 0);
}

void EmulatedFtdi::TakeReadyReplies(Clock::time_point now) {
    while (!replies.empty() && replies.front().readyAt <= now) {
        toHost.insert(toHost.end(), replies.front().bytes.begin(), replies.front().bytes.end());
        replies.pop_front();
    }
}

// A full packet goes as soon as 62 bytes are buffered; anything less waits
// for the latency timer.
void EmulatedFtdi::WaitForPacket() {
    for (;;) {
        const Clock::time_point now = Clock::now();
        TakeReadyReplies(now);
        const Clock::time_point timerRunsOut = lastPacketAt + latency;
        if (toHost.size() >= kPacketData || now >= timerRunsOut) {
            break;
        }
        Clock::time_point next = timerRunsOut;
        if (!replies.empty()) {
            next = std::min(next, replies.front().readyAt);
        }
        std::this_thread::sleep_until(next);
    }
}

int EmulatedFtdi::BulkIn(uint8_t* buffer, int length) {
    if (paced) {
        // Only whole packets unless the timer ran out; then the rest too.
        const bool timerRanOut = Clock::now() >= lastPacketAt + latency;
        lastPacketAt = Clock::now();
        if (!timerRanOut) {
            const std::size_t whole = toHost.size() - toHost.size() % kPacketData;
            const int packets =
                std::min(static_cast<int>(whole / kPacketData), length / kPacketSize);
            int written = 0;
            for (int p = 0; p < packets; ++p) {
                buffer[written++] = kModemStatus0;
                buffer[written++] = kModemStatus1;
                for (std::size_t k = 0; k < kPacketData; ++k) {
                    buffer[written++] = toHost.front();
                    toHost.pop_front();
                }
            }
            return written;
        }
    }
    int written = 0;
    // Full packets while data lasts; a short one (status only, if need be) ends the transfer.
    while (written + 2 <= length) {
        buffer[written++] = kModemStatus0;
        buffer[written++] = kModemStatus1;
        int packet = 2;
        while (!toHost.empty() && packet < kPacketSize && written < length) {
            buffer[written++] = toHost.front();
            toHost.pop_front();
            ++packet;
        }
        if (packet < kPacketSize || toHost.empty() || written + kPacketSize > length) {
            break;
        }
    }
    return written;
}

void EmulatedFtdi::BulkOut(const uint8_t* buffer, int length) {
    fromHost.insert(fromHost.end(), buffer, buffer + length);
    while (fromHost.size() >= static_cast<std::size_t>(zekt::kFrameSize)) {
        zekt::Payload request;
        std::copy_n(fromHost.begin() + zekt::kFramePayloadOffset, zekt::kPayloadSize,
                    request.begin());
        const bool framed = fromHost[0] == zekt::kFrameHead0 && fromHost[1] == zekt::kFrameHead1 &&
                            fromHost[zekt::kFrameSize - 2] == zekt::kFrameTail0 &&
                            fromHost[zekt::kFrameSize - 1] == zekt::kFrameTail1;
        fromHost.erase(fromHost.begin(), fromHost.begin() + zekt::kFrameSize);
        ++counts.frames;
        if (replyTakenAt) {
            counts.hostShare +=
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - *replyTakenAt);
            ++counts.hostTurns;
            replyTakenAt.reset();
        }
        // As the simulated unit: a frame it cannot make out is not answered.
        if (!framed) {
            ++counts.refusedFrames;
            continue;
        }
        const zekt::Payload reply = unit.Handle(request);
        if (!answering) {
            continue;
        }
        std::vector<uint8_t> frame = {zekt::kFrameHead0, zekt::kFrameHead1};
        frame.insert(frame.end(), reply.begin(), reply.end());
        frame.push_back(zekt::kFrameTail0);
        frame.push_back(zekt::kFrameTail1);
        if (paced) {
            replies.push_back({Clock::now() + unitDelay, std::move(frame)});
        } else {
            toHost.insert(toHost.end(), frame.begin(), frame.end());
        }
    }
}

bool EmulatedFtdi::InMockEnvironment() {
    return umockdev_in_mock_environment();
}
