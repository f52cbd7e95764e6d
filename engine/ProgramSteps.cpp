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

// Runs each call in turn and returns the first failure.
#define ZEKT_TRY(call)                                                                             \
    if (StepResult result = (call); !result.ok) {                                                  \
        return result;                                                                             \
    }

ProgramSteps::ProgramSteps(Project& image, USB_Prog& link, ProgressView& progress, ProgramOp ops,
                           const RunOwner* owner)
    : owner(owner), image(image), link(link), progress(progress), ops(ops) {}

bool ProgramSteps::StopAsked() const {
    return owner != nullptr ? owner->StopAsked() : RunStopSignal() != 0;
}

StepResult ProgramSteps::Send(uint8_t command) {
    // A stop takes effect between frames; the End frame that winds the run
    // up still goes out.
    if (command != cmdEnd && StopAsked()) {
        NoteRunStopTaken();
        return {false, msg::kRunStopped, true};
    }
    frame[kGroupByte] = grpCommand;
    frame[kCommandByte] = command;
    if (!link.Exchange(frame)) {
        return StepResult::LinkFailure(link.Message());
    }
    return {};
}

StepResult ProgramSteps::CheckLink() {
    if (!link.IsReady()) {
        return StepResult::LinkFailure(msg::kPortNotReady);
    }
    return {};
}

StepResult ProgramSteps::SendStart() {
    return Send(cmdStart);
}

StepResult ProgramSteps::SendBegin() {
    return Send(cmdBegin);
}

StepResult ProgramSteps::SendEnd() {
    return Send(cmdEnd);
}

StepResult ProgramSteps::OpenStep() {
    ZEKT_TRY(CheckLink());
    if (!link.Open()) {
        return StepResult::LinkFailure(link.Message());
    }
    return {};
}

StepResult ProgramSteps::CloseStep() {
    ZEKT_TRY(CheckLink());
    if (!link.Close()) {
        return StepResult::LinkFailure(link.Message());
    }
    return {};
}

StepResult ProgramSteps::Preamble() {
    ZEKT_TRY(CheckLink());
    ZEKT_TRY(SendEnd());
    return SendBegin();
}

