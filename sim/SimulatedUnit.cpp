#include "SimulatedUnit.h"

namespace zekt {

namespace {

uint16_t WordAt(const Payload& p, int offset) {
    return static_cast<uint16_t>(p[static_cast<std::size_t>(offset)] << 8 |
                                 p[static_cast<std::size_t>(offset + 1)]);
}

void PutWord(Payload& p, int offset, uint16_t word) {
    p[static_cast<std::size_t>(offset)] = static_cast<uint8_t>(word >> 8);
    p[static_cast<std::size_t>(offset + 1)] = static_cast<uint8_t>(word & 0xFF);
}

void PutFailedPair(Payload& p, int offset) {
    p[static_cast<std::size_t>(offset)] = kFailedPairByte;
    p[static_cast<std::size_t>(offset + 1)] = kFailedPairByte;
}

int PairOffset(int k) {
    return kDataByte + 2 * k;
}

int Wrap(int address, int size) {
    return address & (size - 1);
}

} // namespace

Payload SimulatedUnit::Handle(const Payload& request) {
    // The unit answers in its receive buffer: whatever a command does not
    // set comes back as it was sent.
    Payload reply = request;
    if (request[kGroupByte] != grpCommand) {
        return reply; // the echo frame
    }
    switch (request[kCommandByte]) {
    case cmdBegin:
    case cmdEnd:
        codePointer = 0;
        dataPointer = 0;
        break;
    case cmdErase:
        chip.ChipErase();
        break;
    case cmdTestSet:
        testFlag = true;
        break;
    case cmdTestClear:
        testFlag = false;
        break;
    case cmdTestQuery:
        reply[kDataByte] = testFlag ? 1 : 0;
        break;
    case cmdSetAddress:
        codePointer = Wrap(WordAt(request, kDataByte), Pic16F877::kCodeWords);
        break;
    case cmdWriteCode:
        WriteCodeBlock(reply, request, true);
        break;
    case cmdWriteCodeErased:
        WriteCodeBlock(reply, request, false);
        break;
    case cmdWriteData:
        WriteDataBlock(reply, request);
        break;
    case cmdReadCode:
        ReadCodeBlock(reply);
        break;
    case cmdReadData:
        ReadDataBlock(reply);
        break;
    case cmdWriteConfig:
        chip.WriteConfig(WordAt(request, kDataByte));
        PutWord(reply, kDataByte, chip.ReadConfig());
        break;
    case cmdReadConfig:
        PutWord(reply, kDataByte, chip.ReadConfig());
        break;
    case cmdWriteId:
        WriteIds(reply, request);
        break;
    case cmdReadId:
        ReadIds(reply);
        break;
    default:
        break; // cmdStart, cmdTestPrepare and unknown codes: acknowledged as sent
    }
    return reply;
}

void SimulatedUnit::WriteCodeBlock(Payload& reply, const Payload& request, bool eraseFirst) {
    for (int k = 0; k < kBlockEntries; ++k) {
        const int address = codePointer;
        codePointer = Wrap(codePointer + 1, Pic16F877::kCodeWords);
        const bool written = address != failingCodeWord &&
                             chip.WriteCode(address, WordAt(request, PairOffset(k)), eraseFirst);
        if (written) {
            PutWord(reply, PairOffset(k), chip.ReadCode(address));
        } else {
            PutFailedPair(reply, PairOffset(k));
        }
    }
}

void SimulatedUnit::WriteDataBlock(Payload& reply, const Payload& request) {
    for (int k = 0; k < kBlockEntries; ++k) {
        const int address = dataPointer;
        dataPointer = Wrap(dataPointer + 1, Pic16F877::kDataBytes);
        const uint8_t value = request[static_cast<std::size_t>(PairOffset(k) + 1)];
        const bool written = address != failingDataByte && chip.WriteData(address, value);
        if (written) {
            PutWord(reply, PairOffset(k), chip.ReadData(address));
        } else {
            PutFailedPair(reply, PairOffset(k));
        }
    }
}

void SimulatedUnit::ReadCodeBlock(Payload& reply) {
    for (int k = 0; k < kBlockEntries; ++k) {
        PutWord(reply, PairOffset(k), chip.ReadCode(codePointer));
        codePointer = Wrap(codePointer + 1, Pic16F877::kCodeWords);
    }
}

void SimulatedUnit::ReadDataBlock(Payload& reply) {
    for (int k = 0; k < kBlockEntries; ++k) {
        PutWord(reply, PairOffset(k), chip.ReadData(dataPointer));
        dataPointer = Wrap(dataPointer + 1, Pic16F877::kDataBytes);
    }
}

void SimulatedUnit::WriteIds(Payload& reply, const Payload& request) {
    for (int k = 0; k < 4; ++k) {
        chip.WriteId(k, WordAt(request, PairOffset(k)));
    }
    ReadIds(reply);
}

void SimulatedUnit::ReadIds(Payload& reply) const {
    for (int k = 0; k < 4; ++k) {
        PutWord(reply, PairOffset(k), chip.ReadId(k));
    }
}

} // namespace zekt
