#include "Console.h"

#include <pwd.h>
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

void WriteText(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

void UseUtf8Console() {}

std::string BenchName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "?";
    }
    return name;
}

std::string OperatorLogin() {
    if (const passwd* user = getpwuid(geteuid()); user != nullptr && user->pw_name != nullptr) {
        return user->pw_name;
    }
    return "?";
}

} // namespace zekt