StepResult ProgramSteps::EraseStep() {
    ZEKT_TRY(Preamble());
    return Send(cmdErase);
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

StepResult ProgramSteps::SetAddressIfNeeded() {
    const int start = image.StartWord();
    if (start == 0) {
        return {};
    }
    frame[kDataByte] = static_cast<uint8_t>((start / 256) & 0xFF);
    frame[kDataByte + 1] = 0;
    return Send(cmdSetAddress);
}

StepResult ProgramSteps::SendWriteBlock(uint8_t command, int firstAddress, const char* failure) {
    ZEKT_TRY(Send(command));
    for (int k = 0; k < kBlockEntries; ++k) {
        if (ReplyPairFailed(k)) {
            return StepResult::Failure(failure + std::to_string(firstAddress + k));
        }
    }
    AdvanceBar();
    return {};
}

StepResult ProgramSteps::ReadPass(uint8_t command, int index, int end, const TakeWord& take) {
    const int blocks = command == cmdReadCode ? kCodeBlocks : kDataBlocks;
    for (int block = 0; block < blocks; ++block) {
        ZEKT_TRY(Send(command));
        for (int k = 0; k < kBlockEntries; ++k) {
            if (index >= end) {
                return {};
            }
            ZEKT_TRY(take(index, ReplyWord(k)));
            ++index;
        }
        AdvanceBar();
    }
    return {};
}

StepResult ProgramSteps::ProgramCodeStep() {
    image.SetUsedWords(kProgramWords);
    StartBar(msg::kCaptionProgCode, image.UsedWords(), image.StartWord());
    ZEKT_TRY(Preamble());
    ZEKT_TRY(SetAddressIfNeeded());
    const uint8_t command = (ops & opErase) != 0 ? cmdWriteCodeErased : cmdWriteCode;
    for (int block = StartIndex(image) / kBlockEntries; block < kCodeBlocks; ++block) {
        const int first = block * kBlockEntries;
        for (int k = 0; k < kBlockEntries; ++k) {
            PutPair(k, image.ProgramMemory()[static_cast<std::size_t>(first + k)]);
        }
        ZEKT_TRY(SendWriteBlock(command, first, msg::kProgCodeFailed));
    }
    return {};
}

StepResult ProgramSteps::ProgramDataStep() {
    image.SetUsedBytes(kDataBytes);
    StartBar(msg::kCaptionProgData, image.UsedBytes(), kBlockEntries);
    ZEKT_TRY(Preamble());
    for (int block = 0; block < kDataBlocks; ++block) {
        const int first = block * kBlockEntries;
        for (int k = 0; k < kBlockEntries; ++k) {
            PutPair(k, image.DataMemory()[static_cast<std::size_t>(first + k)] & 0xFF);
        }
        ZEKT_TRY(SendWriteBlock(cmdWriteData, first, msg::kProgDataFailed));
    }
    return {};
}

StepResult ProgramSteps::ProgramConfigStep() {
    ZEKT_TRY(Preamble());
    progress.SetCaption(msg::kCaptionProgConfig);
    const auto& id = image.IdWords();
    for (int k = 0; k < kIdWordCount; ++k) {
        // The ID locations hold 14 bits: the high byte goes out masked.
        PutPair(k, ((id[static_cast<std::size_t>(k)] >> 8) & kIdHighMask) << 8 |
                       (id[static_cast<std::size_t>(k)] & 0xFF));
    }
    ZEKT_TRY(Send(cmdWriteId));
    for (int k = 0; k < kIdWordCount; ++k) {
        if (ReplyWord(k) != id[static_cast<std::size_t>(k)]) {
            return StepResult::Failure(msg::kProgIdFailed);
        }
    }
    ZEKT_TRY(SendEnd());
    ZEKT_TRY(SendBegin());
    PutPair(0, image.ConfigWord());
    ZEKT_TRY(Send(cmdWriteConfig));
    if (ReplyWord(0) != image.ConfigWord()) {
        return StepResult::Failure(msg::kProgConfigFailed);
    }
    return {};
}

namespace {

// What a verification reports of the first word that differs.
StepResult Mismatch(const char* failure, int address, int written, int read) {
    return StepResult::Failure(failure + std::to_string(address) + msg::kVerifyWritten +
                               std::to_string(written) + msg::kVerifyRead + std::to_string(read));
}

} // namespace

// Verification reads from the start word, as the code was written:
// frequency writing reads back exactly the page it wrote.
StepResult ProgramSteps::VerifyCodeStep() {
    const auto& memory = image.ProgramMemory();
    return CodePassFromStart(msg::kCaptionVerifyCode, [&](int i, int word) {
        const int32_t written = memory[static_cast<std::size_t>(i)];
        return word == written ? StepResult{} : Mismatch(msg::kVerifyCodeFailed, i, written, word);
    });
}

StepResult ProgramSteps::VerifyDataStep() {
    const auto& memory = image.DataMemory();
    return DataPass(msg::kCaptionVerifyData, [&](int i, int word) {
        const int read = word & 0xFF; // the first byte of each pair is not compared
        const int32_t written = memory[static_cast<std::size_t>(i)];
        return read == written ? StepResult{} : Mismatch(msg::kVerifyDataFailed, i, written, read);
    });
}

StepResult ProgramSteps::ReadIdWords(const TakeWord& take) {
    ZEKT_TRY(Send(cmdReadId));
    for (int k = 0; k < kIdWordCount; ++k) {
        ZEKT_TRY(take(k, ReplyWord(k)));
    }
    return {};
}

StepResult ProgramSteps::ReadConfigWord(int& word) {
    ZEKT_TRY(SendEnd());
    ZEKT_TRY(SendBegin());
    ZEKT_TRY(Send(cmdReadConfig));
    word = ReplyWord(0);
    return {};
}

StepResult ProgramSteps::VerifyConfigStep() {
    ZEKT_TRY(Preamble());
    progress.SetCaption(msg::kCaptionVerifyConfig);
    const auto& id = image.IdWords();
    ZEKT_TRY(ReadIdWords([&](int k, int word) {
        return word == id[static_cast<std::size_t>(k)] ? StepResult{}
                                                       : StepResult::Failure(msg::kVerifyIdFailed);
    }));
    int configWord = 0;
    ZEKT_TRY(ReadConfigWord(configWord));
    if (configWord != image.ConfigWord()) {
        return StepResult::Failure(msg::kVerifyConfigFailed);
    }
    return {};
}

StepResult ProgramSteps::ReadConfigStep() {
    ZEKT_TRY(Preamble());
    auto& id = image.IdWords();
    ZEKT_TRY(ReadIdWords([&](int k, int word) {
        id[static_cast<std::size_t>(k)] = word;
        return StepResult{};
    }));
    int configWord = 0;
    ZEKT_TRY(ReadConfigWord(configWord));
    image.SetConfigWord(configWord);
    return {};
}

StepResult ProgramSteps::ReadCodeStep() {
    auto& memory = image.ProgramMemory();
    return CodePassFromStart(msg::kCaptionReadCode, [&](int i, int word) {
        memory[static_cast<std::size_t>(i)] = word;
        return StepResult{};
    });
}

StepResult ProgramSteps::CodePassFromStart(const char* caption, const TakeWord& take) {
    image.SetUsedWords(kProgramWords);
    StartBar(caption, image.UsedWords(), image.StartWord());
    ZEKT_TRY(Preamble());
    ZEKT_TRY(SetAddressIfNeeded());
    return ReadPass(cmdReadCode, StartIndex(image), image.UsedWords(), take);
}

StepResult ProgramSteps::DataPass(const char* caption, const TakeWord& take) {
    image.SetUsedBytes(kDataBytes);
    StartBar(caption, image.UsedBytes(), 0);
    ZEKT_TRY(Preamble());
    return ReadPass(cmdReadData, 0, image.UsedBytes(), take);
}

StepResult ProgramSteps::ReadDataStep() {
    auto& memory = image.DataMemory();
    return DataPass(msg::kCaptionReadData, [&](int i, int word) {
        memory[static_cast<std::size_t>(i)] = word & 0xFF;
        return StepResult{};
    });
}

#undef ZEKT_TRY

} // namespace zekt
