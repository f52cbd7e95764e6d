#pragma once

#include "FtdiDriver.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace zekt {

class LibFtdiDriver;
class USB_Prog;
class SimulatedDriver;
class TracingDriver;

// How a program reaches the programmer unit, as its options say.
struct LinkSettings {
    bool simulate = false;
    // The simulated radio's chip: loaded when the file exists, saved after
    // every run; empty: a blank radio that is not kept.
    std::string radioFile;
    int simDelayMs = 0;
    std::vector<std::string> simFaults;
    std::string traceFile; // every frame with its time; empty: none
    int usbLatencyMs = 0;  // the chip's latency timer; 0: left as it is
};

// The driver under a programmer link: the real unit through libftdi1 or the
// simulated one, maybe traced. Both programs build it here.
class LinkBackend {
public:
    LinkBackend();
    ~LinkBackend();
    LinkBackend(const LinkBackend&) = delete;
    LinkBackend& operator=(const LinkBackend&) = delete;

    // Empty when the driver is ready; otherwise what was refused, naming the
    // option (and the file) at fault.
    std::string Open(const LinkSettings& settings);
    FtdiDriver& Driver() { return *driver; }
    // A link over Driver() takes the settings that are the link's own.
    void SetUpLink(USB_Prog& link) const;
    bool Simulated() const { return sim != nullptr; }

    // Keeps the simulated radio in its file; empty when saved or when there
    // is nothing to keep, else why it was not.
    std::string SaveRadio();
    // Empty when the trace was written whole.
    std::string CloseTrace();

private:
    LinkSettings settings;
    std::unique_ptr<SimulatedDriver> sim;
    std::unique_ptr<LibFtdiDriver> real;
    std::unique_ptr<TracingDriver> tracing;
    std::FILE* traceOut = nullptr;
    FtdiDriver* driver = nullptr;

    std::string OpenSimulated();
    std::string OpenTrace();
};

} // namespace zekt
