#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace zekt {

// Whether the stream is the operator's terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

// Drops what was typed ahead on a terminal, so that only what is typed once
// a question shows answers it.
void DiscardTypedAhead(std::FILE* in);

// The command line as UTF-8 (on Windows from its wide form: the ANSI code
// page would turn a Cyrillic file name into question marks).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Text goes out whole: to a Windows console as UTF-16 in one call (a
// character split over two writes shows as two replacement marks), else as
// the same UTF-8 bytes on every system.
void WriteText(std::FILE* stream, std::string_view text);

// printf into WriteText. mingw's C++ library formats as C99 does (%zu), and
// says so with its own archetype.
#ifdef __MINGW_PRINTF_FORMAT
#define ZEKT_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define ZEKT_PRINTF_FORMAT printf
#endif
__attribute__((format(ZEKT_PRINTF_FORMAT, 2, 3))) void Print(std::FILE* stream, const char* format, ...);

// The program writes UTF-8: a Windows console is told so.
void UseUtf8Console();

// This computer's name and the operator's login, for records several
// benches share; "?" when the system does not tell.
std::string BenchName();
std::string OperatorLogin();

} // namespace zekt
