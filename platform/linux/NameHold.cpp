#include "NameHold.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zekt {

// An abstract socket named after the name's hash: the kernel keeps it for
// the process, never on disk.
NameHold::NameHold(const std::string& name) {
    uint64_t hash = 0xcbf29ce484222325ULL; // FNV-1a: a fixed length for any name
    for (const unsigned char c : name) {
        hash = (hash ^ c) * 0x100000001b3ULL;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // sun_path[0] stays 0: the abstract namespace.
    const int length =
        std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1,
                      "zekt-programmer-radio-%016llx", static_cast<unsigned long long>(hash));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        heldElsewhere = errno == EADDRINUSE;
        close(fd);
        return;
    }
    handle = reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1); // 0 stays "none"
}

NameHold::~NameHold() {
    if (handle != nullptr) {
        close(static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1));
    }
}

} // namespace zekt
