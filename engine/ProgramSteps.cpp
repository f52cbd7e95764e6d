#include "ProgramSteps.h"

#include "EngineMessages.h"
#include "RunStop.h"

#include <algorithm>

namespace zekt {

namespace {

constexpr int kCodeBlocks = kProgramWords / kBlockEntries;
constexpr int kDataBlocks = kDataBytes / kBlockEntries;
constexpr int kIdHighMask = 0x3F;

int PairOffset(int entry) {
    return kDataByte + 2 * entry;
}

// The commands set the start word to 0 or 7936; anything else must still not
// index outside program memory.
int StartIndex(const Project& image) {
    return std::clamp(image.StartWord(), 0, static_cast<int32_t>(kProgramWords));
}

} // namespace

ProgramSteps::ProgramSteps(Project& image, USB_Prog& link, ProgressView& progress, ProgramOp ops)
    : image(image), link(link), progress(progress), ops(ops), message(msg::kUnknownError) {}

void ProgramSteps::Fail(const std::string& text) {
    failed = true;
    message = text;
}

bool ProgramSteps::Send(uint8_t command) {
    // A stop takes effect between frames; the End frame that winds the run
    // up still goes out.
    if (command != cmdEnd && RunStopSignal() != 0) {
        stopped = true;
        Fail(msg::kRunStopped);
        return false;
    }
    frame[kGroupByte] = grpCommand;
    frame[kCommandByte] = command;
    if (!link.Exchange(frame)) {
        Fail(link.Message());
        return false;
    }
    return true;
}

void ProgramSteps::CheckLink() {
    failed = false;
    if (!link.IsReady()) {
        Fail(msg::kPortNotReady);
    }
}

void ProgramSteps::SendStart() {
    failed = false;
    Send(cmdStart);
}

void ProgramSteps::SendBegin() {
    failed = false;
    Send(cmdBegin);
}

void ProgramSteps::SendEnd() {
    failed = false;
    Send(cmdEnd);
}

void ProgramSteps::OpenStep() {
    CheckLink();
    if (!failed && !link.Open()) {
        Fail(link.Message());
    }
}

void ProgramSteps::CloseStep() {
    CheckLink();
    if (!failed && !link.Close()) {
        Fail(link.Message());
    }
}

bool ProgramSteps::Preamble() {
    CheckLink();
    if (failed) {
        return false;
    }
    SendEnd();
    if (failed) {
        return false;
    }
    SendBegin();
    return !failed;
}

void ProgramSteps::EraseStep() {
    if (!Preamble()) {
        return;
    }
    failed = false;
    Send(cmdErase);
}

void ProgramSteps::StartBar(const char* caption, int maximum, int position) {
    progress.SetCaption(caption);
    progress.SetMaximum(maximum);
    barPosition = position;
    progress.SetPosition(barPosition);
}

void ProgramSteps::AdvanceBar() {
    barPosition += kBlockEntries;
    progress.SetPosition(barPosition);
}

void ProgramSteps::PutPair(int entry, int value) {
    frame[static_cast<std::size_t>(PairOffset(entry))] = static_cast<uint8_t>((value >> 8) & 0xFF);
    frame[static_cast<std::size_t>(PairOffset(entry) + 1)] = static_cast<uint8_t>(value & 0xFF);
}

int ProgramSteps::ReplyWord(int entry) const {
    const ProgrammerFrame& reply = link.Reply();
    return reply[static_cast<std::size_t>(PairOffset(entry))] * 256 +
           reply[static_cast<std::size_t>(PairOffset(entry) + 1)];
}

bool ProgramSteps::ReplyPairFailed(int entry) const {
    const ProgrammerFrame& reply = link.Reply();
    return reply[static_cast<std::size_t>(PairOffset(entry))] == kFailedPairByte &&
           reply[static_cast<std::size_t>(PairOffset(entry) + 1)] == kFailedPairByte;
}

bool ProgramSteps::SetAddressIfNeeded() {
    const int start = image.StartWord();
    if (start == 0) {
        return true;
    }
    frame[kDataByte] = static_cast<uint8_t>((start / 256) & 0xFF);
    frame[kDataByte + 1] = 0;
    return Send(cmdSetAddress);
}

bool ProgramSteps::SendWriteBlock(uint8_t command, int firstAddress, const char* failure) {
    if (!Send(command)) {
        return false;
    }
    for (int k = 0; k < kBlockEntries; ++k) {
        if (ReplyPairFailed(k)) {
            Fail(failure + std::to_string(firstAddress + k));
            return false;
        }
    }
    AdvanceBar();
    return true;
}

bool ProgramSteps::ReadPass(uint8_t command, int index, int end,
                            const std::function<bool(int, int)>& take) {
    const int blocks = command == cmdReadCode ? kCodeBlocks : kDataBlocks;
    for (int block = 0; block < blocks; ++block) {
        if (!Send(command)) {
            return false;
        }
        for (int k = 0; k < kBlockEntries; ++k) {
            if (index >= end) {
                return true;
            }
            if (!take(index, ReplyWord(k))) {
                return false;
            }
            ++index;
        }
        AdvanceBar();
    }
    return true;
}

void ProgramSteps::ProgramCodeStep() {
    image.SetUsedWords(kProgramWords);
    StartBar(msg::kCaptionProgCode, image.UsedWords(), image.StartWord());
    if (!Preamble()) {
        return;
    }
    failed = false;
    if (!SetAddressIfNeeded()) {
        return;
    }
    const uint8_t command = (ops & opErase) != 0 ? cmdWriteCodeErased : cmdWriteCode;
    for (int block = StartIndex(image) / kBlockEntries; block < kCodeBlocks; ++block) {
        const int first = block * kBlockEntries;
        for (int k = 0; k < kBlockEntries; ++k) {
            PutPair(k, image.ProgramMemory()[static_cast<std::size_t>(first + k)]);
        }
        if (!SendWriteBlock(command, first, msg::kProgCodeFailed)) {
            return;
        }
    }
    failed = false;
}

void ProgramSteps::ProgramDataStep() {
    image.SetUsedBytes(kDataBytes);
    StartBar(msg::kCaptionProgData, image.UsedBytes(), kBlockEntries);
    if (!Preamble()) {
        return;
    }
    failed = false;
    for (int block = 0; block < kDataBlocks; ++block) {
        const int first = block * kBlockEntries;
        for (int k = 0; k < kBlockEntries; ++k) {
            PutPair(k, image.DataMemory()[static_cast<std::size_t>(first + k)] & 0xFF);
        }
        if (!SendWriteBlock(cmdWriteData, first, msg::kProgDataFailed)) {
            return;
        }
    }
    failed = false;
}

void ProgramSteps::ProgramConfigStep() {
    if (!Preamble()) {
        return;
    }
    progress.SetCaption(msg::kCaptionProgConfig);
    const auto& id = image.IdWords();
    for (int k = 0; k < kIdWordCount; ++k) {
        // The ID locations hold 14 bits: the high byte goes out masked.
        PutPair(k, ((id[static_cast<std::size_t>(k)] >> 8) & kIdHighMask) << 8 |
                       (id[static_cast<std::size_t>(k)] & 0xFF));
    }
    if (!Send(cmdWriteId)) {
        return;
    }
    for (int k = 0; k < kIdWordCount; ++k) {
        if (ReplyWord(k) != id[static_cast<std::size_t>(k)]) {
            Fail(msg::kProgIdFailed);
            return;
        }
    }
    SendEnd();
    if (failed) {
        return;
    }
    SendBegin();
    if (failed) {
        return;
    }
    PutPair(0, image.ConfigWord());
    if (!Send(cmdWriteConfig)) {
        return;
    }
    if (ReplyWord(0) == image.ConfigWord()) {
        failed = false;
    } else {
        Fail(msg::kProgConfigFailed);
    }
}

// Verification reads from the start word, as the code was written:
// frequency writing reads back exactly the page it wrote.
void ProgramSteps::VerifyCodeStep() {
    const auto& memory = image.ProgramMemory();
    CodePassFromStart(msg::kCaptionVerifyCode, [&](int i, int word) {
        const int32_t written = memory[static_cast<std::size_t>(i)];
        if (word == written) {
            return true;
        }
        Fail(msg::kVerifyCodeFailed + std::to_string(i) + msg::kVerifyWritten +
             std::to_string(written) + msg::kVerifyRead + std::to_string(word));
        return false;
    });
}

void ProgramSteps::VerifyDataStep() {
    image.SetUsedBytes(kDataBytes);
    StartBar(msg::kCaptionVerifyData, image.UsedBytes(), 0);
    if (!Preamble()) {
        return;
    }
    failed = false;
    auto& memory = image.DataMemory();
    const bool ok = ReadPass(cmdReadData, 0, image.UsedBytes(), [&](int i, int word) {
        const int read = word & 0xFF; // the first byte of each pair is not compared
        const int32_t written = memory[static_cast<std::size_t>(i)];
        if (read == written) {
            return true;
        }
        Fail(msg::kVerifyDataFailed + std::to_string(i) + msg::kVerifyWritten +
             std::to_string(written) + msg::kVerifyRead + std::to_string(read));
        return false;
    });
    if (ok) {
        failed = false;
    }
}

bool ProgramSteps::ReadIdWords(const std::function<bool(int, int)>& take) {
    if (!Send(cmdReadId)) {
        return false;
    }
    for (int k = 0; k < kIdWordCount; ++k) {
        if (!take(k, ReplyWord(k))) {
            return false;
        }
    }
    return true;
}

bool ProgramSteps::ReadConfigWord(int& word) {
    SendEnd();
    if (failed) {
        return false;
    }
    SendBegin();
    if (failed || !Send(cmdReadConfig)) {
        return false;
    }
    word = ReplyWord(0);
    return true;
}

void ProgramSteps::VerifyConfigStep() {
    if (!Preamble()) {
        return;
    }
    progress.SetCaption(msg::kCaptionVerifyConfig);
    const auto& id = image.IdWords();
    const bool idOk = ReadIdWords([&](int k, int word) {
        if (word == id[static_cast<std::size_t>(k)]) {
            return true;
        }
        Fail(msg::kVerifyIdFailed);
        return false;
    });
    int configWord = 0;
    if (!idOk || !ReadConfigWord(configWord)) {
        return;
    }
    if (configWord == image.ConfigWord()) {
        failed = false;
    } else {
        Fail(msg::kVerifyConfigFailed);
    }
}

void ProgramSteps::ReadConfigStep() {
    if (!Preamble()) {
        return;
    }
    auto& id = image.IdWords();
    const bool idOk = ReadIdWords([&](int k, int word) {
        id[static_cast<std::size_t>(k)] = word;
        return true;
    });
    int configWord = 0;
    if (!idOk || !ReadConfigWord(configWord)) {
        return;
    }
    image.SetConfigWord(configWord);
    failed = false;
}

void ProgramSteps::ReadCodeStep() {
    auto& memory = image.ProgramMemory();
    CodePassFromStart(msg::kCaptionReadCode, [&](int i, int word) {
        memory[static_cast<std::size_t>(i)] = word;
        return true;
    });
}

void ProgramSteps::CodePassFromStart(const char* caption,
                                     const std::function<bool(int, int)>& take) {
    image.SetUsedWords(kProgramWords);
    StartBar(caption, image.UsedWords(), image.StartWord());
    if (!Preamble()) {
        return;
    }
    failed = false;
    if (!SetAddressIfNeeded()) {
        return;
    }
    if (ReadPass(cmdReadCode, StartIndex(image), image.UsedWords(), take)) {
        failed = false;
    }
}

void ProgramSteps::ReadDataStep() {
    image.SetUsedBytes(kDataBytes);
    StartBar(msg::kCaptionReadData, image.UsedBytes(), 0);
    if (!Preamble()) {
        return;
    }
    failed = false;
    auto& memory = image.DataMemory();
    if (ReadPass(cmdReadData, 0, image.UsedBytes(), [&](int i, int word) {
            memory[static_cast<std::size_t>(i)] = word & 0xFF;
            return true;
        })) {
        failed = false;
    }
}

} // namespace zekt
