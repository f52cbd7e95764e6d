#include "StreamCapture.h"

#include <fcntl.h>
#include <io.h>
#include <thread>

namespace zekt {

namespace {

constexpr unsigned kPipeBuffer = 64 * 1024;

// A pipe whose far end a thread drains into onBytes, so a writer never
// waits for a full pipe; the stream is the near end.
struct Drained {
    std::FILE* stream = nullptr;
    std::thread reader;

    template <typename OnBytes>
    void Open(OnBytes onBytes) {
        int ends[2] = {-1, -1};
        if (_pipe(ends, kPipeBuffer, _O_BINARY) != 0) {
            return;
        }
        stream = _fdopen(ends[1], "wb");
        reader = std::thread([from = ends[0], onBytes]() mutable {
            char chunk[4096];
            int n = 0;
            while ((n = _read(from, chunk, sizeof chunk)) > 0) {
                onBytes(chunk, static_cast<std::size_t>(n));
            }
            _close(from);
        });
    }

    void Close() {
        if (stream != nullptr) {
            std::fclose(stream);
            stream = nullptr;
        }
        if (reader.joinable()) {
            reader.join();
        }
    }
};

} // namespace

struct KeptStream::State {
    Drained pipe;
    std::string kept;
};

KeptStream::KeptStream() : state(new State) {
    state->pipe.Open(
        [s = state](const char* data, std::size_t size) { s->kept.append(data, size); });
    stream = state->pipe.stream;
}

KeptStream::~KeptStream() {
    Take();
    delete state;
}

std::string KeptStream::Take() {
    state->pipe.Close();
    stream = nullptr;
    return std::move(state->kept);
}

struct LineStream::State {
    std::function<void(const std::string&)> onLine;
    std::string partial;
    Drained pipe;
};

LineStream::LineStream(std::function<void(const std::string&)> onLine)
    : state(new State{std::move(onLine), {}, {}}) {
    state->pipe.Open([s = state](const char* data, std::size_t size) {
        s->partial.append(data, size);
        std::size_t end = 0;
        while ((end = s->partial.find('\n')) != std::string::npos) {
            s->onLine(s->partial.substr(0, end));
            s->partial.erase(0, end + 1);
        }
    });
    stream = state->pipe.stream;
    if (stream != nullptr) {
        setvbuf(stream, nullptr, _IONBF, 0); // the CRT buffers _IOLBF fully
    }
}

LineStream::~LineStream() {
    Close();
    delete state;
}

void LineStream::Close() {
    state->pipe.Close();
    stream = nullptr;
    if (!state->partial.empty()) {
        state->onLine(state->partial);
        state->partial.clear();
    }
}

} // namespace zekt
