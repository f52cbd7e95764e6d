#pragma once

#include <cstdio>
#include <string>
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

// The program writes UTF-8: a Windows console is told so.
void UseUtf8Console();

// This computer's name and the operator's login, for records several
// benches share; "?" when the system does not tell.
std::string BenchName();
std::string OperatorLogin();

} // namespace zekt
