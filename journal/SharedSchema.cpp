#include "SharedSchema.h"

#include <algorithm>
#include <string>

namespace zekt {

// Each version's statements, applied in order from the one a database has.
const std::vector<std::vector<const char*>> kSchemaSteps = {
    // 1: the journal's columns, the bench, the operator and a read's copy.
    {"CREATE TABLE zekt_journal (id text PRIMARY KEY, time timestamptz NOT NULL, program text "
     "NOT NULL, command text NOT NULL, result text NOT NULL, message text NOT NULL, config_file "
     "text NOT NULL, config_file_sha256 text NOT NULL, config_sha256 text NOT NULL, "
     "firmware_file text NOT NULL, firmware_sha256 text NOT NULL, version text NOT NULL, "
     "seconds double precision NOT NULL, unit text NOT NULL, latency text NOT NULL, bench text "
     "NOT NULL, operator text NOT NULL, radio_copy text)",
     "CREATE INDEX zekt_journal_time ON zekt_journal (time)",
     "CREATE INDEX zekt_journal_unit ON zekt_journal (unit)",
     "CREATE INDEX zekt_journal_bench ON zekt_journal (bench)",
     "CREATE INDEX zekt_journal_config ON zekt_journal (config_sha256)"},
    // 2: the runs made from one configuration file, found by its bytes.
    {"CREATE INDEX zekt_journal_config_file ON zekt_journal (config_file_sha256)"},
    // 3: the bench's zone and its own time, so that a record keeps its day
    // whatever the season or the zone it is looked up from.
    {"ALTER TABLE zekt_journal ADD COLUMN zone text, ADD COLUMN local_time text"},
    // 4: the radio's own number, and every run on one radio found by it.
    {"ALTER TABLE zekt_journal ADD COLUMN radio text",
     "CREATE INDEX zekt_journal_radio ON zekt_journal (radio)"},
    // 5: how the row's text is spelled (SharedRecord.h): rows of 1.1.0 have
    // none, and the text \xFF and the byte 0xFF are told apart in the others.
    {"ALTER TABLE zekt_journal ADD COLUMN text_escaping smallint"},
};

TableKeeps WhatTableKeeps(PgLink& db) {
    const PgReply reply =
        db.Run("SELECT column_name FROM information_schema.columns WHERE table_name = "
               "'zekt_journal' AND column_name IN ('id', 'zone', 'local_time', 'radio', "
               "'text_escaping')");
    const auto has = [&reply](const char* name) {
        return std::any_of(
            reply.rows.begin(), reply.rows.end(),
            [name](const std::vector<std::string>& row) { return row.at(0) == name; });
    };
    if (reply.ok && !has("id")) {
        return {false, false, false, false};
    }
    return {true, reply.ok && has("zone") && has("local_time"), reply.ok && has("radio"),
            reply.ok && has("text_escaping")};
}

} // namespace zekt
