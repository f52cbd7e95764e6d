#include "Console.h"

#include <io.h>
// shellapi.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

namespace zekt {

namespace {

HANDLE HandleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back(); // the terminating NUL
    return utf8;
}

} // namespace

bool IsTerminal(std::FILE* stream) {
    DWORD mode = 0;
    return GetConsoleMode(HandleOf(stream), &mode) != 0;
}

void DiscardTypedAhead(std::FILE* in) {
    if (IsTerminal(in)) {
        FlushConsoleInputBuffer(HandleOf(in));
    }
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        if (wide != nullptr) {
            LocalFree(wide);
        }
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int k = 0; k < count; ++k) {
        arguments.push_back(Utf8(wide[k]));
    }
    LocalFree(wide);
    return arguments;
}

void WriteText(std::FILE* stream, std::string_view text) {
    if (text.empty()) {
        return;
    }
    if (!IsTerminal(stream)) {
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    std::fflush(stream); // what stdio still holds goes first
    const int size = static_cast<int>(text.size());
    const int wideSize = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), wideSize);
    DWORD written = 0;
    WriteConsoleW(HandleOf(stream), wide.data(), static_cast<DWORD>(wide.size()), &written,
                  nullptr);
}

void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}

std::string BenchName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    const std::string text = GetComputerNameW(name, &size) ? Utf8(name) : std::string();
    return text.empty() ? "?" : text;
}

std::string OperatorLogin() {
    wchar_t name[257] = {};
    DWORD size = 257;
    const std::string text = GetUserNameW(name, &size) ? Utf8(name) : std::string();
    return text.empty() ? "?" : text;
}

} // namespace zekt
