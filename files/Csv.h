#pragma once

#include <string>

namespace zekt {

// A CSV field as RFC 4180 writes it: in double quotes (doubled inside) when
// it holds the separator, a quote or a line end.
inline std::string CsvField(const std::string& field, char separator) {
    if (field.find_first_of(std::string(1, separator) + "\"\r\n") == std::string::npos) {
        return field;
    }
    std::string quoted = "\"";
    for (const char c : field) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

} // namespace zekt
