#pragma once

#include "Pic16F877.h"
#include "ProgrammerFrame.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zekt {

using Payload = std::array<uint8_t, kPayloadSize>;

// The programmer unit's command handling: takes one request payload and
// gives the reply payload, driving the chip model. Knows nothing of USB.
class SimulatedUnit {
public:
    Payload Handle(const Payload& request);

    Pic16F877& Chip() { return chip; }
    const Pic16F877& Chip() const { return chip; }

    // Injected failure: the unit reports these entries as failed (0xFF 0xFF)
    // and leaves them unwritten.
    void FailCodeWordAt(int address) { failingCodeWord = address; }
    void FailDataByteAt(int address) { failingDataByte = address; }

    int CodePointer() const { return codePointer; }
    int DataPointer() const { return dataPointer; }
    bool TestFlag() const { return testFlag; }

private:
    Pic16F877 chip;
    int codePointer = 0;
    int dataPointer = 0;
    bool testFlag = false;
    int failingCodeWord = -1;
    int failingDataByte = -1;

    void WriteCodeBlock(Payload& reply, const Payload& request, bool eraseFirst);
    void WriteDataBlock(Payload& reply, const Payload& request);
    void ReadCodeBlock(Payload& reply);
    void ReadDataBlock(Payload& reply);
    void WriteIds(Payload& reply, const Payload& request);
    void ReadIds(Payload& reply) const;
};

} // namespace zekt
