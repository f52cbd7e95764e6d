#pragma once

#include "ChipMemory.h"

#include <string>

namespace zekt {

// Byte addresses of the full-chip Intel HEX layout that gpasm and PIC
// programmers use: program words low byte first from 0, the ID words, the
// configuration word, and each EEPROM byte as the low byte of a word.
inline constexpr unsigned kChipHexIdAddress = 0x4000;
inline constexpr unsigned kChipHexConfigAddress = 0x400E;
inline constexpr unsigned kChipHexDataAddress = 0x4200;

struct ChipFileResult {
    bool ok = false;
    std::string error; // why the file was refused, for the operator's terminal
};

// Loads the whole chip; on failure the chip is left as it was and the error
// says why in the operator's words, without the file's name ("строка 3:
// неверная контрольная сумма"). Anything the file does not hold is blank.
ChipFileResult LoadChipHex(const std::string& path, ChipMemory& chip);

// The whole chip as Intel HEX text (blank words and bytes are left out).
std::string FormatChipHex(const ChipMemory& chip);

// Saves the whole chip (blank words and bytes are left out), written safely:
// on failure the old file is as it was. The error names the file and why.
ChipFileResult SaveChipHex(const std::string& path, const ChipMemory& chip);

} // namespace zekt
