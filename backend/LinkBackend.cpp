#include "LinkBackend.h"

#include "ChipHexFile.h"
#include "FaultText.h"
#include "HardwareDriver.h"
#include "NameHold.h"
#include "SafeFile.h"
#include "SimulatedDriver.h"
#include "TracingDriver.h"
#include "USB_Prog.h"
#include "Units.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace zekt {

// A simulated unit is its radio file: two programs simulating one file would
// save over each other's radio. The first holds names made of the file's
// full path and, when it exists, its identity on disk (so a hard link is the
// same radio); the holds go with the process. A later program finds the
// unit busy, as with a real unit.
class RadioFileHold {
public:
    explicit RadioFileHold(const std::string& path) {
        Hold("path:" + path);
        if (const std::string identity = FileIdentity(path); !identity.empty()) {
            Hold("inode:" + identity);
        }
        if (heldElsewhere) {
            holds.clear(); // a busy unit holds nothing of its own
        }
    }

    bool heldElsewhere = false;

private:
    std::vector<std::unique_ptr<NameHold>> holds;

    void Hold(const std::string& key) {
        auto hold = std::make_unique<NameHold>(key);
        heldElsewhere = heldElsewhere || hold->HeldElsewhere();
        holds.push_back(std::move(hold));
    }
};

namespace {

constexpr const char* kSimLocation = "sim";

// The radio file by its full path, links followed as far as they lead.
std::string FullPath(const std::string& file) {
    std::error_code ec;
    return TextOf(
        std::filesystem::weakly_canonical(std::filesystem::absolute(PathOf(file), ec), ec));
}

std::string SimSerial(std::size_t index) {
    return "SIM" + std::to_string(index + 1);
}

// "1-4": the USB bus and port of a location id (bus << 8 | port).
std::string LocationText(DWORD locationId) {
    return std::to_string(locationId >> 8) + "-" + std::to_string(locationId & 0xFF);
}

// The programmer units a driver lists: those with the unit's description,
// and devices it cannot even ask (no access), which may be one.
std::vector<UnitInfo> UnitsOf(FtdiDriver& driver, const std::string& simLocation) {
    std::vector<UnitInfo> units;
    DWORD count = 0;
    if (driver.FT_CreateDeviceInfoList(&count) != FT_OK) {
        return units;
    }
    for (DWORD i = 0; i < count; ++i) {
        DWORD flags = 0, type = 0, id = 0, locationId = 0;
        char serial[kDeviceStringSize] = {};
        char description[kDeviceStringSize] = {};
        FT_HANDLE handle = nullptr;
        const FT_STATUS status = driver.FT_GetDeviceInfoDetail(i, &flags, &type, &id, &locationId,
                                                               serial, description, &handle);
        serial[kDeviceStringSize - 1] = '\0';
        description[kDeviceStringSize - 1] = '\0';
        const bool unit = status == FT_OK && std::string(description) == DeviceDescription;
        const bool unreadable = status == FT_DEVICE_NOT_OPENED;
        if (!unit && !unreadable) {
            continue;
        }
        UnitInfo info;
        info.serial = unit ? serial : "?";
        info.locationId = locationId;
        info.location = simLocation.empty() ? LocationText(locationId) : simLocation;
        info.access = unit ? driver.ProbeAccess(i) : DeviceAccess::Denied;
        units.push_back(info);
    }
    return units;
}

} // namespace

const char* SimulatedFaultsHelp() {
    return kSimFaultHelp;
}

LinkBackend::LinkBackend() = default;

LinkBackend::~LinkBackend() {
    (void)CloseTrace(); // a program that cares closed it already and said so
}

Outcome LinkBackend::Open(const LinkSettings& given) {
    settings = given;
    if (settings.simulate) {
        if (Outcome simulated = OpenSimulated(); !simulated.Ok()) {
            return simulated;
        }
    } else if (std::optional<std::string> missing = HardwareDriverMissing()) {
        hardwareMissing = true;
        return Outcome::Refused(*missing);
    } else if (!settings.simFaults.empty()) {
        return Outcome::Refused("--sim-fault работает только с --simulate");
    } else if (settings.simDelayMs > 0) {
        return Outcome::Refused("--sim-delay работает только с --simulate");
    }
    return OpenTrace();
}

