#pragma once

#include "SharedOptions.h"

#include <regex>
#include <set>
#include <string>

// The long options a help text names, and those the option table gives a
// program: the two must agree.
inline std::set<std::string> OptionsNamed(const std::string& usage) {
    static const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option);
         it != std::sregex_iterator(); ++it) {
        names.insert(it->str());
    }
    return names;
}

inline std::set<std::string> OptionsInHelp(zekt::OptionPrograms program) {
    std::set<std::string> names;
    for (const zekt::ProgramOption* option : zekt::kProgramOptions) {
        if ((option->programs & program) != 0 && !option->hidden) {
            names.emplace(option->name);
        }
    }
    return names;
}
