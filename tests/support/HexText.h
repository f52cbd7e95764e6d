#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

// Builds Intel HEX records for tests, with the checksum worked out.
inline std::string HexRecord(int address, int type, std::initializer_list<uint8_t> data) {
    unsigned sum = static_cast<unsigned>(data.size()) + ((address >> 8) & 0xFF) + (address & 0xFF) +
                   static_cast<unsigned>(type);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, ":%02X%04X%02X", static_cast<unsigned>(data.size()),
                  static_cast<unsigned>(address), static_cast<unsigned>(type));
    std::string record = buffer;
    for (const uint8_t b : data) {
        std::snprintf(buffer, sizeof buffer, "%02X", b);
        record += buffer;
        sum += b;
    }
    std::snprintf(buffer, sizeof buffer, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return record + buffer;
}

inline const std::string kEndRecord = ":00000001FF\n";
