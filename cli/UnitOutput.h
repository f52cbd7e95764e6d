#pragma once

#include "StreamCapture.h"

#include <cstdio>
#include <string>

namespace zekt {

// An operator text or a diagnostic, on standard error.
void Say(const std::string& text);

// While several units work at once, each thread's texts start with its
// unit's serial number and what it prints waits in a buffer of its own.
class UnitOutput {
public:
    explicit UnitOutput(const std::string& serial);
    ~UnitOutput();
    UnitOutput(const UnitOutput&) = delete;
    UnitOutput& operator=(const UnitOutput&) = delete;
    // Ends the thread's own output; what the unit printed.
    std::string Finish();

private:
    bool finished = false;
    KeptStream kept;
    LineStream errLines;
};

// Standard output, or the thread's buffer; standard error, or its prefixed stream.
std::FILE* Out();
std::FILE* Err();

} // namespace zekt
