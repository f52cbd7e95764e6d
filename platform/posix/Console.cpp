#include "Console.h"

#include <termios.h>
#include <unistd.h>

namespace zekt {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

void DiscardTypedAhead(std::FILE* in) {
    if (IsTerminal(in)) {
        tcflush(fileno(in), TCIFLUSH);
    }
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8Console() {}

} // namespace zekt
