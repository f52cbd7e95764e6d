#pragma once

#include "ChipMemory.h"
#include "FtdiDriver.h"
#include "Outcome.h"
#include "OutputFile.h"
#include "Units.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zekt {

class RadioFileHold;
class SimulatedDriver;
class TracingDriver;
class USB_Prog;

// How a program reaches the programmer units, as its options say.
struct LinkSettings {
    bool simulate = false;
    // One simulated unit per file (SIM1, SIM2, ... in this order), its
    // radio's chip loaded when the file exists and saved after every run; an
    // empty name: a blank radio that is not kept.
    std::vector<std::string> radioFiles;
    int simDelayMs = 0;
    // "SIM2:unplug@30" hits one simulated unit; a fault without a unit, all.
    std::vector<std::string> simFaults;
    std::optional<OutputFile> trace; // every frame with its time; nothing: none
    int usbLatencyMs = 0;            // the chip's latency timer; 0: left as it is
};

// A warning for the program to say in its own voice.
using LinkWarning = std::function<void(const std::string& text)>;

// The faults the simulated units take (--sim-fault), for help texts.
const char* SimulatedFaultsHelp();

// The drivers under the programs' links: the real units through libftdi1
// or the simulated ones, maybe traced. Both programs build them here; every
// link gets a driver of its own, so runs on several units share nothing.
class LinkBackend {
public:
    LinkBackend();
    ~LinkBackend();
    LinkBackend(const LinkBackend&) = delete;
    LinkBackend& operator=(const LinkBackend&) = delete;

    // Whether the units can be reached; if not, what was refused, naming
    // the option (and the file) at fault.
    Outcome Open(const LinkSettings& settings);
    bool Simulated() const { return !sims.empty(); }
    // Open refused because the system's unit driver is not installed.
    bool HardwareMissing() const { return hardwareMissing; }

    // Every unit attached now, simulated ones included.
    std::vector<UnitInfo> ListUnits();
    // A unit another program holds fails to open like one that is not
    // there: when the unit (nullptr: the first, which a link without a
    // chosen unit takes) is held, why; nothing otherwise.
    std::optional<std::string> WhyHeld(const UnitInfo* unit);
    // The same after a link failed: only when it failed to find its unit.
    std::optional<std::string> WhyLinkHeld(const USB_Prog& link, const UnitInfo* unit);
    // The link to the unit (nullptr: whichever unit it finds first, as a
    // program with one unit does), over a driver of its own, with the
    // settings that are the link's own; what it warns of (a refused latency
    // timer) goes to `warn`.
    std::unique_ptr<USB_Prog> MakeLink(const UnitInfo* unit, LinkWarning warn);

    // Keeps a simulated radio in its file (nullptr: every one); done when
    // saved or when there is nothing to keep.
    Outcome SaveRadio(const UnitInfo* unit = nullptr);
    // Done when the trace was written whole (or there is none).
    Outcome CloseTrace();

private:
    struct Sim {
        std::unique_ptr<SimulatedDriver> driver;
        std::string serial;
        std::string radioFile;
        // Another program simulates the same radio: this unit is busy and
        // its file is that program's to save.
        std::unique_ptr<RadioFileHold> hold;
        bool heldElsewhere = false;
        // What the file holds now (loaded or last saved): an unchanged radio
        // is not written again.
        std::optional<ChipMemory> kept = std::nullopt;
    };
    LinkSettings settings;
    std::vector<Sim> sims;
    std::vector<std::unique_ptr<FtdiDriver>> drivers; // every driver handed out, tracers too
    std::map<std::string, FtdiDriver*> driverOf;      // a chosen unit's driver, by serial@location
    std::FILE* traceOut = nullptr;
    std::atomic<int> traceError{0}; // why the trace first failed to write
    bool hardwareMissing = false;
    std::mutex mutex; // DriverFor and SaveRadio from the runs' threads

    FtdiDriver& DriverFor(const UnitInfo* unit);
    Outcome OpenSimulated();
    Outcome ApplyFault(const std::string& fault);
    Outcome OpenTrace();
    Sim* SimOf(const UnitInfo* unit);
};

} // namespace zekt
