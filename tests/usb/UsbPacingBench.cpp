// A full programming run (0x7F) through the libftdi1 backend against an FTDI
// chip emulated with the real chip's pacing: what a real unit would take, and
// what the host adds over the floor of exchanges x (latency + unit delay), and
// the same run with the latency timer set to 1 ms.
//   umockdev-wrapper bench_usb_pacing [UNIT_DELAY_MS]
#include "EmulatedFtdi.h"
#include "LibFtdiDriver.h"
#include "ProgramOp.h"
#include "RunRig.h"
#include "USB_Prog.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

using namespace zekt;

namespace {

struct FullRun {
    bool ok = false;
    double seconds = 0;
    int frames = 0;
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
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.frames = device.Snapshot().frames;
    run.latency = device.Latency();
    if (!run.ok) {
        std::fprintf(stderr, "bench_usb_pacing: %s\n", program.message.c_str());
    }
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the run waits in its event loop
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::string(preload).find("umockdev") == std::string::npos) {
        std::fprintf(stderr, "bench_usb_pacing: run it under umockdev-wrapper\n");
        return 2;
    }
    const std::chrono::milliseconds unitDelay(argc > 1 ? std::atoi(argv[1]) : 0);
    // First without pacing: what the test bed itself (every USB request
    // passed through umockdev) adds to an exchange, to tell it apart.
    const FullRun unpaced = RunFull(std::nullopt);
    const FullRun paced = RunFull(unitDelay);
    // --usb-latency 1: the chip hands each reply's tail over after 1 ms.
    const FullRun fast = RunFull(unitDelay, 1);
    if (!unpaced.ok || !paced.ok || !fast.ok) {
        return 1;
    }
    const double floor =
        paced.frames * std::chrono::duration<double>(paced.latency + unitDelay).count();
    const double testBed = paced.frames * unpaced.seconds / unpaced.frames;
    std::printf("frames %d, latency %lld ms, unit delay %lld ms, test bed %.0f us per exchange\n",
                paced.frames, static_cast<long long>(paced.latency.count()),
                static_cast<long long>(unitDelay.count()), 1e6 * unpaced.seconds / unpaced.frames);
    std::printf("figure usb_test_bed_us_per_exchange %.0f us\n",
                1e6 * unpaced.seconds / unpaced.frames);
    std::printf("figure real_unit_program_s %.3f s\n", paced.seconds);
    std::printf("figure real_unit_program_fast_s %.3f s\n", fast.seconds);
    std::printf("figure usb_overhead_pct %.2f %%\n", (paced.seconds - floor) / floor * 100.0);
    std::printf("figure usb_overhead_net_pct %.2f %%\n",
                (paced.seconds - testBed - floor) / floor * 100.0);
    return 0;
}
