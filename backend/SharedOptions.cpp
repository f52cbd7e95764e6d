#include "SharedOptions.h"

#include "RadioNumber.h"

#include <charconv>

namespace zekt {

const ProgramOption* FindOption(std::string_view name, OptionPrograms program) {
    if (name == kHelpShortOption) {
        name = kHelpOption.name;
    }
    for (const ProgramOption* option : kProgramOptions) {
        if (option->name == name && (option->programs & program) != 0) {
            return option;
        }
    }
    return nullptr;
}

bool ParseOptionMs(const ProgramOption& option, std::string_view text, int& ms) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        value < option.least || value > option.most) {
        return false;
    }
    ms = value;
    return true;
}

namespace {

bool IsCount(const std::string& text) {
    std::size_t count = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, count);
    return !text.empty() && error == std::errc() && stop == end;
}

bool IsRadioNumber(const std::string& text) {
    if (IsRadioNumberAsk(text)) {
        return true;
    }
    const RadioNumberInput number = ReadRadioNumber(text);
    return !number.refusal && !number.number.empty();
}

} // namespace

std::optional<std::string> RefuseOptionValue(const ProgramOption& option,
                                             const std::string& value) {
    const std::string prefix = "параметру " + std::string(option.name) + " ";
    int ms = 0;
    switch (option.value) {
    case OptionValue::None:
    case OptionValue::Text:
    case OptionValue::TwoTexts:
    case OptionValue::FileOrEmpty:
        return std::nullopt;
    case OptionValue::File:
    case OptionValue::Output:
        if (value.empty()) {
            return prefix + "нужно имя файла, а не пустая строка";
        }
        return std::nullopt;
    case OptionValue::Name:
        if (value.empty()) {
            return prefix + std::string(option.needs);
        }
        return std::nullopt;
    case OptionValue::Milliseconds:
        if (!ParseOptionMs(option, value, ms)) {
            return prefix + "нужно целое число миллисекунд от " + std::to_string(option.least) +
                   " до " + std::to_string(option.most) + ", а не \"" + value + "\"";
        }
        return std::nullopt;
    case OptionValue::Count:
        if (!IsCount(value)) {
            return prefix + std::string(option.needs) + ", а не \"" + value + "\"";
        }
        return std::nullopt;
    case OptionValue::RadioNumber:
        if (!IsRadioNumber(value)) {
            return prefix + "нужно ask или " + std::string(kRadioNumberRule);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace zekt
