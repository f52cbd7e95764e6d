#include "TerminalHost.h"

#include "PanelTexts.h"
#include "RunStop.h"

#include <array>
#include <csignal>
#include <cstdlib>
#include <termios.h>
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

TerminalHost::TerminalHost(std::FILE* out, std::string firmware, bool confirmProtection)
    : out(out), firmware(std::move(firmware)), confirmProtection(confirmProtection), progress(out) {
}

void TerminalHost::Say(const std::string& text) {
    progress.Finish();
    std::fprintf(out, "%s\n", text.c_str());
    std::fflush(out);
}

namespace {

volatile std::sig_atomic_t promptSignal = 0;

// A line of any length; false at the end of the input or when a signal
// interrupted the wait.
bool ReadLine(std::FILE* in, std::string& line) {
    char* buffer = nullptr;
    std::size_t size = 0;
    const ssize_t n = getline(&buffer, &size, in);
    if (n >= 0) {
        line.assign(buffer, static_cast<std::size_t>(n));
    }
    std::free(buffer);
    return n >= 0;
}

} // namespace

bool WaitForEnter(std::FILE* out, std::FILE* in) {
    // A stopped command asks nothing more.
    if (RunStopSignal() != 0) {
        return false;
    }
    // What was typed before the question answers nothing; what is typed
    // once its hint shows does.
    if (isatty(fileno(in)) != 0) {
        tcflush(fileno(in), TCIFLUSH);
    }
    std::fprintf(out, "[Enter: продолжить, n: отменить] ");
    std::fflush(out);
    // Ctrl+C while waiting cancels like n, rather than ending the process:
    // without SA_RESTART the read returns at once. SIGTERM and SIGHUP cancel
    // too, and still end the command as stopped.
    struct sigaction cancel {};
    cancel.sa_handler = [](int signal) { promptSignal = signal; };
    sigemptyset(&cancel.sa_mask);
    constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> previous{};
    promptSignal = 0;
    for (std::size_t k = 0; k < kSignals.size(); ++k) {
        sigaction(kSignals[k], &cancel, &previous[k]);
    }
    std::string answer;
    // A stop that came while the handlers changed hands is not waited past.
    const bool stopped = RunStopSignal() != 0 || promptSignal != 0;
    const bool answered = !stopped && ReadLine(in, answer) && promptSignal == 0;
    for (std::size_t k = 0; k < kSignals.size(); ++k) {
        sigaction(kSignals[k], &previous[k], nullptr);
    }
    if (promptSignal == SIGTERM || promptSignal == SIGHUP) {
        RequestRunStop(promptSignal);
    }
    if (!answered) {
        std::clearerr(in);
        std::fprintf(out, "\n");
        return false;
    }
    return !(answer.starts_with("n") || answer.starts_with("N") || answer.starts_with("н") ||
             answer.starts_with("Н"));
}

bool TerminalHost::Tell(const OperatorMessage& message) {
    switch (message.kind) {
    case PromptKind::NextRadio:
        if (nextRadioInput == nullptr || RunStopSignal() != 0) {
            return false; // one radio per call; a stopped series asks nothing
        }
        Say(message.text);
        return WaitForEnter(out, nextRadioInput);
    case PromptKind::ConnectRadio:
        Say(message.text);
        return promptInput == nullptr || WaitForEnter(out, promptInput);
    case PromptKind::Notice:
    case PromptKind::Question: // the options have answered it
        break;
    }
    Say(message.text);
    return true;
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

void TerminalHost::ShowRefusedField(const FrequencyField& field) {
    Say("  -> " + FrequencyFieldName(field));
}

void TerminalHost::RunFinished() {
    progress.Finish();
    if (afterRun) {
        afterRun();
    }
}

} // namespace zekt
