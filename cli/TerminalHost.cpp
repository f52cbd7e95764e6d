#include "TerminalHost.h"

#include "CommandMessages.h"
#include "PanelTexts.h"

#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace zekt {

namespace {

constexpr int kBarWidth = 40;

} // namespace

TerminalProgress::TerminalProgress(std::FILE* out) : out(out), terminal(isatty(fileno(out)) != 0) {}

TerminalProgress::~TerminalProgress() {
    Finish();
}

void TerminalProgress::SetCaption(const std::string& text) {
    Finish();
    caption = text;
    if (caption.empty()) {
        return;
    }
    if (!terminal) {
        std::fprintf(out, "%s\n", caption.c_str());
        return;
    }
    // A step without a bar (the configuration words) shows its caption too;
    // a bar, when one follows, is drawn over it.
    std::fprintf(out, "%s", caption.c_str());
    std::fflush(out);
    barOpen = true;
}

void TerminalProgress::SetMaximum(int value) {
    maximum = value > 0 ? value : 1;
}

void TerminalProgress::SetPosition(int position) {
    if (!terminal || caption.empty()) {
        return;
    }
    const int filled = std::min(position, maximum) * kBarWidth / maximum;
    std::fprintf(out, "\r%s [%s%s] %3d%%", caption.c_str(), std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, '.').c_str(),
                 std::min(position, maximum) * 100 / maximum);
    std::fflush(out);
    barOpen = true;
}

void TerminalProgress::Finish() {
    if (barOpen) {
        std::fprintf(out, "\n");
        barOpen = false;
    }
}

std::string FieldName(const FrequencyField& field) {
    switch (field.kind) {
    case FrequencyField::Kind::ChannelTx:
        return std::string("Канал ") + kChannelNames[field.channel] + ", передача";
    case FrequencyField::Kind::ChannelRx:
        return std::string("Канал ") + kChannelNames[field.channel] + ", приём";
    case FrequencyField::Kind::BandLow:
        return "Начальная частота, МГц";
    case FrequencyField::Kind::BandHigh:
        break;
    }
    return "Конечная частота, МГц";
}

TerminalHost::TerminalHost(std::FILE* out, std::string workdir, std::string firmware,
                           bool confirmProtection, int version)
    : out(out), workdir(std::move(workdir)), firmware(std::move(firmware)),
      confirmProtection(confirmProtection), version(version), progress(out) {}

void TerminalHost::Say(const std::string& text) {
    progress.Finish();
    std::fprintf(out, "%s\n", text.c_str());
    std::fflush(out);
}

bool AsksToPressOk(const std::string& text) {
    return text.ends_with("нажмите OK.") || text.ends_with("нажмите ОК."); // Latin or Cyrillic
}

bool WaitForEnter(std::FILE* out, std::FILE* in) {
    std::fprintf(out, "[Enter: продолжить, n: отменить] ");
    std::fflush(out);
    // Ctrl+C while waiting cancels like n, rather than ending the process:
    // without SA_RESTART the read returns at once.
    struct sigaction cancel {};
    struct sigaction previous {};
    cancel.sa_handler = [](int) {};
    sigemptyset(&cancel.sa_mask);
    sigaction(SIGINT, &cancel, &previous);
    char line[64];
    const bool answered = std::fgets(line, sizeof line, in) != nullptr;
    sigaction(SIGINT, &previous, nullptr);
    if (!answered) {
        std::clearerr(in);
        std::fprintf(out, "\n");
        return false;
    }
    const std::string answer(line);
    return !(answer.starts_with("n") || answer.starts_with("N") || answer.starts_with("н") ||
             answer.starts_with("Н"));
}

bool TerminalHost::Prompt(const std::string& text) {
    Say(text);
    if (promptInput == nullptr || !AsksToPressOk(text)) {
        return true;
    }
    if (!WaitForEnter(out, promptInput)) {
        cancelled = true;
    }
    return !cancelled;
}

bool TerminalHost::Message(const std::string& text, const std::string&, BoxKind, bool) {
    if (text == msg::kProgNext || text == msg::kFreqNext) {
        if (nextRadioInput == nullptr) {
            return false; // one radio per call
        }
        Say(text);
        return WaitForEnter(out, nextRadioInput);
    }
    return Prompt(text);
}

void TerminalHost::PlainMessage(const std::string& text) {
    Prompt(text);
}

void TerminalHost::ShowError(const std::string& text) {
    Say(text);
}

std::optional<std::string> TerminalHost::ChooseFirmwareFile() {
    if (firmware.empty()) {
        return std::nullopt;
    }
    return firmware;
}

bool TerminalHost::ConfirmReadProtection() {
    return confirmProtection;
}

std::string TerminalHost::VersionText() const {
    return version >= 0 && version < static_cast<int>(kVersionTexts.size())
               ? kVersionTexts[static_cast<std::size_t>(version)]
               : "";
}

void TerminalHost::MarkField(const FrequencyField& field, bool invalid) {
    if (invalid) {
        Say("  -> " + FieldName(field));
    }
}

void TerminalHost::MakeStartDirCurrent() {
    if (!workdir.empty()) {
        std::error_code ec;
        std::filesystem::current_path(workdir, ec);
    }
}

void TerminalHost::RunFinished() {
    progress.Finish();
    if (afterRun) {
        afterRun();
    }
}

} // namespace zekt
