#pragma once

#include <charconv>
#include <string>

namespace zekt {

// A number for programs to read (journal fields, traces, figures): always a
// decimal point, whatever locale the process runs in. Qt sets the
// environment's locale at start, so printf's "%.1f" writes "0,0" under
// ru_RU and a server or parser refuses it.
inline std::string MachineNumber(double value, int decimals) {
    char text[64];
    const std::to_chars_result done =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return done.ec == std::errc() ? std::string(text, done.ptr) : std::string("0");
}

} // namespace zekt
