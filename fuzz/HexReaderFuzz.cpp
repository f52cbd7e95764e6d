// libFuzzer target: any text fed to the HEX record loop must end in a clean
// result, stay inside program memory and follow the reader's rules.
#include "HexLoader.h"
#include "Project.h"
#include "SafeFile.h"

#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly program-memory sized on the heap, so a stray write is caught.
    std::vector<int32_t> memory(zekt::kProgramWords, zekt::kBlankWord);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const zekt::HexReadResult r = zekt::ReadHexText(text, memory);

    if (r.ok != (r.failure == zekt::HexFailure::None)) {
        std::abort();
    }
    if (!r.ok && r.wordsRead != 0) {
        std::abort();
    }
    if (r.wordsRead < 0 || static_cast<size_t>(r.wordsRead) > size / 4) {
        std::abort(); // every stored word takes four digits of the text
    }
    // A file that loads starts with its first record (after a byte-order mark).
    const std::string_view body = zekt::SkipByteOrderMark(text);
    if (r.ok && (body.empty() || body[0] != ':')) {
        std::abort();
    }
    for (const int32_t w : memory) {
        if (w < 0 || w > 0xFFFF) {
            std::abort();
        }
    }
    return 0;
}