Outcome LinkBackend::OpenSimulated() {
    if (settings.radioFiles.empty()) {
        settings.radioFiles.emplace_back(); // a blank radio, not kept
    }
    for (std::size_t k = 0; k < settings.radioFiles.size(); ++k) {
        Sim sim{std::make_unique<SimulatedDriver>(), SimSerial(k), settings.radioFiles[k], {}};
        sim.driver->SetSerialNumber(sim.serial);
        sim.driver->SetFrameDelay(std::chrono::milliseconds(settings.simDelayMs));
        if (!sim.radioFile.empty()) {
            sim.hold = std::make_unique<RadioFileHold>(FullPath(sim.radioFile));
            sim.heldElsewhere = sim.hold->heldElsewhere;
            sim.driver->Faults().busy = sim.heldElsewhere;
        }
        // A radio that could not be kept after the run would fail the run
        // after the radio was done: refused before anything is sent.
        if (!sim.radioFile.empty() && !sim.heldElsewhere) {
            if (const FileError refused = CheckWriteTarget(sim.radioFile);
                refused != FileError::None) {
                return Outcome::Refused("--simulate: " + DescribeFileError(sim.radioFile, refused));
            }
        }
        // A dangling link is a file that cannot be read, not a blank radio:
        // saving through it later would put the radio somewhere unexpected.
        std::error_code ec;
        if (!sim.radioFile.empty() &&
            std::filesystem::exists(std::filesystem::symlink_status(PathOf(sim.radioFile), ec))) {
            const ChipFileResult loaded = LoadChipHex(sim.radioFile, sim.driver->Chip());
            if (!loaded.ok) {
                return Outcome::Refused("--simulate: файл " + sim.radioFile + ": " + loaded.error +
                                        ".");
            }
            sim.kept = sim.driver->Chip();
        }
        sims.push_back(std::move(sim));
    }
    for (const std::string& fault : settings.simFaults) {
        if (Outcome applied = ApplyFault(fault); !applied.Ok()) {
            return applied;
        }
    }
    return Outcome::Done();
}

Outcome LinkBackend::ApplyFault(const std::string& fault) {
    const std::size_t colon = fault.find(':');
    const std::string unit = colon == std::string::npos ? "" : fault.substr(0, colon);
    const bool targeted = unit.starts_with("SIM");
    const std::string what = targeted ? fault.substr(colon + 1) : fault;
    bool applied = false;
    for (Sim& sim : sims) {
        if (targeted && sim.serial != unit) {
            continue;
        }
        std::string error;
        if (!ApplySimFault(what, *sim.driver, error)) {
            return Outcome::Refused(error);
        }
        applied = true;
    }
    if (!applied) {
        return Outcome::Refused("--sim-fault " + fault + ": нет имитатора " + unit);
    }
    return Outcome::Done();
}

Outcome LinkBackend::OpenTrace() {
    if (!settings.trace) {
        return Outcome::Done();
    }
    int fd = -1;
    const FileError refused = OpenOutput(*settings.trace, fd);
    if (refused != FileError::None) {
        return Outcome::Refused("--trace: " + DescribeFileError(settings.trace->Path(), refused));
    }
    traceOut = fdopen(fd, "wb"); // binary: a trace is the same bytes everywhere
    return Outcome::Done();
}

std::vector<UnitInfo> LinkBackend::ListUnits() {
    std::vector<UnitInfo> units;
    for (Sim& sim : sims) {
        const std::vector<UnitInfo> found = UnitsOf(*sim.driver, kSimLocation);
        units.insert(units.end(), found.begin(), found.end());
    }
    if (sims.empty()) {
        units = UnitsOf(*MakeHardwareDriver(), {});
    }
    return units;
}

