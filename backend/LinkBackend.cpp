#include "LinkBackend.h"

#include "ChipHexFile.h"
#include "FaultText.h"
#include "LibFtdiDriver.h"
#include "SafeFile.h"
#include "SimulatedDriver.h"
#include "TracingDriver.h"
#include "USB_Prog.h"

#include <cerrno>
#include <filesystem>

namespace zekt {

LinkBackend::LinkBackend() = default;

LinkBackend::~LinkBackend() {
    CloseTrace();
}

std::string LinkBackend::Open(const LinkSettings& given) {
    settings = given;
    if (settings.simulate) {
        if (std::string refused = OpenSimulated(); !refused.empty()) {
            return refused;
        }
        driver = sim.get();
    } else if (!settings.simFaults.empty()) {
        return "--sim-fault работает только с --simulate";
    } else if (settings.simDelayMs > 0) {
        return "--sim-delay работает только с --simulate";
    } else {
        real = std::make_unique<LibFtdiDriver>();
        driver = real.get();
    }
    return OpenTrace();
}

std::string LinkBackend::OpenSimulated() {
    sim = std::make_unique<SimulatedDriver>();
    sim->SetFrameDelay(std::chrono::milliseconds(settings.simDelayMs));
    // A dangling link is a file that cannot be read, not a blank radio:
    // saving through it later would put the radio somewhere unexpected.
    std::error_code ec;
    if (!settings.radioFile.empty() &&
        std::filesystem::exists(std::filesystem::symlink_status(settings.radioFile, ec))) {
        const ChipFileResult loaded = LoadChipHex(settings.radioFile, sim->Chip());
        if (!loaded.ok) {
            return "--simulate: " + settings.radioFile + ": " + loaded.error;
        }
    }
    std::string error;
    for (const std::string& fault : settings.simFaults) {
        if (!ApplySimFault(fault, *sim, error)) {
            return error;
        }
    }
    return {};
}

std::string LinkBackend::OpenTrace() {
    if (settings.traceFile.empty()) {
        return {};
    }
    int fd = -1;
    const FileError refused = OpenForWriting(settings.traceFile, fd);
    if (refused != FileError::None) {
        return "--trace: " + DescribeFileError(settings.traceFile, refused);
    }
    traceOut = fdopen(fd, "w");
    tracing = std::make_unique<TracingDriver>(*driver, traceOut);
    driver = tracing.get();
    return {};
}

void LinkBackend::SetUpLink(USB_Prog& link) const {
    link.SetLatencyTimer(settings.usbLatencyMs);
}

std::string LinkBackend::SaveRadio() {
    if (!sim || settings.radioFile.empty()) {
        return {};
    }
    const ChipFileResult saved = SaveChipHex(settings.radioFile, sim->Chip());
    return saved.ok ? std::string() : "состояние радиостанции не сохранено: " + saved.error;
}

std::string LinkBackend::CloseTrace() {
    if (traceOut == nullptr) {
        return {};
    }
    // A full disk shows at the latest when the buffer goes out.
    const bool flushed = std::fflush(traceOut) == 0 && std::ferror(traceOut) == 0;
    const int why = errno;
    const bool closed = std::fclose(traceOut) == 0;
    traceOut = nullptr;
    if (flushed && closed) {
        return {};
    }
    return "трасса записана не полностью. " +
           DescribeFileError(settings.traceFile, FileErrorFromErrno(why));
}

} // namespace zekt
