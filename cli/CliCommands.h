#pragma once

#include "CliOptions.h"
#include "CliSession.h"
#include "ReadBack.h"

namespace zekt {

// The commands for workshops: comparing a radio with a file, and channel
// tables as CSV.
int VerifyCommand(const CliOptions& options, Session& session);
int ExportCsvCommand(const CliOptions& options);
int ImportCsvCommand(const CliOptions& options);
// journal: the runs it holds, one run, and the shared journal (init-db, sync).
int JournalCommand(const CliOptions& options);
// Pads to a width in characters, not bytes (the texts are UTF-8).
std::string Column(const std::string& text, std::size_t width);
std::size_t Characters(const std::string& text);

// A number as Russian writes it for the operator ("2,4"); files keep the dot.
std::string WithDecimalComma(std::string number);

// The channel table as a read shows it.
void PrintChannelTable(const ReadBackPanels& panels);

} // namespace zekt
