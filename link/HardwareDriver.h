#pragma once

#include "FtdiDriver.h"

#include <memory>
#include <optional>
#include <string>

namespace zekt {

// The driver for real units on this system: libftdi1 on Linux, the chip
// maker's D2XX library (ftd2xx.dll) on Windows.
std::unique_ptr<FtdiDriver> MakeHardwareDriver();

// Why real units cannot be reached at all (the D2XX library is not
// installed), in the operator's words; nothing when they can.
std::optional<std::string> HardwareDriverMissing();

} // namespace zekt
