#include "CliOptions.h"

#include <charconv>
#include <set>

namespace zekt {

const char* const kCliUsage =
    "usage: zekt-cli [--simulate RADIO.hex] [--sim-delay MS] [--sim-fault FAULT]... [--workdir "
    "DIR]\n"
    "                [--trace FILE] COMMAND ...\n"
    "  test                                   the programmer test\n"
    "  program CONFIG.prg [--firmware FILE] [--band LOW HIGH] [--yes]\n"
    "  write-frequencies CONFIG.prg [--firmware FILE] [--band LOW HIGH] [--yes]\n"
    "  read [--save OUT.prg] [--yes]          read a radio back: summary and channel table\n"
    "  backup OUT.hex                         read the whole chip into a full-chip Intel HEX file\n"
    "\n"
    "  --simulate RADIO.hex  the simulated programmer with that radio's chip (blank when the file\n"
    "                        does not exist; saved after the command)\n"
    "  --sim-delay MS        the simulated unit waits MS milliseconds before each reply\n"
    "  --sim-fault FAULT      a fault of the simulated unit (may be repeated):\n"
    "%s"
    "  --workdir DIR         the start folder: standard firmware is taken from DIR/WORK\n"
    "  --trace FILE          every frame sent and received, as a timestamped hex dump\n"
    "  --firmware FILE       the firmware file when the configuration asks for one of your choice\n"
    "  --band LOW HIGH       your own band limits in MHz instead of the preset band\n"
    "  --yes                 confirm read protection; do not wait at the prompts to connect a\n"
    "                        radio (on a terminal they wait for Enter; n or Ctrl+C cancels)\n"
    "  --help, --version     this text; the program's version\n"
    "\n"
    "Exit status: 0 success, 1 the programmer or the radio failed, 2 bad usage or a bad input "
    "file.\n";

namespace {

const std::set<std::string> kCommands = {"test", "program", "write-frequencies", "read", "backup"};

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
    if (!kCommands.count(o.command)) {
        refuse("unknown command " + o.command);
        return o;
    }
    const bool writes = o.command == "program" || o.command == "write-frequencies";
    const std::size_t wanted = writes || o.command == "backup" ? 2 : 1;
    if (positional.size() != wanted) {
        refuse(o.command + (wanted == 2 ? " needs one file" : " takes no file"));
    } else if (writes) {
        o.inputFile = positional[1];
    } else if (o.command == "backup") {
        o.outputFile = positional[1];
    }
    if (!writes && (!o.firmware.empty() || o.band)) {
        refuse("--firmware and --band belong to program and write-frequencies");
    }
    if (!writes && o.yes && o.command != "read") {
        refuse("--yes belongs to program, write-frequencies and read");
    }
    if (saveGiven && o.command != "read") {
        refuse("--save belongs to read");
    }
    return o;
}

} // namespace zekt
