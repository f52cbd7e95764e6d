#include "Units.h"

#include "USB_Prog.h"

#include <algorithm>

namespace zekt {

namespace {

// The units whose serial number ends with text (or is it).
std::vector<UnitInfo> Fitting(const std::vector<UnitInfo>& attached, const std::string& text) {
    std::vector<UnitInfo> exact;
    std::vector<UnitInfo> trailing;
    for (const UnitInfo& unit : attached) {
        if (unit.serial == text || unit.location == text) {
            exact.push_back(unit);
        } else if (unit.serial != "?" && unit.serial.ends_with(text)) {
            trailing.push_back(unit);
        }
    }
    return exact.empty() ? trailing : exact;
}

} // namespace

const char* AccessText(DeviceAccess access) {
    switch (access) {
    case DeviceAccess::Free:
        return "свободен";
    case DeviceAccess::Busy:
        return "занят";
    case DeviceAccess::Denied:
        break;
    }
    return "нет доступа";
}

std::string UnitLine(const UnitInfo& unit) {
    std::string line = unit.serial;
    line.resize(std::max<std::size_t>(line.size() + 2, 20), ' ');
    std::string location = unit.location;
    location.resize(std::max<std::size_t>(location.size() + 2, 10), ' ');
    return line + location + AccessText(unit.access);
}

std::string BusyText(const UnitInfo& unit) {
    return "Программатор " + unit.serial + " (" + unit.location +
           ") занят другой программой: закройте её или выберите другой программатор.";
}

UnitChoice ChooseUnits(const std::vector<UnitInfo>& attached,
                       const std::vector<std::string>& wanted, bool all) {
    UnitChoice choice;
    if (all) {
        for (const UnitInfo& unit : attached) {
            if (unit.serial != "?") {
                choice.units.push_back(unit);
            }
        }
        if (choice.units.empty()) {
            choice.refusal = ErrorText(errNoDevice);
        }
        return choice;
    }
    for (const std::string& text : wanted) {
        const std::vector<UnitInfo> fitting = Fitting(attached, text);
        if (fitting.empty()) {
            choice.refusal = ErrorText(errNoDevice) + " (--unit " + text + ")";
            return choice;
        }
        if (fitting.size() > 1) {
            std::string refusal = "--unit " + text + ": подходят несколько программаторов:";
            for (const UnitInfo& unit : fitting) {
                refusal += "\n  " + UnitLine(unit);
            }
            choice.refusal = refusal;
            choice.ambiguous = true;
            return choice;
        }
        const UnitInfo& unit = fitting.front();
        const bool twice =
            std::any_of(choice.units.begin(), choice.units.end(), [&](const UnitInfo& u) {
                return u.serial == unit.serial && u.locationId == unit.locationId;
            });
        if (twice) {
            choice.refusal = "--unit " + text + ": программатор " + unit.serial + " назван дважды";
            choice.ambiguous = true;
            return choice;
        }
        choice.units.push_back(unit);
    }
    return choice;
}

std::optional<std::string> HeldBeforeRun(const UnitInfo* unit) {
    if (unit != nullptr && unit->access == DeviceAccess::Busy) {
        return BusyText(*unit);
    }
    return std::nullopt;
}

} // namespace zekt
