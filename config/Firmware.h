#pragma once

#include "SafeFile.h"

#include <array>
#include <string>
#include <vector>

namespace zekt {

// Standard firmware files by version, relative to the start folder.
inline constexpr std::array<const char*, 3> kStandardFirmwareFiles = {
    "WORK/Sta410.hex", "WORK/St610.hex", "WORK/St611.hex"};

// The standard firmware files as inputs a command reads, by absolute path
// under the start folder (empty: the current one), for the check that no
// output names one of them.
std::vector<NamedFile> StandardFirmwareInputs(const std::string& startDir);

// Firmware files of the operator's choice that the radio's registry knows,
// by their lower-cased bare name, with the program code they carry.
struct SpecialFirmware {
    const char* fileName;
    int programCode;
    const char* description; // the special marks text of a read-back
};

inline constexpr std::array<SpecialFirmware, 6> kSpecialFirmware = {{
    {"st613.hex", 3, "версия 6.1.1, но с возможностью работы на 38 частотах CTCSS"},
    {"ctl410.hex", 4, "программа пульта ДКУ"},
    {"scn410.hex", 5, "программа со сканированием по CTCSS"},
    {"rpt410.hex", 6, "программа с управлением эхо-репитером (под версию 4.1.0)"},
    {"rpt611.hex", 7, "программа с управлением эхо-репитером (под версию 6.1.x)"},
    {"st618tm.hex", 8, "программа для телеметрической радиостанции"},
}};

// The bare name after the last '\' or '/', lower-cased; empty when the path
// has neither separator.
std::string BareFirmwareName(const std::string& path);

// The program code for a firmware file of the operator's choice: a special
// name's code, otherwise 15.
int UserFirmwareProgramCode(const std::string& path);

} // namespace zekt
