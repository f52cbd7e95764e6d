#include "CliOptions.h"

#include <charconv>
#include <map>

namespace zekt {

const char* const kCliUsage =
    "usage: zekt-cli [--simulate RADIO.hex] [--sim-delay MS] [--sim-fault FAULT]... [--workdir "
    "DIR]\n"
    "                [--trace FILE] COMMAND ...\n"
    "  test                                   the programmer test\n"
    "  program CONFIG.prg [--firmware FILE] [--band LOW HIGH] [--yes] [--repeat]\n"
    "  write-frequencies CONFIG.prg [--firmware FILE] [--band LOW HIGH] [--yes]\n"
    "  read [--save OUT.prg] [--yes]          read a radio back: summary and channel table\n"
    "  verify CONFIG.prg [--firmware FILE] [--band LOW HIGH] [--yes]\n"
    "                                         compare a radio with what CONFIG.prg programs\n"
    "  backup OUT.hex                         read the whole chip into a full-chip Intel HEX file\n"
    "  export-csv CONFIG.prg [OUT.csv]        the channel table as CSV (standard output without "
    "OUT)\n"
    "  import-csv CHANNELS.csv CONFIG.prg     replace the channels of CONFIG.prg from a CSV table\n"
    "\n"
    "  --simulate RADIO.hex  the simulated programmer with that radio's chip (blank when the file\n"
    "                        does not exist; saved after the command)\n"
    "  --sim-delay MS        the simulated unit waits MS milliseconds before each reply\n"
    "  --sim-fault FAULT     a fault of the simulated unit (may be repeated):\n"
    "%s"
    "  --workdir DIR         the start folder: standard firmware is taken from DIR/WORK\n"
    "  --trace FILE          every frame sent and received, as a timestamped hex dump\n"
    "  --journal FILE        the journal of runs (default $XDG_DATA_HOME/zekt-programmer/"
    "journal.csv;\n"
    "                        an empty FILE turns it off)\n"
    "  --firmware FILE       the firmware file when the configuration asks for one of your choice\n"
    "  --band LOW HIGH       your own band limits in MHz instead of the preset band\n"
    "  --repeat              program one radio after another, asking after each\n"
    "  --yes                 confirm read protection; do not wait at the prompts to connect a\n"
    "                        radio (on a terminal they wait for Enter; n or Ctrl+C cancels)\n"
    "  --help, --version     this text; the program's version\n"
    "\n"
    "Exit status: 0 success, 1 the programmer or the radio failed (or the operator cancelled),\n"
    "2 bad usage or a bad input file, 3 verify found the radio different from the file.\n";

namespace {

// Each command with the number of files it takes (at least, at most).
struct CommandFiles {
    std::size_t least;
    std::size_t most;
};
const std::map<std::string, CommandFiles> kCommands = {
    {"test", {0, 0}},   {"program", {1, 1}}, {"write-frequencies", {1, 1}}, {"read", {0, 0}},
    {"verify", {1, 1}}, {"backup", {1, 1}},  {"export-csv", {1, 2}},        {"import-csv", {2, 2}}};

bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string& value) {
    if (i + 1 >= args.size()) {
        return false;
    }
    value = args[++i];
    return true;
}

} // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& args) {
    CliOptions o;
    std::vector<std::string> positional;
    bool saveGiven = false;
    auto refuse = [&o](const std::string& why) {
        if (o.error.empty()) {
            o.error = why;
        }
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string value;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--simulate") {
            o.simulate = TakeValue(args, i, o.radioFile);
            if (!o.simulate) {
                refuse("--simulate needs a file");
            }
        } else if (a == "--sim-delay") {
            const bool ok =
                TakeValue(args, i, value) &&
                std::from_chars(value.data(), value.data() + value.size(), o.simDelayMs).ec ==
                    std::errc() &&
                o.simDelayMs >= 0;
            if (!ok) {
                refuse("--sim-delay needs a number of milliseconds");
            }
        } else if (a == "--sim-fault") {
            if (TakeValue(args, i, value)) {
                o.simFaults.push_back(value);
            } else {
                refuse("--sim-fault needs a fault");
            }
        } else if (a == "--workdir") {
            if (!TakeValue(args, i, o.workdir)) {
                refuse("--workdir needs a folder");
            }
        } else if (a == "--trace") {
            if (!TakeValue(args, i, o.traceFile)) {
                refuse("--trace needs a file");
            }
        } else if (a == "--firmware") {
            if (!TakeValue(args, i, o.firmware)) {
                refuse("--firmware needs a file");
            }
        } else if (a == "--band") {
            o.band = TakeValue(args, i, o.bandLow) && TakeValue(args, i, o.bandHigh);
            if (!o.band) {
                refuse("--band needs two frequencies");
            }
        } else if (a == "--yes") {
            o.yes = true;
        } else if (a == "--repeat") {
            o.repeat = true;
        } else if (a == "--journal") {
            o.journalGiven = TakeValue(args, i, o.journalFile);
            if (!o.journalGiven) {
                refuse("--journal needs a file (an empty one turns the journal off)");
            }
        } else if (a == "--save") {
            saveGiven = true;
            if (!TakeValue(args, i, o.outputFile)) {
                refuse("--save needs a file");
            }
        } else if (a.starts_with("-") && a.size() > 1) {
            refuse("unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    if (o.help || o.version) {
        return o;
    }
    if (positional.empty()) {
        refuse("no command given");
        return o;
    }
    o.command = positional[0];
    const auto command = kCommands.find(o.command);
    if (command == kCommands.end()) {
        refuse("unknown command " + o.command);
        return o;
    }
    const std::size_t files = positional.size() - 1;
    if (files < command->second.least || files > command->second.most) {
        refuse(o.command + (command->second.most == 0    ? " takes no file"
                            : command->second.least == 2 ? " needs two files"
                                                         : " needs one file"));
        return o;
    }
    if (files >= 1) {
        (o.command == "backup" ? o.outputFile : o.inputFile) = positional[1];
    }
    if (files == 2) {
        o.outputFile = positional[2];
    }
    const bool writes = o.command == "program" || o.command == "write-frequencies";
    const bool builds = writes || o.command == "verify";
    if (!builds && (!o.firmware.empty() || o.band)) {
        refuse("--firmware and --band belong to program, write-frequencies and verify");
    }
    if (!builds && o.yes && o.command != "read") {
        refuse("--yes belongs to program, write-frequencies, read and verify");
    }
    if (saveGiven && o.command != "read") {
        refuse("--save belongs to read");
    }
    if (o.repeat && o.command != "program") {
        refuse("--repeat belongs to program");
    }
    return o;
}

} // namespace zekt
