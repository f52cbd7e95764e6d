#include "RunTimeLibrary.h"

#include <windows.h>

namespace zekt {

namespace {

// The system's own words for an error, in UTF-8, without the line end.
std::string SystemReason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason;
    if (length > 0) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr,
                                              0, nullptr, nullptr);
        reason.resize(static_cast<std::size_t>(bytes));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), reason.data(), bytes,
                            nullptr, nullptr);
    }
    LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason.empty() ? "код ошибки " + std::to_string(error) : reason;
}

} // namespace

RunTimeLibrary LoadRunTimeLibrary(const wchar_t* file, const std::vector<const char*>& functions) {
    RunTimeLibrary library;
    HMODULE module = LoadLibraryExW(
        file, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    if (module == nullptr) {
        const DWORD error = GetLastError();
        library.problem = error == ERROR_MOD_NOT_FOUND ? RunTimeLibrary::Problem::NotFound
                                                       : RunTimeLibrary::Problem::NotLoadable;
        library.detail = SystemReason(error);
        return library;
    }
    for (const char* function : functions) {
        if (GetProcAddress(module, function) == nullptr) {
            FreeLibrary(module);
            library.problem = RunTimeLibrary::Problem::Incompatible;
            library.detail = function;
            return library;
        }
    }
    library.handle = module;
    return library;
}

void* LibraryFunction(const RunTimeLibrary& library, const char* function) {
    if (library.handle == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library.handle), function));
}

std::string DescribeLibraryProblem(const RunTimeLibrary& library, const std::string& name,
                                   const std::string& notFoundSuffix, const std::string& advice) {
    switch (library.problem) {
    case RunTimeLibrary::Problem::None:
        return {};
    case RunTimeLibrary::Problem::NotFound:
        return "не найдена библиотека " + name + notFoundSuffix + ": " + advice;
    case RunTimeLibrary::Problem::NotLoadable:
        return "библиотека " + name + " не загружается (" + library.detail + "): " + advice;
    case RunTimeLibrary::Problem::Incompatible:
        break;
    }
    return "библиотека " + name + " несовместимой версии (в ней нет функции " + library.detail +
           "): " + advice;
}

} // namespace zekt
