#pragma once

#include <string>
#include <utility>

namespace zekt {

// Whether something the caller must check was done, and if not, why (an
// operator text). Success is a state of its own, never an empty text: a
// failure that comes without a reason is still a failure.
class [[nodiscard]] Outcome {
public:
    static Outcome Done() { return Outcome(true, {}); }
    static Outcome Refused(std::string why) { return Outcome(false, std::move(why)); }

    bool Ok() const { return ok; }
    const std::string& Why() const { return why; }

private:
    Outcome(bool ok, std::string why) : ok(ok), why(std::move(why)) {}
    bool ok;
    std::string why;
};

} // namespace zekt
