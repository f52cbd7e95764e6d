#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zekt {

// Sizes and erased values of the PIC16F877 memories that the image mirrors.
inline constexpr int kProgramWords = 8192;
inline constexpr int kDataBytes = 256;
inline constexpr int kIdWordCount = 4;
inline constexpr int32_t kBlankWord = 0x3FFF;
inline constexpr int32_t kBlankByte = 0xFF;
// First word of the frequency page at the top of program memory.
inline constexpr int kFrequencyPageWord = 7936;

using ProgramArray = std::array<int32_t, kProgramWords>;
using DataArray = std::array<int32_t, kDataBytes>;
using IdArray = std::array<int32_t, kIdWordCount>;

// In-memory image of the target chip: what a run writes into it or has read
// out of it. Each word or byte sits in its own 32-bit entry, in address order.
class Project {
public:
    Project() = default;

    // Handed out for reading and writing in place; users keep to the bounds.
    ProgramArray& ProgramMemory() { return programMemory; }
    const ProgramArray& ProgramMemory() const { return programMemory; }
    DataArray& DataMemory() { return dataMemory; }
    const DataArray& DataMemory() const { return dataMemory; }
    IdArray& IdWords() { return idWords; }
    const IdArray& IdWords() const { return idWords; }

    int32_t ConfigWord() const { return configWord; }
    void SetConfigWord(int32_t value) { configWord = value; }
    int32_t StartWord() const { return startWord; }
    void SetStartWord(int32_t index) { startWord = index; }
    bool IsLoaded() const { return loaded; }

    int32_t UsedWords() const { return usedWords; }
    // Out-of-range counts mean "the whole memory".
    void SetUsedWords(int32_t n);
    int32_t UsedBytes() const { return usedBytes; }
    void SetUsedBytes(int32_t n);

    void BlankProgramFrom(int32_t from);
    void BlankDataFrom(int32_t from);

    // Reads an Intel HEX firmware file into program memory without blanking
    // it first; words stored before a failure stay. True when the file was
    // read up to its end record and every program word fits in 14 bits.
    bool LoadHex(const std::string& path);
    // Why the last LoadHex refused its file, in the operator's words; empty
    // after a load that succeeded.
    const std::string& HexRefusal() const { return hexRefusal; }

private:
    ProgramArray programMemory = MakeFilled<kProgramWords>(kBlankWord);
    DataArray dataMemory = MakeFilled<kDataBytes>(kBlankByte);
    int32_t configWord = 0;
    int32_t startWord = 0;
    IdArray idWords{};
    bool loaded = false;
    int32_t wordsRead = 0;
    std::string hexRefusal;
    int32_t usedWords = 0;
    int32_t usedBytes = 0;

    template <std::size_t N>
    static std::array<int32_t, N> MakeFilled(int32_t value) {
        std::array<int32_t, N> a;
        a.fill(value);
        return a;
    }
};

} // namespace zekt
