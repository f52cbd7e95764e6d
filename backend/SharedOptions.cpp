#include "SharedOptions.h"

#include <charconv>

namespace zekt {

bool ParseOptionMs(const NumberOption& option, std::string_view text, int& ms) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        value < option.least || value > option.most) {
        return false;
    }
    ms = value;
    return true;
}

std::string OptionMsRefusal(const NumberOption& option, const std::string& text) {
    return "параметру " + std::string(option.name) + " нужно целое число миллисекунд от " +
           std::to_string(option.least) + " до " + std::to_string(option.most) + ", а не \"" +
           text + "\"";
}

} // namespace zekt
