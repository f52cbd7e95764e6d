#pragma once

#include "SharedJournal.h"

#include <memory>
#include <string>

namespace zekt {

// Where a bench's journal lives: its local file, and the workshop's shared
// journal when one is set.
struct JournalSource {
    std::string localPath;
    std::string sharedUri;
};

// The journal as lookups see it, whichever store holds it: the local CSV
// file or the workshop's PostgreSQL database.
class JournalStore {
public:
    virtual ~JournalStore() = default;
    // The runs that pass the filter, oldest first: the first `limit` (0: all)
    // kept, or given to each as they come, all of them counted; ended early
    // once stop (when given) is set.
    virtual FoundRuns Find(const JournalFilter& filter, std::size_t limit, const EachRun& each,
                           const LookupStop* stop) = 0;
    // One run by its id, with its radio copy when it has one; no runs when
    // no run has that id.
    virtual FoundRuns FindId(const std::string& id) = 0;
    // Whether asking goes over the network (a window asks from a thread).
    virtual bool Remote() const = 0;
};

// The store lookups ask: the shared journal when set, else the local file;
// nothing when the bench keeps no journal. Days and times as a bench at
// utcOffsetMinutes sees them where a record does not say its own.
std::unique_ptr<JournalStore> OpenJournalStore(const JournalSource& source, int utcOffsetMinutes);

} // namespace zekt
