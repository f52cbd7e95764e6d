#include "Pic16F877.h"

namespace zekt {

namespace {

// CP1:CP0 (bits 13:12, repeated at 5:4) select the protected upper part of
// program memory; CPD (bit 8) clear protects the data EEPROM.
constexpr int kCodeProtectShift = 4;
constexpr uint16_t kDataUnprotectedBit = 0x0100;

int ProtectedFrom(uint16_t config) {
    switch ((config >> kCodeProtectShift) & 3) {
    case 3:
        return Pic16F877::kCodeWords; // nothing protected
    case 2:
        return 0x1F00;
    case 1:
        return 0x1000;
    default:
        return 0;
    }
}

} // namespace

Pic16F877::Pic16F877() {
    ChipErase();
}

void Pic16F877::ChipErase() {
    code.fill(kWordMask);
    data.fill(kErasedByte);
    idWords.fill(kWordMask);
    configWord = kWordMask;
}

bool Pic16F877::CodeProtected(int address) const {
    return address >= ProtectedFrom(configWord);
}

bool Pic16F877::DataProtected() const {
    return (configWord & kDataUnprotectedBit) == 0;
}

uint16_t Pic16F877::ReadCode(int address) const {
    return CodeProtected(address) ? 0 : code[static_cast<std::size_t>(address)];
}

uint8_t Pic16F877::ReadData(int address) const {
    return DataProtected() ? 0 : data[static_cast<std::size_t>(address)];
}

bool Pic16F877::WriteCode(int address, uint16_t value, bool eraseFirst) {
    if (CodeProtected(address)) {
        return false;
    }
    uint16_t& word = code[static_cast<std::size_t>(address)];
    const uint16_t before = eraseFirst ? kWordMask : word;
    word = static_cast<uint16_t>(before & value & kWordMask);
    const auto stuck = stuckCodeBits.find(address);
    if (stuck != stuckCodeBits.end()) {
        word |= stuck->second;
    }
    return true;
}

bool Pic16F877::WriteData(int address, uint8_t value) {
    if (DataProtected()) {
        return false;
    }
    uint8_t& byte = data[static_cast<std::size_t>(address)];
    byte = value;
    const auto stuck = stuckDataBits.find(address);
    if (stuck != stuckDataBits.end()) {
        byte |= stuck->second;
    }
    return true;
}

void Pic16F877::WriteId(int index, uint16_t value) {
    idWords[static_cast<std::size_t>(index)] = value & kWordMask;
}

void Pic16F877::WriteConfig(uint16_t value) {
    const bool anyProtection = ProtectedFrom(configWord) < kCodeWords || DataProtected();
    const uint16_t masked = value & kWordMask;
    configWord = anyProtection ? static_cast<uint16_t>(configWord & masked) : masked;
}

} // namespace zekt
