#pragma once

#include <array>
#include <cstdint>
#include <map>

namespace zekt {

// The target microcontroller as the simulated unit sees it: 14-bit program
// words, data EEPROM bytes, ID words and the configuration word, with code
// protection and the difference between programming with and without erase.
class Pic16F877 {
public:
    static constexpr int kCodeWords = 8192;
    static constexpr int kDataBytes = 256;
    static constexpr uint16_t kWordMask = 0x3FFF;
    static constexpr uint8_t kErasedByte = 0xFF;

    Pic16F877();

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

    // The true contents, protection ignored (for saving the chip and tests).
    std::array<uint16_t, kCodeWords> code;
    std::array<uint8_t, kDataBytes> data;
    std::array<uint16_t, 4> idWords;
    uint16_t configWord;

private:
    std::map<int, uint16_t> stuckCodeBits;
    std::map<int, uint8_t> stuckDataBits;
};

} // namespace zekt
