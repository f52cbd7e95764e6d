#include "ChipHexFile.h"

#include "HexLoader.h"
#include "SafeFile.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace zekt {

namespace {

struct ChipBytes {
    unsigned address;
    std::vector<unsigned char> bytes;
};

// A byte at its full-chip address; the first address outside the chip is
// the file's fault.
void PutByte(ChipMemory& chip, unsigned address, unsigned char value,
             std::optional<std::string>& outside) {
    auto setByte = [value](uint16_t& word, bool high) {
        word = high ? static_cast<uint16_t>((word & 0x00FF) | (value << 8))
                    : static_cast<uint16_t>((word & 0xFF00) | value);
    };
    const bool high = (address & 1) != 0;
    if (address < 2u * ChipMemory::kCodeWords) {
        setByte(chip.code[address / 2], high);
    } else if (address >= kChipHexIdAddress && address < kChipHexIdAddress + 8) {
        setByte(chip.idWords[(address - kChipHexIdAddress) / 2], high);
    } else if (address == kChipHexConfigAddress || address == kChipHexConfigAddress + 1) {
        setByte(chip.configWord, high);
    } else if (address >= kChipHexDataAddress &&
               address < kChipHexDataAddress + 2u * ChipMemory::kDataBytes) {
        if (!high) {
            chip.data[(address - kChipHexDataAddress) / 2] = value;
        }
    } else if (!outside) {
        char text[96];
        std::snprintf(text, sizeof text, "адрес 0x%X лежит вне памяти микроконтроллера", address);
        outside = text;
    }
}

// The bytes of one record's hex digits; false at a character that is none.
bool RecordBytes(std::string_view digits, std::vector<unsigned>& bytes) {
    bytes.clear();
    if (digits.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexDigitValue(static_cast<unsigned char>(digits[i]));
        const int low = HexDigitValue(static_cast<unsigned char>(digits[i + 1]));
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<unsigned>(high * 16 + low));
    }
    return true;
}

enum : unsigned {
    kRecData = 0,
    kRecEnd = 1,
    kRecSegment = 2,
    kRecStartSegment = 3,
    kRecLinear = 4,
    kRecStartLinear = 5
};

std::string AtLine(std::size_t line, const char* reason) {
    return "строка " + std::to_string(line) + ": " + reason;
}

// Intel HEX records (data, end, segment and linear base; start addresses
// ignored), checksums verified, each data byte handed to put at its full
// address. The reason in the operator's words, nothing when the file is whole.
std::optional<std::string> ReadIntelHex(std::string_view text,
                                        const std::function<void(unsigned, unsigned char)>& put) {
    unsigned base = 0;
    bool anyData = false;
    std::vector<unsigned> bytes;
    const std::vector<std::string_view> lines = SplitLines(SkipByteOrderMark(text));
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string_view record = lines[n];
        while (!record.empty() && (record.back() == ' ' || record.back() == '\t')) {
            record.remove_suffix(1);
        }
        if (record.empty()) {
            continue;
        }
        if (record.front() != ':') {
            return AtLine(n + 1, "запись не начинается с двоеточия");
        }
        if (!RecordBytes(record.substr(1), bytes) || bytes.size() < 5) {
            return AtLine(n + 1, "ожидалась шестнадцатеричная цифра");
        }
        if (bytes.size() != bytes[0] + 5u) {
            return AtLine(n + 1, "длина записи не сходится с её содержимым");
        }
        unsigned sum = 0;
        for (const unsigned b : bytes) {
            sum += b;
        }
        if ((sum & 0xFF) != 0) {
            return AtLine(n + 1, "неверная контрольная сумма");
        }
        const unsigned address = bytes[1] * 256 + bytes[2];
        switch (bytes[3]) {
        case kRecData:
            for (unsigned i = 0; i < bytes[0]; ++i) {
                put(base + address + i, static_cast<unsigned char>(bytes[4 + i]));
            }
            anyData = anyData || bytes[0] > 0;
            break;
        case kRecEnd:
            if (anyData) {
                return std::nullopt;
            }
            return std::string("в файле нет данных");
        case kRecSegment:
        case kRecLinear:
            if (bytes[0] != 2) {
                return AtLine(n + 1, "неверная запись адреса");
            }
            base = (bytes[4] * 256 + bytes[5]) << (bytes[3] == kRecLinear ? 16 : 4);
            break;
        case kRecStartSegment:
        case kRecStartLinear:
            break;
        default:
            return AtLine(n + 1, "неизвестный тип записи");
        }
    }
    return std::string(anyData ? "файл обрезан: нет записи конца файла" : "в файле нет данных");
}

void MaskWords(ChipMemory& chip) {
    for (uint16_t& w : chip.code) {
        w &= ChipMemory::kWordMask;
    }
    for (uint16_t& w : chip.idWords) {
        w &= ChipMemory::kWordMask;
    }
    chip.configWord &= ChipMemory::kWordMask;
}

std::vector<ChipBytes> CollectChip(const ChipMemory& chip) {
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
    for (unsigned i = 0; i < ChipMemory::kCodeWords; ++i) {
        if (chip.code[i] != ChipMemory::kWordMask) {
            addWord(2 * i, chip.code[i]);
        }
    }
    for (unsigned k = 0; k < chip.idWords.size(); ++k) {
        addWord(kChipHexIdAddress + 2 * k, chip.idWords[k]);
    }
    addWord(kChipHexConfigAddress, chip.configWord);
    for (unsigned a = 0; a < ChipMemory::kDataBytes; ++a) {
        if (chip.data[a] != ChipMemory::kErasedByte) {
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

ChipFileResult LoadChipHex(const std::string& path, ChipMemory& chip) {
    // Only a regular file of a sane size: a FIFO or a device could hang or flood it.
    const FileRead probe = ReadRegularFile(path, kHexFileLimit);
    if (!probe.Ok()) {
        return {false, FileErrorText(probe.error)};
    }
    ChipMemory loaded;
    std::optional<std::string> outside;
    const std::optional<std::string> fault =
        ReadIntelHex(probe.bytes, [&](unsigned address, unsigned char value) {
            PutByte(loaded, address, value, outside);
        });
    if (fault) {
        return {false, *fault};
    }
    if (outside) {
        return {false, *outside};
    }
    MaskWords(loaded);
    chip.code = loaded.code;
    chip.data = loaded.data;
    chip.idWords = loaded.idWords;
    chip.configWord = loaded.configWord;
    return {true, {}};
}

std::string FormatChipHex(const ChipMemory& chip) {
    return FormatIntelHex(CollectChip(chip));
}

ChipFileResult SaveChipHex(const std::string& path, const ChipMemory& chip) {
    // Written safely: a full disk is reported and the old file kept.
    const FileWrite written = WriteFileSafely(path, FormatChipHex(chip));
    if (!written.Ok()) {
        return {false, DescribeFileError(path, written.error)};
    }
    return {true, {}};
}

} // namespace zekt
