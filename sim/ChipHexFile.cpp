#include "ChipHexFile.h"

#include "SafeFile.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <utility>
#include <srecord/input/file/intel.h>
#include <srecord/quit/exception.h>
#include <srecord/record.h>
#include <vector>

namespace zekt {

namespace {

// srecord reports problems through a quit handler; this one keeps the text
// and throws instead of ending the process.
class KeepMessageQuit : public srecord::quit_exception {
public:
    std::string text;

protected:
    void message_v(const char* format, va_list args) override {
        char buffer[512];
        std::vsnprintf(buffer, sizeof buffer, format, args);
        text = buffer;
    }
};

struct ChipBytes {
    unsigned address;
    std::vector<unsigned char> bytes;
};

void PutByte(Pic16F877& chip, unsigned address, unsigned char value, std::string& error) {
    auto setByte = [value](uint16_t& word, bool high) {
        word = high ? static_cast<uint16_t>((word & 0x00FF) | (value << 8))
                    : static_cast<uint16_t>((word & 0xFF00) | value);
    };
    const bool high = (address & 1) != 0;
    if (address < 2u * Pic16F877::kCodeWords) {
        setByte(chip.code[address / 2], high);
    } else if (address >= kChipHexIdAddress && address < kChipHexIdAddress + 8) {
        setByte(chip.idWords[(address - kChipHexIdAddress) / 2], high);
    } else if (address == kChipHexConfigAddress || address == kChipHexConfigAddress + 1) {
        setByte(chip.configWord, high);
    } else if (address >= kChipHexDataAddress &&
               address < kChipHexDataAddress + 2u * Pic16F877::kDataBytes) {
        if (!high) {
            chip.data[(address - kChipHexDataAddress) / 2] = value;
        }
    } else if (error.empty()) {
        char text[96];
        std::snprintf(text, sizeof text, "адрес 0x%X лежит вне памяти микроконтроллера", address);
        error = text;
    }
}

// srecord's English report ("PATH: LINE: checksum mismatch (01 != 00)") in
// the operator's words, with the line where it has one.
std::string ReaderFault(const std::string& path, const std::string& report) {
    std::string_view rest = report;
    if (rest.starts_with(path + ": ")) {
        rest.remove_prefix(path.size() + 2);
    }
    std::string line;
    while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') {
        line += rest.front();
        rest.remove_prefix(1);
    }
    if (!line.empty() && rest.starts_with(": ")) {
        rest.remove_prefix(2);
    } else {
        line.clear();
    }
    constexpr std::pair<std::string_view, const char*> kReasons[] = {
        {"checksum mismatch", "неверная контрольная сумма"},
        {"file contains no data", "в файле нет данных"},
        {"hexadecimal digit expected", "ожидалась шестнадцатеричная цифра"},
    };
    const char* reason = "это не файл Intel HEX";
    for (const auto& [english, russian] : kReasons) {
        if (rest.starts_with(english)) {
            reason = russian;
        }
    }
    return line.empty() ? reason : "строка " + line + ": " + reason;
}

void MaskWords(Pic16F877& chip) {
    for (uint16_t& w : chip.code) {
        w &= Pic16F877::kWordMask;
    }
    for (uint16_t& w : chip.idWords) {
        w &= Pic16F877::kWordMask;
    }
    chip.configWord &= Pic16F877::kWordMask;
}

std::vector<ChipBytes> CollectChip(const Pic16F877& chip) {
    std::vector<ChipBytes> runs;
    auto add = [&runs](unsigned address, std::initializer_list<unsigned char> bytes) {
        if (!runs.empty() && runs.back().address + runs.back().bytes.size() == address) {
            runs.back().bytes.insert(runs.back().bytes.end(), bytes);
        } else {
            runs.push_back({address, bytes});
        }
    };
    auto addWord = [&add](unsigned address, uint16_t w) {
        add(address, {static_cast<unsigned char>(w & 0xFF), static_cast<unsigned char>(w >> 8)});
    };
    for (unsigned i = 0; i < Pic16F877::kCodeWords; ++i) {
        if (chip.code[i] != Pic16F877::kWordMask) {
            addWord(2 * i, chip.code[i]);
        }
    }
    for (unsigned k = 0; k < chip.idWords.size(); ++k) {
        addWord(kChipHexIdAddress + 2 * k, chip.idWords[k]);
    }
    addWord(kChipHexConfigAddress, chip.configWord);
    for (unsigned a = 0; a < Pic16F877::kDataBytes; ++a) {
        if (chip.data[a] != Pic16F877::kErasedByte) {
            addWord(kChipHexDataAddress + 2 * a, chip.data[a]);
        }
    }
    return runs;
}

// Intel HEX text of the runs: data records of up to 16 bytes and the end
// record. Every address of the chip layout fits in 16 bits.
std::string FormatIntelHex(const std::vector<ChipBytes>& runs) {
    constexpr std::size_t kRecordBytes = 16;
    std::string text;
    char field[8];
    for (const ChipBytes& run : runs) {
        for (std::size_t at = 0; at < run.bytes.size(); at += kRecordBytes) {
            const std::size_t count = std::min(kRecordBytes, run.bytes.size() - at);
            const unsigned address = run.address + static_cast<unsigned>(at);
            unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFF);
            std::snprintf(field, sizeof field, ":%02X", static_cast<unsigned>(count));
            text += field;
            std::snprintf(field, sizeof field, "%04X00", address & 0xFFFF);
            text += field;
            for (std::size_t i = 0; i < count; ++i) {
                sum += run.bytes[at + i];
                std::snprintf(field, sizeof field, "%02X", run.bytes[at + i]);
                text += field;
            }
            std::snprintf(field, sizeof field, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
            text += field;
        }
    }
    return text + ":00000001FF\n";
}

} // namespace

ChipFileResult LoadChipHex(const std::string& path, Pic16F877& chip) {
    // srecord opens the file by name: make sure first that it is a regular
    // file of a sane size, so that a FIFO or a device cannot hang or flood it.
    const FileRead probe = ReadRegularFile(path, kHexFileLimit);
    if (!probe.Ok()) {
        return {false, FileErrorText(probe.error)};
    }
    Pic16F877 loaded;
    std::string error;
    KeepMessageQuit quit;
    try {
        srecord::input::pointer input = srecord::input_file_intel::create(path);
        input->set_quit(quit);
        srecord::record record;
        while (input->read(record)) {
            if (record.get_type() != srecord::record::type_data) {
                continue;
            }
            for (std::size_t i = 0; i < record.get_length(); ++i) {
                PutByte(loaded, static_cast<unsigned>(record.get_address() + i),
                        static_cast<unsigned char>(record.get_data(i)), error);
            }
        }
    } catch (const srecord::quit_exception::vomit&) {
        return {false, ReaderFault(path, quit.text)};
    }
    if (!error.empty()) {
        return {false, error};
    }
    MaskWords(loaded);
    chip.code = loaded.code;
    chip.data = loaded.data;
    chip.idWords = loaded.idWords;
    chip.configWord = loaded.configWord;
    return {true, {}};
}

ChipFileResult SaveChipHex(const std::string& path, const Pic16F877& chip) {
    // Formatted here rather than by srecord, whose writer ends the process on
    // a full disk; the safe writer reports it and keeps the old file.
    const FileWrite written = WriteFileSafely(path, FormatIntelHex(CollectChip(chip)));
    if (!written.Ok()) {
        return {false, DescribeFileError(path, written.error)};
    }
    return {true, {}};
}

} // namespace zekt
