#include "NameHold.h"

#include <cstdint>
#include <cstdio>
#include <windows.h>

namespace zekt {

// A named mutex in the session's namespace: the system drops it with the
// last handle, when the process ends.
NameHold::NameHold(const std::string& name) {
    uint64_t hash = 0xcbf29ce484222325ULL; // FNV-1a: a fixed length for any name
    for (const unsigned char c : name) {
        hash = (hash ^ c) * 0x100000001b3ULL;
    }
    wchar_t object[64];
    std::swprintf(object, sizeof object / sizeof object[0], L"Local\\zekt-programmer-radio-%016llx",
                  static_cast<unsigned long long>(hash));
    HANDLE mutex = CreateMutexW(nullptr, FALSE, object);
    if (mutex == nullptr) {
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        heldElsewhere = true;
        CloseHandle(mutex);
        return;
    }
    handle = mutex;
}

NameHold::~NameHold() {
    if (handle != nullptr) {
        CloseHandle(static_cast<HANDLE>(handle));
    }
}

} // namespace zekt
