#pragma once

#include "PgLink.h"

#include <vector>

namespace zekt {

// The shared journal's table, version by version: init-db applies each
// version's statements in order from the one a database has.
inline constexpr int kSchemaVersion = 3;
extern const std::vector<std::vector<const char*>> kSchemaSteps;

// Whether the table keeps a record's zone and local time (version 3 on),
// as a bench sees it: its role may read the table, not the version.
bool TableKeepsZone(PgLink& db);

} // namespace zekt
