#pragma once

#include "PgLink.h"

#include <vector>

namespace zekt {

// The shared journal's table, version by version: init-db applies each
// version's statements in order from the one a database has.
inline constexpr int kSchemaVersion = 5;
extern const std::vector<std::vector<const char*>> kSchemaSteps;

// What a table of an older version lacks, as a bench sees it: its role may
// read the table, not the version. A bench writes what the table keeps
// until the owner runs init-db.
struct TableKeeps {
    bool table = true;    // there is a table at all (init-db makes it)
    bool zone = true;     // the record's zone and local time (version 3 on)
    bool radio = true;    // the radio's number (version 4 on)
    bool escaping = true; // the text rule that tells a byte from its spelling (version 5 on)
    bool All() const { return table && zone && radio && escaping; }
    // The version these columns make (0: no table).
    int Version() const {
        return !table ? 0 : !zone ? 2 : !radio ? 3 : !escaping ? 4 : kSchemaVersion;
    }
};
TableKeeps WhatTableKeeps(PgLink& db);

} // namespace zekt
