#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zekt {

// What a user keeps for both programs; their options override it.
struct UserSettings {
    int usbLatencyMs = 0;        // 0: the chip's own latency timer
    std::string journalDatabase; // the shared journal's libpq URI; empty: none
    bool askRadioNumber = false; // radio-number = ask: each radio's number is asked
};

// $XDG_CONFIG_HOME/zekt-programmer/settings.conf, ~/.config/... when unset;
// empty when neither is set.
std::string DefaultSettingsPath();

struct SettingsRead {
    UserSettings settings;
    std::vector<std::string> warnings; // each a line that was not taken, and why
};

// "name = value" lines; blank lines and lines starting with # are skipped.
// A missing file is no settings and no warning.
SettingsRead ReadUserSettings(const std::string& path);

// The shared journal's address: the one an option gave, else the settings
// file's (asked only then: its warnings are said only when it is used).
std::string SharedJournalAddress(const std::string& given,
                                 const std::function<UserSettings()>& settings);

} // namespace zekt
