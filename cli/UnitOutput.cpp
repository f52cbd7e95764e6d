#include "UnitOutput.h"

#include "Console.h"

#include <mutex>

namespace zekt {

namespace {

std::mutex sayMutex;
thread_local std::string sayPrefix;
thread_local std::FILE* unitOut = nullptr;
thread_local std::FILE* unitErr = nullptr;

// text with the prefix before each of its lines.
std::string Prefixed(const std::string& text) {
    std::string lines = sayPrefix;
    for (const char c : text) {
        lines += c;
        if (c == '\n') {
            lines += sayPrefix;
        }
    }
    return lines;
}

} // namespace

void Say(const std::string& text) {
    const std::lock_guard<std::mutex> lock(sayMutex);
    Print(stderr, "%s\n", Prefixed(text).c_str());
}

std::FILE* Out() {
    return unitOut != nullptr ? unitOut : stdout;
}

std::FILE* Err() {
    return unitErr != nullptr ? unitErr : stderr;
}

UnitOutput::UnitOutput(const std::string& serial)
    : errLines([prefix = "[" + serial + "] "](const std::string& line) {
          // Whole lines with the unit's prefix, never mixed with another unit's.
          const std::lock_guard<std::mutex> lock(sayMutex);
          Print(stderr, "%s%s\n", prefix.c_str(), line.c_str());
      }) {
    sayPrefix = "[" + serial + "] ";
    unitOut = kept.Stream();
    unitErr = errLines.Stream();
}

UnitOutput::~UnitOutput() {
    Finish();
}

std::string UnitOutput::Finish() {
    if (finished) {
        return {};
    }
    finished = true;
    errLines.Close();
    std::string printed = kept.Take();
    unitOut = nullptr;
    unitErr = nullptr;
    sayPrefix.clear();
    return printed;
}

} // namespace zekt
