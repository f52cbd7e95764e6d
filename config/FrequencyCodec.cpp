#include "FrequencyCodec.h"

#include "RadioConfig.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace zekt {

namespace {

constexpr float kLowestFrequency = 10.0f;
constexpr float k100MHz = 100.0f;
constexpr float k57MHz = 57.0f;
constexpr double kIf10_7 = 10.7;
constexpr double kIf21_4 = 21.4;
constexpr float kWordsPerMHz = 320.0f;
constexpr long double kMHzPerWord = 0.003125L;

std::string WordFrequencyText(long word) {
    // The product is formed in extended precision and kept as a double.
    return FrequencyText(static_cast<double>(static_cast<long double>(word) * kMHzPerWord));
}

} // namespace

const std::array<const char*, kCtcssToneCount> kCtcssToneTexts = {
    "67",    "71,9",  "74,4",  "77",    "79,7",  "82,5",  "85,4",  "88,5",  "91,5",  "94,8",
    "97,4",  "100",   "103,5", "107,2", "110,9", "114,8", "118,8", "123",   "127,3", "131,8",
    "136,5", "141,3", "146,2", "151,4", "156,7", "162,2", "167,9", "173,8", "179,9", "186,2",
    "192,8", "203,5", "210,7", "218,1", "225,7", "233,6", "241,8", "250,3"};

int32_t FrequencyToWord(float mhz, bool transmit, int version) {
    if (!(mhz > kLowestFrequency)) {
        return kInvalidWord;
    }
    float x = mhz;
    if (!transmit) {
        if (mhz > k100MHz) {
            x = static_cast<float>(static_cast<double>(mhz) - kIf21_4);
        } else if (IsVersion6(version) && mhz >= k57MHz) {
            x = static_cast<float>(static_cast<double>(mhz) - kIf10_7);
        } else {
            x = static_cast<float>(static_cast<double>(mhz) + kIf10_7);
        }
    }
    const float y = x * kWordsPerMHz;
    const double up = std::ceil(static_cast<double>(y));
    const double down = std::floor(static_cast<double>(y));
    // Nearest step; exactly halfway goes up.
    const double word = (y - down) >= (up - y) ? up : down;
    // A high byte 0xFF marks an empty place, and a word that does not fit
    // would be stored truncated: refuse both.
    return word >= kFirstEmptyWord ? kInvalidWord : static_cast<int32_t>(word);
}

std::string WordToText(int high, int low, bool transmit) {
    high &= 0xFF;
    low &= 0xFF;
    if (high == kEmptyHighByte) {
        return {};
    }
    long w = high * 256L + low;
    if (!transmit) {
        w = w > kWord100MHz ? w + kIfOffset21_4 : w - kIfOffset10_7;
    }
    return WordFrequencyText(w);
}

ChannelTexts ChannelToText(int txHigh, int txLow, int rxHigh, int rxLow) {
    txHigh &= 0xFF;
    if (txHigh == kEmptyHighByte) {
        return {};
    }
    const long t = txHigh * 256L + (txLow & 0xFF);
    if ((rxHigh & 0xFF) == kEmptyHighByte) {
        // A channel programmed with no receive frequency: shown empty, not
        // as the empty word plus the offset.
        return {WordFrequencyText(t), {}};
    }
    long r = (rxHigh & 0xFF) * 256L + (rxLow & 0xFF);
    if (t > kWord100MHz) {
        r += kIfOffset21_4;
    } else if (t < kWord57MHz) {
        r -= kIfOffset10_7;
    } else {
        r += kIfOffset10_7;
    }
    return {WordFrequencyText(t), WordFrequencyText(r)};
}

std::string FrequencyText(double mhz) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", mhz);
    std::string text = buffer;
    for (char& c : text) {
        if (c == '.') {
            c = ',';
        }
    }
    return text;
}

std::optional<float> ParseFrequency(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    std::size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    std::string number = text.substr(first, last - first + 1);
    if (number.find(',') != std::string::npos && number.find('.') != std::string::npos) {
        return std::nullopt;
    }
    for (char& c : number) {
        if (c == ',') {
            c = '.';
        }
    }
    std::size_t start = 0;
    bool negative = false;
    if (number[0] == '+' || number[0] == '-') {
        negative = number[0] == '-';
        start = 1;
    }
    // from_chars takes no sign of its own here, nor hexadecimal or words.
    if (start >= number.size() ||
        !(std::isdigit(static_cast<unsigned char>(number[start])) || number[start] == '.')) {
        return std::nullopt;
    }
    double value = 0;
    const char* begin = number.data() + start;
    const char* end = number.data() + number.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    // A value beyond the single-precision range cannot be held as typed.
    if (ec != std::errc() || ptr != end || !std::isfinite(value) ||
        value > std::numeric_limits<float>::max()) {
        return std::nullopt;
    }
    return static_cast<float>(negative ? -value : value);
}

std::string ConversionErrorText(const std::string& fieldName, const std::string& text) {
    return fieldName + ": «" + text + "» — не число. Введите частоту в МГц, например 145,0125.";
}

} // namespace zekt
