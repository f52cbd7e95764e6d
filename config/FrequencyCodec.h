#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace zekt {

// Synthesizer words count steps of 3,125 kHz (1/320 MHz).
inline constexpr int32_t kInvalidWord = 0xFFFF;
inline constexpr int kIfOffset10_7 = 3424; // 10,7 MHz in words
inline constexpr int kIfOffset21_4 = 6848; // 21,4 MHz in words
inline constexpr int kWord100MHz = 32000;
inline constexpr int kWord57MHz = 18240;
inline constexpr uint8_t kEmptyHighByte = 0xFF;
// A word with the empty high byte would read as an empty channel.
inline constexpr int32_t kFirstEmptyWord = kEmptyHighByte << 8;

// The word for a frequency: transmit words hold the frequency, receive words
// the local oscillator. 0xFFFF for 10 MHz and below, and for frequencies whose
// word would have the empty high byte 0xFF (from 0xFF00 on).
int32_t FrequencyToWord(float mhz, bool transmit, int version);

// Decoder of firmware 4.1.0: one word, its direction given. Empty text when
// the high byte is 0xFF.
std::string WordToText(int high, int low, bool transmit);

// Decoder of firmware 6.1.x: the receive offset follows from the transmit
// word. Both texts are empty when the TX high byte is 0xFF.
struct ChannelTexts {
    std::string tx;
    std::string rx;
};
ChannelTexts ChannelToText(int txHigh, int txLow, int rxHigh, int rxLow);

// A frequency in MHz as the panels show it: decimal comma, shortest text of
// at most 15 significant digits.
std::string FrequencyText(double mhz);

// A typed frequency; a comma or a dot separates the decimals.
std::optional<float> ParseFrequency(const std::string& text);
// The conversion error for a text that is not a number, naming the field:
// "Канал 3, передача: «14a5.5» — не число. Введите частоту в МГц, например 145,0125."
std::string ConversionErrorText(const std::string& fieldName, const std::string& text);

// The 38 CTCSS tones; the tone boxes list the first 20.
inline constexpr int kCtcssToneCount = 38;
inline constexpr int kCtcssListedTones = 20;
extern const std::array<const char*, kCtcssToneCount> kCtcssToneTexts;

} // namespace zekt
