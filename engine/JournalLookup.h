#pragma once

#include "JournalStore.h"
#include "ReportPage.h"
#include "WorkshopReport.h"

#include <string>

namespace zekt {

// The bench's offset from UTC now, in minutes (days and times as it sees them).
int BenchUtcOffsetMinutes();

// What a *.prg file programs into a radio, for a lookup by configuration:
// the configuration hash of the image it builds (as programming it builds
// it, without --band) and the hash of its bytes; or why the file gives none.
struct [[nodiscard]] FileConfiguration {
    std::optional<std::string> refusal;
    std::string configHash;
    std::string fileHash;
};
FileConfiguration ConfigurationOfFile(const std::string& path);

// The runs that pass the filter, oldest first: the first `limit` (0: all)
// kept, or given to each as they come, and all of them counted. In the local
// file a run's id is its line number, its bench this one; a read's copy is
// its file in radios/ beside the journal. Ended early, refused, once stop
// (when given) is set.
FoundRuns FindRuns(const JournalSource& source, const JournalFilter& filter,
                   std::size_t limit = kLookupLimit, const EachRun& each = {},
                   const LookupStop* stop = nullptr);
// One run by its id, with its radio copy when it has one; an empty list when
// no run has that id.
FoundRuns FindRun(const JournalSource& source, const std::string& id);

// The workshop's report of the runs that pass the filter, counted as they
// come, and its page, with what it covers; the lookup's failure when the
// journal could not be read.
struct [[nodiscard]] ReportMade {
    Outcome outcome = Outcome::Done();
    std::string page;
};
ReportMade MakeReport(const JournalSource& source, const JournalFilter& filter);

} // namespace zekt
