#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace zekt {

// A stream whose bytes are kept until Take: a unit's standard output, shown
// as one block when its run is over.
class KeptStream {
public:
    KeptStream();
    ~KeptStream();
    KeptStream(const KeptStream&) = delete;
    KeptStream& operator=(const KeptStream&) = delete;

    std::FILE* Stream() const { return stream; }
    // Closes the stream; everything written to it.
    std::string Take();

private:
    struct State;
    State* state;
    std::FILE* stream = nullptr;
};

// A line-buffered stream whose whole lines go to onLine as they come (its
// line end taken off); a last partial line goes at Close.
class LineStream {
public:
    explicit LineStream(std::function<void(const std::string&)> onLine);
    ~LineStream();
    LineStream(const LineStream&) = delete;
    LineStream& operator=(const LineStream&) = delete;

    std::FILE* Stream() const { return stream; }
    void Close();

    struct State; // the system half's own

private:
    State* state;
    std::FILE* stream = nullptr;
};

} // namespace zekt
