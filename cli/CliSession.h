#pragma once

#include "CliOptions.h"
#include "CommandFlow.h"
#include "Journal.h"
#include "LinkBackend.h"
#include "ProgramSetUp.h"
#include "TerminalHost.h"
#include "USB_Prog.h"
#include "UnitOutput.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace zekt {

ProgDate Today();

// Everything a command on one unit works with: the link over its own driver,
// the chip image and the journal.
class Session {
public:
    // unit: nullptr for the first unit found, as with one unit.
    Session(const CliOptions& options, const ProgramSetUp& setUp, LinkBackend& backend,
            const UnitInfo* unit = nullptr);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    // The simulated radio keeps what every run left in it; a radio that
    // could not be saved has lost its state, which fails the command.
    void SaveRadio();
    // Why the unit failed to open when another program holds it.
    std::optional<std::string> WhyHeld() { return backend.WhyLinkHeld(*link, unit); }
    bool RadioLost() const { return radioLost; }
    // One of several units at work: the round, not this session, asks the
    // operator (the radio's number included: presetRadio).
    bool oneOfSeveral = false;
    std::string presetRadio;

    USB_Prog& Link() { return *link; }
    const std::string& Workdir() const { return options.workdir; }
    // A terminal host for a command, with the prompts answered as the
    // options say and the simulated radio saved after every run.
    std::unique_ptr<TerminalHost> MakeHost(const std::string& firmware);
    // The journal's record of a command with this configuration file.
    JournalRecord Record(const std::string& configFile, int version = kNoVersion) const;

    Project image;
    Journal journal;

private:
    const CliOptions& options;
    const ProgramSetUp& setUp;
    LinkBackend& backend;
    const UnitInfo* unit;
    std::unique_ptr<USB_Prog> link;
    bool radioLost = false;
    std::optional<std::string> lostBecause;
};

// A command on radios: its terminal host and the window's state it borrows.
struct CommandState {
    CommandState(Session& session, const std::string& firmware);
    std::string firmwareFile;
    bool buildAborted = false;
    std::unique_ptr<TerminalHost> host;
    CommandContext context;
};

int ExitFor(CommandOutcome outcome);

// The configuration of a whole *.prg file as the window would read it into
// its panels, plus the file's data bytes; false (with the reason said) when
// the file is not whole or refused. text, when given, gets the file's bytes.
bool LoadConfiguration(const std::string& path, RadioConfig& config, DataArray& data,
                       std::string* text = nullptr);
// The data build of a configuration; a refusal is said in the build's own
// words, with the field at fault.
bool BuildDataSaying(const RadioConfig& config, Project& image);
// --band, --firmware and --yes against what the configuration asks for; a
// refused band leaves a journal line.
bool ApplyBuildOptions(const CliOptions& options, Session& session, RadioConfig& config);

} // namespace zekt
