#include "RadioNumber.h"

#include <cctype>

namespace zekt {

namespace {

bool Trimmed(char c) {
    return c == '\r' || c == '\n' || c == '\t' || c == ' ';
}

// One UTF-8 character at `at`: its code point and length, or 0 for a byte
// that starts no well-formed character.
char32_t NextCharacter(std::string_view text, std::size_t at, std::size_t& length) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
        length = 1;
        return byte;
    }
    // Latin and Cyrillic letters need two bytes at most; anything longer
    // is refused anyway.
    if ((byte & 0xE0) == 0xC0 && at + 1 < text.size()) {
        const auto next = static_cast<unsigned char>(text[at + 1]);
        if ((next & 0xC0) == 0x80 && byte >= 0xC2) {
            length = 2;
            return (static_cast<char32_t>(byte & 0x1F) << 6) | (next & 0x3F);
        }
    }
    length = 1;
    return 0;
}

bool Allowed(char32_t c) {
    const bool latin = (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
    const bool cyrillic = (c >= U'А' && c <= U'я') || c == U'Ё' || c == U'ё';
    const bool digit = c >= U'0' && c <= U'9';
    return latin || cyrillic || digit || c == U'-' || c == U'/' || c == U'.' || c == U' ';
}

} // namespace

bool IsRadioNumberAsk(std::string_view text) {
    const std::string number = ReadRadioNumber(text).number;
    return number.size() == 3 && std::tolower(static_cast<unsigned char>(number[0])) == 'a' &&
           std::tolower(static_cast<unsigned char>(number[1])) == 's' &&
           std::tolower(static_cast<unsigned char>(number[2])) == 'k';
}

RadioNumberInput ReadRadioNumber(std::string_view typed) {
    while (!typed.empty() && Trimmed(typed.front())) {
        typed.remove_prefix(1);
    }
    while (!typed.empty() && Trimmed(typed.back())) {
        typed.remove_suffix(1);
    }
    std::size_t characters = 0;
    for (std::size_t at = 0; at < typed.size();) {
        std::size_t length = 1;
        if (!Allowed(NextCharacter(typed, at, length))) {
            return {{}, std::string(kRadioNumberRule)};
        }
        at += length;
        ++characters;
    }
    if (characters > kRadioNumberMaxCharacters) {
        return {{}, std::string(kRadioNumberRule)};
    }
    return {std::string(typed), std::nullopt};
}

} // namespace zekt
