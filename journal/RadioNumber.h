#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zekt {

// The radio's own number: the maker's serial on its case, typed or scanned,
// recorded with every run on it.
inline constexpr std::size_t kRadioNumberMaxCharacters = 32;
inline constexpr const char* kRadioNumberRule =
    "номер радиостанции: от 1 до 32 знаков (буквы, цифры, «-», «/», «.», пробелы внутри)";

// A number as typed: what a scanner adds around it (CR, LF, Tab) and blanks
// at its ends trimmed. Empty: no number (allowed). Refused, with the
// operator's text, when it holds anything else.
struct [[nodiscard]] RadioNumberInput {
    std::string number;                 // trimmed; empty: none given
    std::optional<std::string> refusal; // why not, when not
};
RadioNumberInput ReadRadioNumber(std::string_view typed);

// Whether radio numbers are asked: `ask` in the settings file or the option.
inline constexpr const char* kRadioNumberAsk = "ask";
// The word `ask` as either place takes it: in any case, blanks around it
// trimmed ("ASK" asks; it is no radio's number).
bool IsRadioNumberAsk(std::string_view text);

} // namespace zekt