std::optional<std::string> LinkBackend::WhyHeld(const UnitInfo* unit) {
    for (const UnitInfo& attached : ListUnits()) {
        if (unit == nullptr ||
            (attached.serial == unit->serial && attached.location == unit->location)) {
            if (attached.access == DeviceAccess::Busy) {
                return BusyText(attached);
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::string> LinkBackend::WhyLinkHeld(const USB_Prog& link, const UnitInfo* unit) {
    return link.ErrorCode() == errNoDevice ? WhyHeld(unit) : std::nullopt;
}

LinkBackend::Sim* LinkBackend::SimOf(const UnitInfo* unit) {
    if (sims.empty()) {
        return nullptr;
    }
    if (unit == nullptr) {
        return &sims.front();
    }
    const auto it = std::find_if(sims.begin(), sims.end(),
                                 [unit](const Sim& sim) { return sim.serial == unit->serial; });
    return it == sims.end() ? &sims.front() : &*it;
}

FtdiDriver& LinkBackend::DriverFor(const UnitInfo* unit) {
    std::lock_guard<std::mutex> lock(mutex);
    // A unit keeps its driver (and its USB context) from round to round: a
    // bench that runs all day must not gather descriptors.
    const std::string key =
        unit != nullptr ? unit->serial + "@" + std::to_string(unit->locationId) : std::string();
    if (unit != nullptr) {
        if (const auto kept = driverOf.find(key); kept != driverOf.end()) {
            return *kept->second;
        }
    }
    FtdiDriver* driver = nullptr;
    if (Sim* sim = SimOf(unit)) {
        driver = sim->driver.get();
    } else {
        drivers.push_back(MakeHardwareDriver());
        driver = drivers.back().get();
    }
    if (traceOut != nullptr) {
        // Several units' frames share the trace: each line names its unit.
        const std::string tag = unit != nullptr ? unit->serial + " " : std::string();
        drivers.push_back(std::make_unique<TracingDriver>(*driver, traceOut, tag, &traceError));
        driver = drivers.back().get();
    }
    if (unit != nullptr) {
        driverOf[key] = driver;
    }
    return *driver;
}

std::unique_ptr<USB_Prog> LinkBackend::MakeLink(const UnitInfo* unit, LinkWarning warn) {
    auto link = std::make_unique<USB_Prog>(DriverFor(unit));
    link->SetLatencyTimer(settings.usbLatencyMs);
    if (unit != nullptr) {
        link->SelectUnit({unit->serial, unit->location == kSimLocation ? 0 : unit->locationId});
    }
    link->warn = std::move(warn);
    return link;
}

Outcome LinkBackend::SaveRadio(const UnitInfo* unit) {
    std::lock_guard<std::mutex> lock(mutex);
    std::optional<Outcome> refused; // the first file that was not kept
    for (Sim& sim : sims) {
        if ((unit != nullptr && sim.serial != unit->serial) || sim.radioFile.empty() ||
            sim.heldElsewhere) {
            continue;
        }
        const ChipMemory& now = sim.driver->Chip();
        if (sim.kept == now) {
            continue; // one write and one sync per run, not one per save asked
        }
        const ChipFileResult saved = SaveChipHex(sim.radioFile, now);
        if (saved.ok) {
            sim.kept = now;
        } else if (!refused) {
            refused = Outcome::Refused("состояние радиостанции не сохранено: " + saved.error);
        }
    }
    return refused.value_or(Outcome::Done());
}

Outcome LinkBackend::CloseTrace() {
    if (traceOut == nullptr) {
        return Outcome::Done();
    }
    // A full disk shows at the latest when the buffer goes out.
    const bool flushed = std::fflush(traceOut) == 0 && std::ferror(traceOut) == 0;
    const int why = traceError != 0 ? traceError.load() : errno;
    const bool closed = std::fclose(traceOut) == 0;
    traceOut = nullptr;
    if (flushed && closed) {
        return Outcome::Done();
    }
    return Outcome::Refused("трасса записана не полностью. " +
                            DescribeFileError(settings.trace->Path(), FileErrorFromErrno(why)));
}

} // namespace zekt
