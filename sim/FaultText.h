#pragma once

#include "SimulatedDriver.h"

#include <string>

namespace zekt {

// Applies one fault given as text to the simulated unit:
//   unplug@N  timeout@N  short-write@N  garbage@N  wrong-command@N
//   slow@N (the reply comes kSlowReply late)                        at frame N (from 1)
//   fail-word@A  fail-byte@A       the unit reports that word or byte as failed
//   stuck-bit@A:B  stuck-data-bit@A:B   bit B of that word or byte will not program
//   open  flow  purge              that driver call fails
//   device=DESCRIPTION             another FTDI device listed before the unit
// False with a reason when the text is not one of these.
bool ApplySimFault(const std::string& text, SimulatedDriver& driver, std::string& error);

// The list above, for --help texts.
extern const char* const kSimFaultHelp;

} // namespace zekt
