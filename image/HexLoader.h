#pragma once

#include "SafeFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zekt {

// Why a firmware file was refused; the image only reports success, but the
// reason helps a maintainer or the command line tell the operator more.
enum class HexFailure {
    None,
    CannotOpen,
    MissingColon,        // a record does not start with ':' (also a missing end record)
    BadDigit,            // a hex digit position holds something else, or the file ends there
    OddByteCount,        // program words are byte pairs
    AddressBeyondMemory, // a word at or above the target's capacity, or a non-zero extended address
    BadChecksum,
    UnsupportedRecord,
    OddAddress, // a data record that starts inside a word
    NoData,     // an end record without any program word before it
};

struct HexReadResult {
    bool ok = false;
    int32_t wordsRead = 0; // words stored; 0 after a failure
    HexFailure failure = HexFailure::None;
    int line = 0;                          // 1-based record line of the failure
    FileError fileError = FileError::None; // why CannotOpen
};

// Reads Intel HEX (8-bit form, words low byte first) into target, one entry
// per program word, without blanking it first. Words stored before a failure
// stay in target. The file must be a regular file within kHexFileLimit; a
// leading byte-order mark is skipped.
HexReadResult ReadHexRecords(const std::string& path, std::span<int32_t> target);

// The value of a hexadecimal digit (either case), -1 for any other character.
int HexDigitValue(int c);

// Why a file was refused, in the operator's words (with the line).
std::string DescribeHexFailure(const HexReadResult& result);

// The same record loop over text already in memory.
HexReadResult ReadHexText(std::string_view text, std::span<int32_t> target);

} // namespace zekt
