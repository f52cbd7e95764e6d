#include "ChipMemory.h"

#include <algorithm>

namespace zekt {

namespace {

// CP1:CP0 (bits 13:12, repeated at 5:4) select the protected upper part of
// program memory; CPD (bit 8) clear protects the data EEPROM.
constexpr int kCodeProtectShift = 4;
constexpr uint16_t kDataUnprotectedBit = 0x0100;

} // namespace

void ChipMemory::Erase() {
    code.fill(kWordMask);
    data.fill(kErasedByte);
    idWords.fill(kWordMask);
    configWord = kWordMask;
}

int CodeProtectedFrom(uint16_t configWord) {
    switch ((configWord >> kCodeProtectShift) & 3) {
    case 3:
        return kProgramWords; // nothing protected
    case 2:
        return 0x1F00;
    case 1:
        return 0x1000;
    default:
        return 0;
    }
}

bool DataProtectedBy(uint16_t configWord) {
    return (configWord & kDataUnprotectedBit) == 0;
}

ChipMemory ChipOf(const Project& image) {
    ChipMemory chip;
    for (int w = 0; w < kProgramWords; ++w) {
        chip.code[static_cast<std::size_t>(w)] =
            static_cast<uint16_t>(image.ProgramMemory()[w] & ChipMemory::kWordMask);
    }
    for (int b = 0; b < kDataBytes; ++b) {
        chip.data[static_cast<std::size_t>(b)] = static_cast<uint8_t>(image.DataMemory()[b]);
    }
    for (int k = 0; k < kIdWordCount; ++k) {
        chip.idWords[static_cast<std::size_t>(k)] =
            static_cast<uint16_t>(image.IdWords()[k] & ChipMemory::kWordMask);
    }
    chip.configWord = static_cast<uint16_t>(image.ConfigWord() & ChipMemory::kWordMask);
    return chip;
}

Project ImageOf(const ChipMemory& chip) {
    Project image;
    std::copy(chip.code.begin(), chip.code.end(), image.ProgramMemory().begin());
    std::copy(chip.data.begin(), chip.data.end(), image.DataMemory().begin());
    std::copy(chip.idWords.begin(), chip.idWords.end(), image.IdWords().begin());
    image.SetConfigWord(chip.configWord);
    return image;
}

bool ChipProtected(const Project& image) {
    const uint16_t config = static_cast<uint16_t>(image.ConfigWord() & ChipMemory::kWordMask);
    return CodeProtectedFrom(config) <= kProgramWords - 1 || DataProtectedBy(config);
}

} // namespace zekt
