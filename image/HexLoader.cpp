#include "HexLoader.h"

#include "SafeFile.h"

namespace zekt {

namespace {

enum RecordType : int {
    recData = 0x00,
    recEndOfFile = 0x01,
    recExtendedSegmentAddress = 0x02,
    recStartSegmentAddress = 0x03,
    recExtendedLinearAddress = 0x04,
    recStartLinearAddress = 0x05,
};

constexpr int kEndOfText = -1;

// Walks the text the way a text-mode stream would: a CR LF pair is one
// line-end character.
class TextCursor {
public:
    explicit TextCursor(std::string_view text) : text(text) {}

    int Next() {
        if (pos >= text.size()) {
            return kEndOfText;
        }
        const auto c = static_cast<unsigned char>(text[pos++]);
        if (c == '\r' && pos < text.size() && text[pos] == '\n') {
            ++pos;
            return '\n';
        }
        return c;
    }

private:
    std::string_view text;
    std::size_t pos = 0;
};

class RecordReader {
public:
    RecordReader(std::string_view text, std::span<int32_t> target) : cursor(text), target(target) {}

    HexReadResult Run() {
        for (;;) {
            ++line;
            const HexFailure failure = ReadRecord();
            if (failure != HexFailure::None) {
                return {false, 0, failure, line};
            }
            if (endSeen) {
                // Loading nothing would program a blank radio.
                if (wordsRead == 0) {
                    return {false, 0, HexFailure::NoData, line};
                }
                return {true, wordsRead, HexFailure::None, 0};
            }
        }
    }

private:
    TextCursor cursor;
    std::span<int32_t> target;
    uint32_t recordSum = 0;
    int32_t wordsRead = 0;
    int line = 0;
    bool endSeen = false;

    // One byte as two hex digits, high nibble first; -1 on a bad digit.
    int ReadByte() {
        const int high = HexDigitValue(cursor.Next());
        const int low = HexDigitValue(cursor.Next());
        if (high < 0 || low < 0) {
            return -1;
        }
        const int value = high * 16 + low;
        recordSum += static_cast<uint32_t>(value);
        return value;
    }

    static bool IsKnownType(int type) { return type >= recData && type <= recStartLinearAddress; }

    HexFailure ReadRecord() {
        if (cursor.Next() != ':') {
            return HexFailure::MissingColon;
        }
        recordSum = 0;
        const int count = ReadByte();
        const int addressHigh = ReadByte();
        const int addressLow = ReadByte();
        const int type = ReadByte();
        if (count < 0 || addressHigh < 0 || addressLow < 0 || type < 0) {
            return HexFailure::BadDigit;
        }
        if (!IsKnownType(type)) {
            return HexFailure::UnsupportedRecord;
        }
        if (count % 2 != 0) {
            return HexFailure::OddByteCount;
        }
        if (type == recData && addressLow % 2 != 0) {
            return HexFailure::OddAddress;
        }

        std::size_t wordIndex = static_cast<std::size_t>((addressHigh * 256 + addressLow) / 2);
        bool nonZeroPayload = false;
        for (int i = 0; i < count / 2; ++i) {
            if (type == recData && wordIndex >= target.size()) {
                return HexFailure::AddressBeyondMemory;
            }
            const int low = ReadByte();
            const int high = ReadByte();
            if (low < 0 || high < 0) {
                return HexFailure::BadDigit;
            }
            if (type == recData) {
                target[wordIndex++] = low + 256 * high;
                ++wordsRead;
            }
            nonZeroPayload = nonZeroPayload || low != 0 || high != 0;
        }

        if (ReadByte() < 0) {
            return HexFailure::BadDigit;
        }
        cursor.Next(); // exactly one line-end character, whatever it is
        if ((recordSum & 0xFF) != 0) {
            return HexFailure::BadChecksum;
        }
        // Extended addresses would place data beyond program memory.
        const bool extendedAddress =
            type == recExtendedSegmentAddress || type == recExtendedLinearAddress;
        if (extendedAddress && nonZeroPayload) {
            return HexFailure::AddressBeyondMemory;
        }
        endSeen = type == recEndOfFile;
        return HexFailure::None;
    }
};

} // namespace

int HexDigitValue(int c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string DescribeHexFailure(const HexReadResult& result) {
    const auto at = [&result](const char* what) {
        return "строка " + std::to_string(result.line) + ": " + what;
    };
    switch (result.failure) {
    case HexFailure::None:
        return {};
    case HexFailure::CannotOpen:
        return FileErrorText(result.fileError);
    case HexFailure::MissingColon:
        return at("запись не начинается с \":\" (или нет записи конца файла)");
    case HexFailure::BadDigit:
        return at("не шестнадцатеричная цифра, либо файл обрезан");
    case HexFailure::OddByteCount:
        return at("нечётное число байтов в записи");
    case HexFailure::AddressBeyondMemory:
        return at("адрес за пределами памяти программ");
    case HexFailure::BadChecksum:
        return at("неверная контрольная сумма");
    case HexFailure::UnsupportedRecord:
        return at("неизвестный тип записи");
    case HexFailure::OddAddress:
        return at("запись данных начинается с нечётного адреса");
    case HexFailure::NoData:
        break;
    }
    return "в файле нет ни одного слова программы";
}

HexReadResult ReadHexText(std::string_view text, std::span<int32_t> target) {
    return RecordReader(SkipByteOrderMark(text), target).Run();
}

HexReadResult ReadHexRecords(const std::string& path, std::span<int32_t> target) {
    const FileRead file = ReadRegularFile(path, kHexFileLimit);
    if (!file.Ok()) {
        HexReadResult refused{false, 0, HexFailure::CannotOpen, 0};
        refused.fileError = file.error;
        return refused;
    }
    return ReadHexText(file.bytes, target);
}

} // namespace zekt
