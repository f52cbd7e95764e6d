#include "ReadUntil.h"

namespace zekt {

ReadUntilOutcome ReadUntil(uint8_t* buffer, uint32_t size, std::chrono::milliseconds timeout,
                           const ChunkReader& readChunk, const Clock& now, const Pause& pause) {
    ReadUntilOutcome outcome;
    const auto deadline = now() + timeout;
    while (outcome.received < size) {
        const int n =
            readChunk(buffer + outcome.received, static_cast<int>(size - outcome.received));
        if (n < 0) {
            outcome.ioError = true;
            return outcome;
        }
        outcome.received += static_cast<uint32_t>(n);
        if (outcome.received >= size || now() >= deadline) {
            break;
        }
        if (n == 0) {
            pause();
        }
    }
    return outcome;
}

} // namespace zekt
