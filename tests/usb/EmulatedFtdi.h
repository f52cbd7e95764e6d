#pragma once

#include "SimulatedUnit.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
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
// The test program must run under umockdev-wrapper. Several chips may be
// on the bus at once, each on its own port (1, 2, ...) with its own serial
// number; they share one test bed (and its one ioctl thread).
class EmulatedFtdi {
public:
    explicit EmulatedFtdi(const std::string& product = "ZEKT USB Programmator",
                          const std::string& serial = "ZK000001", int port = 1);
    ~EmulatedFtdi();
    EmulatedFtdi(const EmulatedFtdi&) = delete;
    EmulatedFtdi& operator=(const EmulatedFtdi&) = delete;

    static bool InMockEnvironment();

    zekt::SimulatedUnit& Unit() { return unit; }

    // The real chip's pacing: bulk IN packets of 2 status + 62 data bytes; a
    // packet with fewer data bytes (or none) goes only when the latency timer
    // (16 ms unless the host sets it) has run out since the last packet. The
    // unit's reply is ready unitDelay after its frame. Off by default.
    void SetRealPacing(std::chrono::milliseconds unitDelay);
    std::chrono::milliseconds Latency();

    void StopAnswering();      // frames are taken, no replies come
    void RefuseLatencyTimer(); // the set-latency request stalls
    void HoldElsewhere();      // another program has claimed the interface
    void Disappear();          // unplugged: every transfer fails with ENODEV

    struct Counts {
        int controlTransfers = 0;
        int bulkOut = 0;
        int bulkIn = 0;
        int frames = 0;
        int refusedFrames = 0;           // a wrong head or tail: not acted on, not answered
        std::vector<int> vendorRequests; // bRequest of each FTDI vendor request
        std::vector<int> latencyValues;  // the value of each set-latency request
        // The host's share: from the moment a reply's last byte was taken to
        // the moment the next request frame was whole, summed over the run.
        std::chrono::microseconds hostShare{0};
        int hostTurns = 0;
    };
    Counts Snapshot();

private:
    struct Urb {
        UMockdevIoctlData* data;
    };
    using Clock = std::chrono::steady_clock;
    struct PendingReply {
        Clock::time_point readyAt;
        std::vector<uint8_t> bytes;
    };

    UMockdevTestbed* testbed;
    UMockdevIoctlBase* handler;
    std::string product;
    std::string serial;
    std::string devicePath; // /dev/bus/usb/001/NNN
    std::string sysPath;
    bool heldElsewhere = false;
    std::mutex mutex;
    zekt::SimulatedUnit unit;
    std::deque<Urb> pending;
    std::vector<uint8_t> fromHost;
    std::deque<uint8_t> toHost;
    bool answering = true;
    bool refuseLatency = false;
    bool gone = false;
    Counts counts;
    bool paced = false;
    std::chrono::milliseconds latency{16};
    std::chrono::milliseconds unitDelay{0};
    Clock::time_point lastPacketAt = Clock::now();
    std::optional<Clock::time_point> replyTakenAt; // the host's turn began
    std::deque<PendingReply> replies;              // paced: not yet in the chip's buffer

    static int HandleIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    bool Handle(UMockdevIoctlClient* client);
    void Reap(UMockdevIoctlClient* client);
    int Control(uint8_t* buffer, int length);
    int BulkIn(uint8_t* buffer, int length);
    void WaitForPacket(); // paced: until the chip would answer an IN token
    void TakeReadyReplies(Clock::time_point now);
    void BulkOut(const uint8_t* buffer, int length);
    std::vector<uint8_t> StringDescriptor(int index) const;
};
