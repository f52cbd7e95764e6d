#pragma once

#include <string>

namespace zekt {

// A name that one process holds at a time on this machine (in this log-on
// session, on Windows): nothing is left on disk and the hold goes with the
// process, however it ends.
class NameHold {
public:
    explicit NameHold(const std::string& name);
    ~NameHold();
    NameHold(const NameHold&) = delete;
    NameHold& operator=(const NameHold&) = delete;

    // Another holder had the name first (this process included).
    bool HeldElsewhere() const { return heldElsewhere; }

private:
    bool heldElsewhere = false;
    void* handle = nullptr; // the system's object, kept until released
};

} // namespace zekt
