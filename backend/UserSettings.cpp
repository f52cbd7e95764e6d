#include "UserSettings.h"

#include "Outcome.h"
#include "RadioNumber.h"
#include "SafeFile.h"
#include "SharedJournal.h"
#include "SharedOptions.h"

#include <cerrno>
#include <filesystem>

namespace zekt {

namespace {

constexpr std::size_t kSettingsLimit = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Takes a "name = value" line, or says why not. A password is never kept
// where others can read it: the user's password file holds it.
Outcome TakeLine(std::string_view line, UserSettings& settings, bool readableByOthers) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return Outcome::Refused("нужно \"имя = значение\"");
    }
    const std::string name(Trimmed(line.substr(0, equals)));
    const std::string value(Trimmed(line.substr(equals + 1)));
    if (name == "usb-latency") {
        if (ParseOptionMs(kUsbLatencyOption, value, settings.usbLatencyMs)) {
            return Outcome::Done();
        }
        return Outcome::Refused("usb-latency: нужно целое число миллисекунд от 1 до " +
                                std::to_string(kLatencyTimerMaxMs));
    }
    if (name == "journal-database") {
        if (readableByOthers && UriHasPassword(value)) {
            return Outcome::Refused(std::string("journal-database: в адресе есть пароль, а файл "
                                                "могут читать другие пользователи; адрес не "
                                                "принят (храните пароль в ") +
                                    PasswordFileShown() + ")");
        }
        settings.journalDatabase = value;
        return Outcome::Done();
    }
    if (name == "radio-number") {
        if (IsRadioNumberAsk(value)) {
            settings.askRadioNumber = true;
            return Outcome::Done();
        }
        return Outcome::Refused("radio-number: нужно ask");
    }
    return Outcome::Refused("неизвестный параметр \"" + name + "\"");
}

} // namespace

std::string DefaultSettingsPath() {
    return UserFilePath(UserPlace::Config, "settings.conf");
}

namespace {
constexpr int kWarningsShown = 5;
} // namespace

std::string SharedJournalAddress(const std::string& given,
                                 const std::function<UserSettings()>& settings) {
    return given.empty() ? settings().journalDatabase : given;
}

SettingsRead ReadUserSettings(const std::string& path) {
    SettingsRead read;
    // A link that leads nowhere is a settings file that cannot be read.
    std::error_code ec;
    if (path.empty() || std::filesystem::symlink_status(PathOf(path), ec).type() ==
                            std::filesystem::file_type::not_found) {
        return read;
    }
    const FileRead file = ReadRegularFile(path, kSettingsLimit);
    if (!file.Ok()) {
        read.warnings.push_back(DescribeFileError(path, file.error));
        return read;
    }
    const std::vector<std::string_view> lines = SplitLines(SkipByteOrderMark(file.bytes));
    using std::filesystem::perms;
    const perms mode = std::filesystem::status(PathOf(path), ec).permissions();
    const bool readableByOthers =
        !ec && (mode & (perms::group_read | perms::others_read)) != perms::none;
    int untaken = 0;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string_view line = Trimmed(lines[n]);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (const Outcome taken = TakeLine(line, read.settings, readableByOthers); !taken.Ok()) {
            // A file of junk is said in a few lines, not thousands on every command.
            if (++untaken <= kWarningsShown) {
                read.warnings.push_back(path + ": строка " + std::to_string(n + 1) + ": " +
                                        taken.Why());
            }
        }
    }
    if (untaken > kWarningsShown) {
        read.warnings.push_back(path + ": и ещё строк, которые не приняты: " +
                                std::to_string(untaken - kWarningsShown));
    }
    return read;
}

} // namespace zekt
