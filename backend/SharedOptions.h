#pragma once

#include "USB_Prog.h"

#include <optional>
#include <string>
#include <string_view>

namespace zekt {

// The command-line options of both programs: each option's name, the value
// it takes, the range of a number and which programs take it. Both parsers
// look options up here and check values here; each program only keeps the
// value where its own options go, and words its help around this table.
enum class OptionValue {
    None,         // a switch
    File,         // a file name, never empty
    Output,       // a file name, never empty, of a file the program writes
    FileOrEmpty,  // a file name; empty turns the file off
    Text,         // any text, empty too
    Name,         // a text that may not be empty
    Milliseconds, // a whole number of milliseconds within the range
    Count,        // a whole number, 0 and up
    RadioNumber,  // "ask" or one radio's number
    TwoTexts,     // two values (--band LOW HIGH)
};

enum OptionPrograms : unsigned {
    kCliProgram = 1U,
    kWindowProgram = 2U,
    kBothPrograms = kCliProgram | kWindowProgram,
};

struct ProgramOption {
    std::string_view name;
    OptionValue value;
    unsigned programs;
    bool repeatable = false; // may be given several times
    // What an empty or wrong value needs, in the refusal "параметру --x ...".
    std::string_view needs = {};
    int least = 0; // Milliseconds
    int most = 0;
    bool hidden = false; // for the programs' own tests: not in the help
};

inline constexpr ProgramOption kHelpOption{"--help", OptionValue::None, kBothPrograms};
inline constexpr std::string_view kHelpShortOption = "-h";
inline constexpr ProgramOption kVersionOption{"--version", OptionValue::None, kBothPrograms};
inline constexpr ProgramOption kSimulateOption{"--simulate", OptionValue::Output, kBothPrograms,
                                               true};
inline constexpr ProgramOption kSimDelayOption{
    "--sim-delay", OptionValue::Milliseconds, kBothPrograms, false, {}, 0, 10000};
inline constexpr ProgramOption kSimFaultOption{"--sim-fault", OptionValue::Text, kBothPrograms,
                                               true};
inline constexpr ProgramOption kUsbLatencyOption{
    "--usb-latency", OptionValue::Milliseconds, kBothPrograms, false, {}, 1, kLatencyTimerMaxMs};
inline constexpr ProgramOption kUnitOption{"--unit", OptionValue::Name, kBothPrograms, true,
                                           "нужен серийный номер программатора или его окончание"};
inline constexpr ProgramOption kAllUnitsOption{"--all-units", OptionValue::None, kCliProgram};
inline constexpr ProgramOption kWorkdirOption{"--workdir", OptionValue::File, kBothPrograms};
inline constexpr ProgramOption kTraceOption{"--trace", OptionValue::Output, kCliProgram};
inline constexpr ProgramOption kJournalOption{"--journal", OptionValue::FileOrEmpty, kBothPrograms};
inline constexpr ProgramOption kJournalDatabaseOption{
    "--journal-database", OptionValue::Name, kBothPrograms, false, "нужен адрес базы данных"};
inline constexpr ProgramOption kRadioNumberOption{"--radio-number", OptionValue::RadioNumber,
                                                  kBothPrograms};
inline constexpr ProgramOption kExitWhenShownOption{
    "--exit-when-shown", OptionValue::None, kWindowProgram, false, {}, 0, 0, true};
// The commands' own options (zekt-cli).
inline constexpr ProgramOption kFirmwareOption{"--firmware", OptionValue::File, kCliProgram};
inline constexpr ProgramOption kBandOption{"--band", OptionValue::TwoTexts, kCliProgram};
inline constexpr ProgramOption kForceBandOption{"--force-band", OptionValue::None, kCliProgram};
inline constexpr ProgramOption kYesOption{"--yes", OptionValue::None, kCliProgram};
inline constexpr ProgramOption kRepeatOption{"--repeat", OptionValue::None, kCliProgram};
inline constexpr ProgramOption kSaveOption{"--save", OptionValue::Output, kCliProgram};
// The journal lookup's filter: an empty value filters nothing and is refused,
// not taken for no filter.
inline constexpr ProgramOption kSinceOption{"--since", OptionValue::Name, kCliProgram, false,
                                            "нужна дата ГГГГ-ММ-ДД"};
inline constexpr ProgramOption kUntilOption{"--until", OptionValue::Name, kCliProgram, false,
                                            "нужна дата ГГГГ-ММ-ДД"};
inline constexpr ProgramOption kBenchOption{"--bench", OptionValue::Name, kCliProgram, false,
                                            "нужно имя места"};
inline constexpr ProgramOption kResultOption{
    "--result", OptionValue::Name, kCliProgram, false,
    "нужен итог: успешно, ошибка, прервано, отказ или ok, failed, cancelled, refused"};
inline constexpr ProgramOption kConfigOption{"--config", OptionValue::File, kCliProgram};
inline constexpr ProgramOption kRadioOption{"--radio", OptionValue::Name, kCliProgram, false,
                                            "нужен номер радиостанции"};
inline constexpr ProgramOption kCsvOption{"--csv", OptionValue::None, kCliProgram};
inline constexpr ProgramOption kLimitOption{"--limit", OptionValue::Count, kCliProgram, false,
                                            "нужно число записей (0: все)"};
inline constexpr ProgramOption kHtmlOption{"--html", OptionValue::Output, kCliProgram};
inline constexpr ProgramOption kCheckOption{"--check", OptionValue::None, kCliProgram};

inline constexpr const ProgramOption* kProgramOptions[] = {
    &kHelpOption,        &kVersionOption,       &kSimulateOption, &kSimDelayOption,
    &kSimFaultOption,    &kUsbLatencyOption,    &kUnitOption,     &kAllUnitsOption,
    &kWorkdirOption,     &kTraceOption,         &kJournalOption,  &kJournalDatabaseOption,
    &kRadioNumberOption, &kExitWhenShownOption, &kFirmwareOption, &kBandOption,
    &kForceBandOption,   &kYesOption,           &kRepeatOption,   &kSaveOption,
    &kSinceOption,       &kUntilOption,         &kBenchOption,    &kResultOption,
    &kConfigOption,      &kRadioOption,         &kCsvOption,      &kLimitOption,
    &kHtmlOption,        &kCheckOption};

// The option of that name one of the programs takes ("-h" is --help);
// nullptr when it takes none.
const ProgramOption* FindOption(std::string_view name, OptionPrograms program);

// A whole decimal number of milliseconds within the option's range ("5abc",
// "1e9", "+5" and negatives are none); `ms` is set only when it is one.
bool ParseOptionMs(const ProgramOption& option, std::string_view text, int& ms);

// Why the value does not suit the option ("параметру --sim-delay нужно целое
// число миллисекунд от 0 до 10000, а не "x""); nothing when it does. Only
// what the value itself says: which command takes it is each program's.
std::optional<std::string> RefuseOptionValue(const ProgramOption& option, const std::string& value);

} // namespace zekt
