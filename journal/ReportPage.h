#pragma once

#include "WorkshopReport.h"

#include <string>

namespace zekt {

// What a report covers, as its heading says it.
struct ReportScope {
    std::string journal; // "общий журнал мастерской" or the local file's path
    std::string since;   // YYYY-MM-DD; empty: from the first run
    std::string until;   // YYYY-MM-DD; empty: to the last run
    std::string bench;   // empty: every bench
    std::string made;    // when the report was made, as the bench's clock says
};

// The report as one self-contained HTML page in Russian: its charts are
// inline SVG drawn here, with the numbers beside them in tables; nothing is
// fetched when it is viewed, and no script runs.
std::string ReportPage(const WorkshopReport& report, const ReportScope& scope);

} // namespace zekt
