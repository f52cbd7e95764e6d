#pragma once

#include "SimulatedUnit.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

// An FTDI FIFO chip (0403:6001) on an emulated USB bus (umockdev), whose far
// end is the simulated programmer unit. It answers what libusb sends through
// usbdevfs: string descriptors and FTDI vendor requests on the control pipe,
// bulk OUT frames for the unit, and bulk IN packets the way the chip sends
// them: at most 64 bytes, each starting with the two modem-status bytes.
// The test program must run under umockdev-wrapper.
class EmulatedFtdi {
public:
    explicit EmulatedFtdi(const std::string& product = "ZEKT USB Programmator");
    ~EmulatedFtdi();
    EmulatedFtdi(const EmulatedFtdi&) = delete;
    EmulatedFtdi& operator=(const EmulatedFtdi&) = delete;

    static bool InMockEnvironment();

    zekt::SimulatedUnit& Unit() { return unit; }

    void StopAnswering(); // frames are taken, no replies come
    void Disappear();     // unplugged: every transfer fails with ENODEV

    struct Counts {
        int controlTransfers = 0;
        int bulkOut = 0;
        int bulkIn = 0;
        int frames = 0;
        std::vector<int> vendorRequests; // bRequest of each FTDI vendor request
    };
    Counts Snapshot();

private:
    struct Urb {
        UMockdevIoctlData* data;
    };

    UMockdevTestbed* testbed;
    UMockdevIoctlBase* handler;
    std::string product;
    std::mutex mutex;
    zekt::SimulatedUnit unit;
    std::deque<Urb> pending;
    std::vector<uint8_t> fromHost;
    std::deque<uint8_t> toHost;
    bool answering = true;
    bool gone = false;
    Counts counts;

    static int HandleIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    bool Handle(UMockdevIoctlClient* client);
    void Reap(UMockdevIoctlClient* client);
    int Control(uint8_t* buffer, int length);
    int BulkIn(uint8_t* buffer, int length);
    void BulkOut(const uint8_t* buffer, int length);
    std::vector<uint8_t> StringDescriptor(int index) const;
};
