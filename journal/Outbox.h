#pragma once

#include "Outcome.h"
#include "SharedRecord.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zekt {

// The shared journal's local queue: one line per record the server has not
// yet acknowledged, beside the local journal. Several programs of one bench
// share it and take turns through a lock file beside it, held only while a
// file is read or written, never while the network is used. Nothing leaves
// the queue unaccounted for: a record goes when the server has it, or to
// the refused-records file with the reason (a record the server will never
// take, a line that cannot be read).
class Outbox {
public:
    explicit Outbox(std::string path);

    const std::string& Path() const { return path; }
    const std::string& RefusedPath() const { return refusedPath; }
    const std::string& LockPath() const { return lockPath; }

    // Appends one whole line, or nothing (a short write is cut back).
    Outcome Append(const SharedRecord& record);

    struct Waiting {
        Outcome outcome = Outcome::Done();
        std::vector<SharedRecord> records; // oldest first
        int setAside = 0; // lines that could not be read, moved to the refused file
    };
    // At most `most` waiting records.
    Waiting Take(std::size_t most);

    // A record the server will not take, with its reason.
    using Refusal = std::pair<SharedRecord, std::string>;
    // Drops what the server has and moves the refused records to the refused
    // file; what was appended meanwhile stays.
    Outcome Settle(const std::set<std::string>& sent, const std::vector<Refusal>& refused);

    // How many records wait, of all or of those with the given ids (0 when
    // the outbox cannot be read).
    int Count(const std::set<std::string>* among = nullptr) const;

private:
    std::string path;
    std::string lockPath;
    std::string refusedPath;
};

} // namespace zekt
