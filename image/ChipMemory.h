#pragma once

#include "Project.h"

#include <array>
#include <cstdint>

namespace zekt {

// The whole microcontroller's memory as a full-chip HEX file holds it: the
// 14-bit program words, the data EEPROM bytes, the ID words and the
// configuration word. Blank is erased: every bit set.
struct ChipMemory {
    static constexpr int kCodeWords = kProgramWords;
    static constexpr int kDataBytes = zekt::kDataBytes;
    static constexpr uint16_t kWordMask = 0x3FFF;
    static constexpr uint8_t kErasedByte = 0xFF;

    ChipMemory() { Erase(); }
    void Erase();

    std::array<uint16_t, kCodeWords> code;
    std::array<uint8_t, kDataBytes> data;
    std::array<uint16_t, kIdWordCount> idWords;
    uint16_t configWord;

    bool operator==(const ChipMemory&) const = default; // the same contents
};

// The first program word the configuration word's CP1:CP0 protect
// (kProgramWords when none is), and whether its CPD protects the EEPROM.
int CodeProtectedFrom(uint16_t configWord);
bool DataProtectedBy(uint16_t configWord);

// What an image read from a radio says of the chip, and back.
ChipMemory ChipOf(const Project& image);
Project ImageOf(const ChipMemory& chip);
// Read from a protected chip: what was read is zeros, not the radio.
bool ChipProtected(const Project& image);

} // namespace zekt
