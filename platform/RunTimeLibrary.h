#pragma once

#include <string>
#include <vector>

// Windows only: the libraries the program loads while it runs (the unit
// maker's driver, libpq), taken from the system folder and the program's own
// folder and nowhere else: never the current folder, PATH or the folder of a
// file a user opened, where anyone could put a library of that name.
namespace zekt {

struct RunTimeLibrary {
    enum class Problem { None, NotFound, NotLoadable, Incompatible };
    void* handle = nullptr; // the library, when Problem::None
    Problem problem = Problem::None;
    std::string detail; // the system's reason (NotLoadable), the missing function (Incompatible)
};

// Loads file (a bare name such as "ftd2xx.dll") and checks that it has
// every function named.
RunTimeLibrary LoadRunTimeLibrary(const wchar_t* file, const std::vector<const char*>& functions);

// A function of a loaded library; nullptr when it has none by that name.
void* LibraryFunction(const RunTimeLibrary& library, const char* function);

// "не найдена библиотека NAME...", "библиотека NAME не загружается (...)",
// "библиотека NAME несовместимой версии (в ней нет функции F)", then ": advice".
std::string DescribeLibraryProblem(const RunTimeLibrary& library, const std::string& name,
                                   const std::string& notFoundSuffix, const std::string& advice);

} // namespace zekt
