// A full programming run (0x7F) through the libftdi1 backend against an FTDI
// chip emulated with the real chip's pacing: what a real unit would take, what
// the host adds over the floor of exchanges x (latency + unit delay), and the
// same run with the latency timer set to 1 ms. Each figure is the median of
// RUNS runs (5 unless given).
//   umockdev-wrapper bench_usb_pacing [RUNS [UNIT_DELAY_MS]]
#include "EmulatedFtdi.h"
#include "LibFtdiDriver.h"
#include "PrintFigure.h"
#include "ProgramOp.h"
#include "RunRig.h"
#include "USB_Prog.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace zekt;

namespace {

using Seconds = std::chrono::duration<double>;

struct FullRun {
    bool ok = false;
    double seconds = 0;
    int frames = 0;
    double hostShareSeconds = 0; // the host's turns, as the chip saw them
    std::chrono::milliseconds latency{0};
};

FullRun RunFull(std::optional<std::chrono::milliseconds> pacing, int latencyMs = 0) {
    EmulatedFtdi device;
    if (pacing) {
        device.SetRealPacing(*pacing);
    }
    LibFtdiDriver driver;
    USB_Prog link(driver);
    link.SetLatencyTimer(latencyMs);
    LinkRun program;
    for (int w = 0; w < kProgramWords; ++w) {
        program.image.ProgramMemory()[w] = (w * 37 + 11) & 0x3FFF;
    }
    program.image.SetConfigWord(0x3F72);
    const auto start = std::chrono::steady_clock::now();
    FullRun run;
    run.ok = program.Run(link, kOpsProgramRadio) == 1;
    run.seconds = Seconds(std::chrono::steady_clock::now() - start).count();
    const EmulatedFtdi::Counts counts = device.Snapshot();
    run.frames = counts.frames;
    run.hostShareSeconds = Seconds(counts.hostShare).count();
    run.latency = device.Latency();
    if (!run.ok) {
        std::fprintf(stderr, "bench_usb_pacing: %s\n", program.message.c_str());
    }
    return run;
}

struct Figures {
    std::vector<double> testBedUs, hostShareUs, programS, fastS, overheadPct, netPct;
};

// One round: the bed alone (no pacing: every exchange is the bed's and the
// host's work), the real pace, and the real pace with a 1 ms timer.
bool RunRound(std::chrono::milliseconds unitDelay, Figures& f) {
    const FullRun bare = RunFull(std::nullopt);
    const FullRun paced = RunFull(unitDelay);
    const FullRun fast = RunFull(unitDelay, 1);
    if (!bare.ok || !paced.ok || !fast.ok) {
        return false;
    }
    // What the chip and the unit make the host wait, at the least.
    const double floor = paced.frames * Seconds(paced.latency + unitDelay).count();
    f.testBedUs.push_back(1e6 * bare.seconds / bare.frames);
    f.hostShareUs.push_back(1e6 * paced.hostShareSeconds / paced.frames);
    f.programS.push_back(paced.seconds);
    f.fastS.push_back(fast.seconds);
    f.overheadPct.push_back((paced.seconds - floor) / floor * 100.0);
    f.netPct.push_back(paced.hostShareSeconds / floor * 100.0);
    std::printf("frames %d, latency %lld ms, unit delay %lld ms: %.3f s, fast %.3f s\n",
                paced.frames, static_cast<long long>(paced.latency.count()),
                static_cast<long long>(unitDelay.count()), paced.seconds, fast.seconds);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the run waits in its event loop
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::string(preload).find("umockdev") == std::string::npos) {
        std::fprintf(stderr, "bench_usb_pacing: run it under umockdev-wrapper\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::chrono::milliseconds unitDelay(argc > 2 ? std::atoi(argv[2]) : 0);
    Figures f;
    for (int r = 0; r < runs; ++r) {
        if (!RunRound(unitDelay, f)) {
            return 1;
        }
    }
    PrintFigure("usb_test_bed_us_per_exchange", f.testBedUs, "us", 0);
    PrintFigure("usb_host_share_us_per_exchange", f.hostShareUs, "us", 0);
    PrintFigure("real_unit_program_s", f.programS, "s", 3);
    PrintFigure("real_unit_program_fast_s", f.fastS, "s", 3);
    PrintFigure("usb_overhead_pct", f.overheadPct, "%", 2);
    // The host's share alone: measured at the chip, so never below zero; the
    // bed's own cost is part of it, which makes it an upper bound.
    PrintFigure("usb_overhead_net_pct", f.netPct, "%", 2);
    return 0;
}
