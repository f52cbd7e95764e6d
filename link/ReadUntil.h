#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace zekt {

// D2XX's FT_Read waits for the whole count or the read time-out; libftdi's
// read returns whatever is buffered at once. This loop bridges the two.
struct ReadUntilOutcome {
    bool ioError = false;
    uint32_t received = 0;
};

// readChunk(buffer, size) returns bytes read (0 when nothing is there yet)
// or a negative value on an I/O error. now() is the clock, pause() waits a
// little before the next poll; both are parameters so tests need no device.
using ChunkReader = std::function<int(uint8_t* buffer, int size)>;
using Clock = std::function<std::chrono::steady_clock::time_point()>;
using Pause = std::function<void()>;

ReadUntilOutcome ReadUntil(uint8_t* buffer, uint32_t size, std::chrono::milliseconds timeout,
                           const ChunkReader& readChunk, const Clock& now, const Pause& pause);

} // namespace zekt
