#pragma once

#include "ChipMemory.h"

#include <cstdint>
#include <map>

namespace zekt {

// The target microcontroller as the simulated unit sees it: 14-bit program
// words, data EEPROM bytes, ID words and the configuration word, with code
// protection and the difference between programming with and without erase.
// Its memory, protection ignored, is the ChipMemory it is (for saving the
// chip and tests).
class Pic16F877 : public ChipMemory {
public:
    Pic16F877() = default;

    // Bulk erase: everything blank, protection lifted.
    void ChipErase();

    // Protected memory reads as 0.
    uint16_t ReadCode(int address) const;
    uint8_t ReadData(int address) const;
    uint16_t ReadId(int index) const { return idWords[static_cast<std::size_t>(index)]; }
    uint16_t ReadConfig() const { return configWord; }

    // eraseFirst: an erase/program cycle; without it programming can only
    // clear bits. False when the chip refuses (protected memory).
    bool WriteCode(int address, uint16_t value, bool eraseFirst);
    bool WriteData(int address, uint8_t value);
    void WriteId(int index, uint16_t value);
    // Protection can only be lifted by a chip erase.
    void WriteConfig(uint16_t value);

    bool CodeProtected(int address) const;
    bool DataProtected() const;

    // A bit that will not program: it stays 1 whatever is written.
    void SetStuckCodeBit(int address, int bit) { stuckCodeBits[address] |= uint16_t(1u << bit); }
    void SetStuckDataBit(int address, int bit) { stuckDataBits[address] |= uint8_t(1u << bit); }

private:
    std::map<int, uint16_t> stuckCodeBits;
    std::map<int, uint8_t> stuckDataBits;
};

} // namespace zekt
