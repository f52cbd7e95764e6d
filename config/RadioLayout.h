#pragma once

#include <array>
#include <cstdint>

// Where the radio's firmware finds its configuration in the chip: data
// EEPROM addresses, frequency-page program words, ID-word fields and the
// configuration word.
namespace zekt::layout {

// Data EEPROM. Channel n uses 4 bytes from kChannelTable + 4n: RX high, RX
// low, TX high, TX low.
inline constexpr int kChannelTable = 0x00;
inline constexpr int kChannelBytes = 4;
inline constexpr int kRxHigh = 0, kRxLow = 1, kTxHigh = 2, kTxLow = 3;
// Arrays of 17 entries; only the first 16 belong to channels.
inline constexpr int kArrayEntries = 17;
inline constexpr int kScanBytes = 0x40;
inline constexpr int kToneCodes = 0x51;
inline constexpr int kFillBlock = 0x62;
inline constexpr uint8_t kFillValue = 0x10;
inline constexpr int kSpecialFirmwareCode = 0xEB;
inline constexpr int kChannel0Copy = 0xEC; // RX high, RX low, TX high, TX low
inline constexpr int kMarker1 = 0xF0;
inline constexpr int kGridFlag = 0xF1;
inline constexpr int kBandBlock = 0xF2; // 8 bytes, see BandBlock
inline constexpr int kMarker2 = 0xFA;
inline constexpr int kToneCall = 0xFB; // 4 bytes: tone 1, tone 2
inline constexpr int kTypeFlags = 0xFF;

inline constexpr uint8_t kMarkerValue = 0xF0;
inline constexpr uint8_t kGridFlag12_5 = 0x01;

// Scan byte bits.
inline constexpr uint8_t kScanToneBits = 0xC0;
inline constexpr uint8_t kScanToneBit = 0x80; // what the reader looks at
inline constexpr uint8_t kScanFlagBit = 0x01;
inline constexpr uint8_t kToneCodeMask = 0x3F;

// Band limit block offsets from kBandBlock (and kPageBandBlock).
inline constexpr int kBandLowTx = 0;
inline constexpr int kBandHighTx = 2;
inline constexpr int kBandLowRx = 4;
inline constexpr int kBandLowTxCopy = 6;
inline constexpr int kBandBlockBytes = 8;

// Frequency page: program words 0x1F00..0x1FFF, a partial copy of the data
// EEPROM at the same low address.
inline constexpr int kPageBase = 0x1F00;
inline constexpr int kPageChannelTable = kPageBase + kChannelTable;
inline constexpr int kPageScanBytes = kPageBase + kScanBytes;
inline constexpr int kPageMarker1 = kPageBase + kMarker1;
inline constexpr int kPageBandBlock = kPageBase + kBandBlock;
inline constexpr int kPageMarker2 = kPageBase + kMarker2;
inline constexpr int kPageTypeFlags = kPageBase + kTypeFlags;

// Type flags bits.
inline constexpr int kTypeFullRadio = 0x01; // radioType 0
inline constexpr int kTypeBand40 = 0x02;    // mainBand 2
inline constexpr int kTypeTones2100 = 0x40; // tonePair 0

// Tone-call block by tonePair: tone 1 then tone 2, two bytes each.
inline constexpr std::array<std::array<uint8_t, 4>, 2> kToneCallBytes = {{
    {0xBD, 0xFD, 0xB2, 0xFC}, // 2100 Hz, 1450 Hz
    {0xB2, 0xFC, 0x2D, 0xFB}, // 1450 Hz, 1000 Hz
}};

// Preset band limit blocks by mainBand, in the order 0xF2..0xF9.
inline constexpr int kBandPresetCount = 5;
inline constexpr std::array<std::array<uint8_t, kBandBlockBytes>, kBandPresetCount> kBandPresets = {
    {
        {0x29, 0x40, 0x32, 0x00, 0x36, 0xA0, 0x29, 0x40}, // 33 - 40 MHz
        {0x2D, 0x00, 0x37, 0x00, 0x3A, 0x60, 0x2D, 0x00}, // 36 - 44 MHz
        {0x32, 0x08, 0x3C, 0xA0, 0x3F, 0x68, 0x32, 0x08}, // 40 - 48,5 MHz
        {0x47, 0x40, 0x47, 0xE0, 0x54, 0xA0, 0x47, 0x40}, // 57 - 57,5 MHz
        {0xB4, 0x00, 0xD9, 0x80, 0x99, 0x40, 0xB4, 0x00}, // 144 - 174 MHz
    }};
inline constexpr int kMainBand40 = 2;

// ID words.
inline constexpr int kIdFirmwareMark = 0;
inline constexpr int kIdYear = 1;
inline constexpr int kIdDate = 2;
inline constexpr int kIdOptions = 3;

// Firmware mark: program code bits 0-3, construction code bits 5-7.
inline constexpr int kMarkProgramCodeMask = 0x0F;
inline constexpr int kMarkFixedBits = 0x1000 + 0x10;
inline constexpr int kMarkCurrentProgrammerBit = 0x1000;
inline constexpr int kMarkConstructionShift = 5;
inline constexpr int kMarkConstructionMask = 0x07;
inline constexpr int kMarkConstruction410 = 0x80; // construction code 4
inline constexpr int kMarkConstruction6xx = 0xC0; // construction code 6
inline constexpr int kConstruction410 = 4;
inline constexpr int kConstruction6xx = 6;
inline constexpr int kBlankIdWord = 0x3FFF;

// Year word: year bits 0-11, bit 12 set when not read-protected.
inline constexpr int kYearMask = 0xFFF;
inline constexpr int kYearNotProtectedBit = 0x1000;
// Date word: day bits 5-9, month bits 10-13.
inline constexpr int kDateDayShift = 5, kDateDayMask = 0x1F;
inline constexpr int kDateMonthShift = 10, kDateMonthMask = 0xF;

// Option word bit fields.
inline constexpr int kOptGridShift = 2, kOptGridMask = 0x04;
inline constexpr int kOptTypeShift = 3, kOptTypeMask = 0x08;
inline constexpr int kOptSoftwareShift = 4, kOptSoftwareMask = 0x10;
inline constexpr int kOptBandModeShift = 7, kOptBandModeMask = 0x80;
inline constexpr int kOptTonePairShift = 9, kOptTonePairMask = 0x200;
inline constexpr int kOptMainBandShift = 11, kOptMainBandMask = 0x3800;

// Program codes in the firmware mark.
inline constexpr int kProgramStandard = 0;    // 4.1.0 and 6.1.0
inline constexpr int kProgramStandard611 = 1; // 6.1.1
inline constexpr int kProgramOtherFile = 15;

// Configuration word.
inline constexpr int32_t kConfigWordOpen = 0x3F72;
inline constexpr int32_t kConfigWordProtected = 0x0E42;

} // namespace zekt::layout
