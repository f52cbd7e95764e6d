#include "Pic16F877.h"

namespace zekt {

void Pic16F877::ChipErase() {
    Erase();
}

bool Pic16F877::CodeProtected(int address) const {
    return address >= CodeProtectedFrom(configWord);
}

bool Pic16F877::DataProtected() const {
    return DataProtectedBy(configWord);
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
    const bool anyProtection = CodeProtectedFrom(configWord) < kCodeWords || DataProtected();
    const uint16_t masked = value & kWordMask;
    configWord = anyProtection ? static_cast<uint16_t>(configWord & masked) : masked;
}

} // namespace zekt
