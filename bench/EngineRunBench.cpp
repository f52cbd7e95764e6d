// A full programming run (erase, write and verify everything) against the
// simulated unit with no delay: what the host adds to each exchange; and at
// the real unit's pace, how long the waiting event loop is ever held.
#include "Figures.h"
#include "ProgramOp.h"
#include "ProgramThread.h"
#include "SimulatedDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <string>

namespace {

struct NoProgress : zekt::ProgressView {
    void SetCaption(const std::string&) override {}
    void SetMaximum(int) override {}
    void SetPosition(int) override {}
};

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bench_engine_run";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// The simulated unit with the link, image and run that the window lends it.
struct SimulatedRig {
    zekt::SimulatedDriver driver;
    zekt::USB_Prog link{driver};
    zekt::Project image;
    NoProgress progress;

    // One full programming run; false (and the benchmark skipped) on a failure.
    bool Program(benchmark::State& state) {
        zekt::ProgramThread thread(true, nullptr, zekt::kOpsProgramRadio, image, link, progress);
        thread.Resume();
        if (thread.WaitFor() != 1) {
            state.SkipWithError(thread.Outcome().message.c_str());
            return false;
        }
        return true;
    }
};

void FullProgrammingRun(benchmark::State& state) {
    App();
    SimulatedRig rig;
    int frames = 0;
    for (auto _ : state) {
        const int before = rig.driver.FramesSeen();
        if (!rig.Program(state)) {
            break;
        }
        frames = rig.driver.FramesSeen() - before;
    }
    state.counters["frames"] = frames;
    state.counters["us_per_exchange"] =
        benchmark::Counter(static_cast<double>(frames) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// A long session on the simulated unit, as the window runs all day: the
// memory after 300 programming cycles against after the first 20.
void SimulatorSessionGrowth(benchmark::State& state) {
    App();
    SimulatedRig rig;
    constexpr int kWarmUp = 20;
    constexpr int kCycles = 300;
    long growth = 0;
    for (auto _ : state) {
        long settled = 0;
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            if (cycle == kWarmUp) {
                settled = ResidentKb();
            }
            if (!rig.Program(state)) {
                return;
            }
        }
        growth = ResidentKb() - settled;
    }
    state.counters["growth_kb"] = static_cast<double>(growth);
}

// The longest time the event loop of the thread that waits for a run (the
// window's) went unserved during a full programming at the real unit's pace
// (16 ms an exchange): a 10 ms timer on it, the gaps beyond 10 ms counted.
void UiStallAtUnitPace(benchmark::State& state) {
    App();
    SimulatedRig rig;
    rig.driver.SetFrameDelay(std::chrono::milliseconds(16));
    constexpr qint64 kTickMs = 10;
    qint64 longestGap = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout,
                         [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        tick.start(static_cast<int>(kTickMs));
        if (!rig.Program(state)) {
            break;
        }
    }
    state.counters["stall_ms"] = static_cast<double>(std::max<qint64>(0, longestGap - kTickMs));
}

BENCHMARK(SimulatorSessionGrowth)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UiStallAtUnitPace)
    ->Iterations(1)
    ->Repetitions(1) // a full run at the real pace takes 9 s
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(FullProgrammingRun)->Unit(benchmark::kMillisecond)->UseRealTime();
const bool figures =
    RegisterFigure("FullProgrammingRun/real_time", {"program_run_frames", 1, "frames", "frames"}) &&
    RegisterFigure("FullProgrammingRun/real_time", {"program_run_ms", 1e-6, "ms"}) &&
    RegisterFigure("FullProgrammingRun/real_time",
                   {"host_us_per_exchange", 1e6, "us", "us_per_exchange"}) &&
    RegisterFigure("SimulatorSessionGrowth/iterations:1/real_time",
                   {"sim_cycle_growth_kb", 1, "KB", "growth_kb"}) &&
    RegisterFigure("UiStallAtUnitPace/iterations:1/repeats:1/real_time",
                   {"ui_max_stall_ms", 1, "ms", "stall_ms"});

} // namespace
