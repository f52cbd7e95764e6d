#pragma once

#include <algorithm>
#include <string>

namespace zekt {

// A bounded read's buffer: first as large as the file was, one byte more to
// see it grow; grown while it grows, never past one byte over the limit
// (that byte shows a file grown too large). Never the whole limit at once:
// a journal's bound is far above its size.
inline std::string ReadBufferFor(unsigned long long size, std::size_t limit) {
    return std::string(static_cast<std::size_t>(std::min<unsigned long long>(size, limit)) + 1,
                       '\0');
}

// Room for the next read after have bytes; false when the limit is passed.
inline bool RoomToRead(std::string& bytes, std::size_t have, std::size_t limit) {
    if (have > limit) {
        return false;
    }
    if (have == bytes.size()) {
        bytes.resize(std::min(limit + 1, std::max<std::size_t>(have * 2, 4096)));
    }
    return true;
}

} // namespace zekt
