#pragma once

#include "FtdiDriver.h"

#include <optional>
#include <string>
#include <vector>

namespace zekt {

// One attached programmer unit.
struct UnitInfo {
    std::string serial;   // the USB serial number; "?" when it cannot be read
    std::string location; // USB bus and port ("1-4"); "sim" for a simulated unit
    DWORD locationId = 0;
    DeviceAccess access = DeviceAccess::Free;
};

// "свободен", "занят", "нет доступа".
const char* AccessText(DeviceAccess access);
// A line of the units list: serial, location, access.
std::string UnitLine(const UnitInfo& unit);
// Why a unit another program holds is not used.
std::string BusyText(const UnitInfo& unit);

// The units the --unit texts name: each an exact serial number or location,
// else the one serial number that ends with it; with all, every unit.
struct [[nodiscard]] UnitChoice {
    std::vector<UnitInfo> units;
    std::optional<std::string> refusal; // why none was chosen
    bool ambiguous = false;             // a text fits several units (a usage error)
};
UnitChoice ChooseUnits(const std::vector<UnitInfo>& attached,
                       const std::vector<std::string>& wanted, bool all);

// A unit the list already shows held: refused before any command, so that
// two programs never share a unit.
std::optional<std::string> HeldBeforeRun(const UnitInfo* unit);

} // namespace zekt
