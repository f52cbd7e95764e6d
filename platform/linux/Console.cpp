#include "Console.h"

#include <cerrno>
#include <pwd.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

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
    // The reentrant lookup: each unit's thread asks at once, and getpwuid
    // keeps one buffer for the whole process.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 1024);
    for (;;) {
        passwd entry{};
        passwd* user = nullptr;
        const int error = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &user);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && user != nullptr && user->pw_name != nullptr ? user->pw_name : "?";
    }
}

} // namespace zekt
