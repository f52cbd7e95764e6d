#include "TerminalHost.h"

#include "Console.h"
#include "PanelTexts.h"
#include "RadioNumber.h"
#include "RunStop.h"
#include "StopEvents.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace zekt {

namespace {

constexpr int kBarWidth = 40;

} // namespace

TerminalProgress::TerminalProgress(std::FILE* out) : out(out), terminal(IsTerminal(out)) {}

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
        Print(out, "%s\n", caption.c_str());
        return;
    }
    // A step without a bar (the configuration words) shows its caption too;
    // a bar, when one follows, is drawn over it.
    Print(out, "%s", caption.c_str());
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
    Print(out, "\r%s [%s%s] %3d%%", caption.c_str(), std::string(filled, '#').c_str(),
          std::string(kBarWidth - filled, '.').c_str(),
          std::min(position, maximum) * 100 / maximum);
    std::fflush(out);
    barOpen = true;
}

void TerminalProgress::Finish() {
    if (barOpen) {
        Print(out, "\n");
        barOpen = false;
    }
}

TerminalHost::TerminalHost(std::FILE* out, std::string firmware, bool confirmProtection)
    : out(out), firmware(std::move(firmware)), confirmProtection(confirmProtection), progress(out) {
}

void TerminalHost::Say(const std::string& text) {
    progress.Finish();
    Print(out, "%s\n", text.c_str());
    std::fflush(out);
}

namespace {

// Set by the stop route: a signal handler on POSIX, the console's own thread
// on Windows. A lock-free atomic is safe in both.
std::atomic<int> promptSignal = 0;
static_assert(std::atomic<int>::is_always_lock_free);

// A line of any length; false at the end of the input or when a signal
// interrupted the wait.
// Every byte is kept, a NUL too: what the operator sent is judged whole.
bool ReadLine(std::FILE* in, std::string& line) {
    line.clear();
    for (int c = std::getc(in); c != EOF; c = std::getc(in)) {
        line += static_cast<char>(c);
        if (c == '\n') {
            return true;
        }
    }
    return std::ferror(in) == 0 && !line.empty();
}

// The operator's line after a prompt; false when none came (the end of the
// input, Ctrl+C, a stop request).
bool ReadAnswer(std::FILE* out, std::FILE* in, const std::string& prompt, std::string& answer) {
    // A stopped command asks nothing more.
    if (RunStopSignal() != 0) {
        return false;
    }
    // What was typed before the question answers nothing; what is typed
    // once its hint shows does.
    DiscardTypedAhead(in);
    WriteText(out, prompt);
    std::fflush(out);
    // Ctrl+C while waiting cancels like n, rather than ending the process:
    // the read returns at once. A termination or hang-up cancels too, and
    // still ends the command as stopped.
    promptSignal = 0;
    bool answered = false;
    {
        const PromptStopRoute route([](int signal) { promptSignal = signal; });
        // A stop that came while the handlers changed hands is not waited past.
        const bool stopped = RunStopSignal() != 0 || promptSignal != 0;
        answered = !stopped && ReadLine(in, answer) && promptSignal == 0;
    }
    if (const int signal = promptSignal; signal == kStopTerminate || signal == kStopHangUp) {
        RequestRunStop(signal);
    }
    if (!answered) {
        std::clearerr(in);
        Print(out, "\n");
    }
    return answered;
}

} // namespace

bool WaitForEnter(std::FILE* out, std::FILE* in) {
    std::string answer;
    if (!ReadAnswer(out, in, "[Enter: продолжить, n: отменить] ", answer)) {
        return false;
    }
    return !(answer.starts_with("n") || answer.starts_with("N") || answer.starts_with("н") ||
             answer.starts_with("Н"));
}

std::optional<std::string> AskRadioNumberLine(std::FILE* out, std::FILE* in,
                                              const std::string& unitSerial) {
    const std::string prompt =
        (unitSerial.empty() ? std::string("Номер радиостанции")
                            : "Номер радиостанции на программаторе " + unitSerial) +
        " (Enter: без номера): ";
    for (;;) {
        std::string line;
        if (!ReadAnswer(out, in, prompt, line)) {
            if (RunStopSignal() != 0) {
                NoteRunStopTaken(); // the run it would have started is the one stopped
            }
            return std::nullopt;
        }
        const RadioNumberInput number = ReadRadioNumber(line);
        if (!number.refusal) {
            return number.number;
        }
        Print(out, "Неверный %s\n", number.refusal->c_str());
    }
}

bool WaitForConnect(std::FILE* out, std::FILE* in) {
    if (WaitForEnter(out, in)) {
        return true;
    }
    // A stop here ends the command before its run: that is a run stopped.
    if (RunStopSignal() != 0) {
        NoteRunStopTaken();
    }
    return false;
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
        return promptInput == nullptr || WaitForConnect(out, promptInput);
    case PromptKind::OutsideBand:
        Say(message.text);
        if (!forceBand) {
            Say("zekt-cli: программировать каналы вне диапазона можно только с --force-band");
        }
        return forceBand;
    case PromptKind::Notice:
    case PromptKind::Question: // the options have answered it
        break;
    }
    Say(message.text);
    if (!message.advice.empty()) {
        Say(message.advice);
    }
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
