#pragma once

#include "CliOptions.h"
#include "CommandFlow.h"
#include "Journal.h"
#include "LinkBackend.h"
#include "TerminalHost.h"
#include "USB_Prog.h"

#include <cstdio>
#include <memory>
#include <string>

namespace zekt {

// An operator text or a diagnostic, on standard error.
void Say(const std::string& text);

ProgDate Today();

// Everything a command works with: the driver (real or simulated, maybe
// traced), the link, the chip image and the journal.
class Session {
public:
    explicit Session(const CliOptions& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool Open(std::string& error);
    // False (and said) when the trace could not be written whole.
    bool CloseTrace();
    // The simulated radio keeps what every run left in it; a radio that
    // could not be saved has lost its state, which fails the command.
    void SaveRadio();
    bool RadioLost() const { return radioLost; }

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
    LinkBackend backend;
    std::unique_ptr<USB_Prog> link;
    bool radioLost = false;
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
// --band, --firmware and --yes against what the configuration asks for.
bool ApplyBuildOptions(const CliOptions& options, RadioConfig& config);

} // namespace zekt
