#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// One CSV line (RFC 4180 quoting) into its fields, as they stand.
inline std::vector<std::string> CsvFields(std::string_view line, char separator) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

} // namespace zekt
