#include "Project.h"

#include "HexLoader.h"

#include <algorithm>

namespace zekt {

namespace {

int32_t ClampToWhole(int32_t n, int32_t whole) {
    return (n <= 0 || n >= whole) ? whole : n;
}

template <std::size_t N>
void FillFrom(std::array<int32_t, N>& entries, int32_t from, int32_t value) {
    if (from >= static_cast<int32_t>(N)) {
        return;
    }
    std::fill(entries.begin() + std::max(from, 0), entries.end(), value);
}

} // namespace

void Project::SetUsedWords(int32_t n) {
    usedWords = ClampToWhole(n, kProgramWords);
}

void Project::SetUsedBytes(int32_t n) {
    usedBytes = ClampToWhole(n, kDataBytes);
}

void Project::BlankProgramFrom(int32_t from) {
    FillFrom(programMemory, from, kBlankWord);
}

void Project::BlankDataFrom(int32_t from) {
    FillFrom(dataMemory, from, kBlankByte);
}

bool Project::LoadHex(const std::string& path) {
    const HexReadResult result = ReadHexRecords(path, programMemory);
    wordsRead = result.wordsRead;
    // A 14-bit chip cannot hold a wider word: such a file is not firmware
    // for it, and must be refused before the radio is erased.
    const bool fits = std::all_of(programMemory.begin(), programMemory.end(),
                                  [](int32_t word) { return word >= 0 && word <= kBlankWord; });
    loaded = result.ok && fits;
    usedWords = loaded ? wordsRead : 0;
    hexRefusal = !result.ok ? DescribeHexFailure(result)
                 : !fits    ? "слово программы шире 14 бит, микросхема его не вместит"
                            : "";
    return loaded;
}

} // namespace zekt
