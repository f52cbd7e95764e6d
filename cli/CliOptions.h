#pragma once

#include <string>
#include <vector>

namespace zekt {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the programmer or the radio failed
inline constexpr int kExitUsage = 2;  // bad usage or a bad input file

struct CliOptions {
    bool help = false;
    bool version = false;
    bool simulate = false;
    std::string radioFile;
    int simDelayMs = 0;
    std::vector<std::string> simFaults;
    std::string workdir; // empty: the current folder
    std::string traceFile;

    std::string command;    // test, program, write-frequencies, read, backup
    std::string inputFile;  // CONFIG.prg of program and write-frequencies
    std::string outputFile; // OUT.prg of read --save, OUT.hex of backup
    std::string firmware;
    bool band = false;
    std::string bandLow;
    std::string bandHigh;
    bool yes = false;

    std::string error; // why the command line was refused
};

CliOptions ParseCliOptions(const std::vector<std::string>& args);

extern const char* const kCliUsage;

} // namespace zekt
