#include "StreamCapture.h"

#include <cstdlib>
#include <sys/types.h>

namespace zekt {

struct KeptStream::State {
    char* buffer = nullptr;
    std::size_t size = 0;
};

KeptStream::KeptStream() : state(new State) {
    stream = open_memstream(&state->buffer, &state->size);
}

KeptStream::~KeptStream() {
    Take();
    delete state;
}

std::string KeptStream::Take() {
    if (stream == nullptr) {
        return {};
    }
    std::fclose(stream);
    stream = nullptr;
    std::string kept(state->buffer, state->size);
    std::free(state->buffer);
    state->buffer = nullptr;
    return kept;
}

struct LineStream::State {
    std::function<void(const std::string&)> onLine;
    std::string partial;
};

namespace {

ssize_t WriteLines(void* cookie, const char* data, std::size_t size) {
    auto* state = static_cast<LineStream::State*>(cookie);
    state->partial.append(data, size);
    std::size_t end = 0;
    while ((end = state->partial.find('\n')) != std::string::npos) {
        state->onLine(state->partial.substr(0, end));
        state->partial.erase(0, end + 1);
    }
    return static_cast<ssize_t>(size);
}

int CloseLines(void* cookie) {
    auto* state = static_cast<LineStream::State*>(cookie);
    if (!state->partial.empty()) {
        state->onLine(state->partial);
        state->partial.clear();
    }
    return 0;
}

} // namespace

LineStream::LineStream(std::function<void(const std::string&)> onLine)
    : state(new State{std::move(onLine), {}}) {
    stream = fopencookie(state, "w", {nullptr, WriteLines, nullptr, CloseLines});
    setvbuf(stream, nullptr, _IOLBF, 0);
}

LineStream::~LineStream() {
    Close();
    delete state;
}

void LineStream::Close() {
    if (stream != nullptr) {
        std::fclose(stream);
        stream = nullptr;
    }
}

} // namespace zekt
