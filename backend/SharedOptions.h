#pragma once

#include "USB_Prog.h"

#include <string>
#include <string_view>

namespace zekt {

// The options both programs take for the link, and the values they accept;
// each program parses its command line its own way but checks these here.
struct NumberOption {
    std::string_view name;
    int least;
    int most;
};

inline constexpr NumberOption kSimDelayOption{"--sim-delay", 0, 10000};
inline constexpr NumberOption kUsbLatencyOption{"--usb-latency", 1, kLatencyTimerMaxMs};
inline constexpr std::string_view kSimulateOption = "--simulate";
inline constexpr std::string_view kUnitOption = "--unit";
inline constexpr std::string_view kJournalOption = "--journal";
inline constexpr std::string_view kWorkdirOption = "--workdir";

// A whole decimal number of milliseconds within the option's range ("5abc",
// "1e9", "+5" and negatives are none); `ms` is set only when it is one.
bool ParseOptionMs(const NumberOption& option, std::string_view text, int& ms);

// "параметру --sim-delay нужно целое число миллисекунд от 0 до 10000, а не "x""
std::string OptionMsRefusal(const NumberOption& option, const std::string& text);

} // namespace zekt
