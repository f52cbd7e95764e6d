#pragma once

// Two reference configurations and the images they must give, worked out by
// hand from the layout tables (not by the code under test). Data EEPROM: 16
// rows of 16 bytes. Frequency page (program words 0x1F00..0x1FFF): 16 rows
// of 16 words, "--" for the blank word 0x3FFF.

#include "ConfigBuilder.h"
#include "RadioConfig.h"

#include <array>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace reference {

// Reference A: standard 6.1.1, tones, scan flags, 12,5 kHz grid, 144 MHz
// band, tones 2100/1450, read protection, programmed on 05.07.2008.
//   ch0 145,0125/145,0125  TX B544 RX 9A84 (123,6125 MHz)  tone 5, scan
//   ch1 146,5/146,5        TX B720 RX 9C60 (125,1 MHz)     scan
//   ch2 150/150,5          TX BB80 RX A160 (129,1 MHz)     tone 19
inline zekt::RadioConfig ConfigA() {
    zekt::RadioConfig c;
    c.software = 0;
    c.version = zekt::kVersion611;
    c.radioType = 0;
    c.tonePair = 0;
    c.bandMode = 0;
    c.mainBand = 4;
    c.gridStep = 1;
    c.readProtect = true;
    c.channels[0] = {"145,0125", "145,0125", 5, true};
    c.channels[1] = {"146,5", "146,5", -1, true};
    c.channels[2] = {"150", "150,5", 19, false};
    return c;
}
inline const zekt::ProgDate kDateA{5, 7, 2008};

inline const char* const kDataA =
    "9A 84 B5 44 9C 60 B7 20 A1 60 BB 80 FF FF FF FF\n" // 0x00 channel table
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "C1 01 C0 00 00 00 00 00 00 00 00 00 00 00 00 00\n" // 0x40 scan bytes
    "00 05 00 13 00 00 00 00 00 00 00 00 00 00 00 00\n" // 0x50 17th scan, 0x51 tones
    "00 00 10 10 10 10 10 10 10 10 10 10 10 10 10 10\n" // 0x61 17th tone, 0x62 fill
    "10 10 10 FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF 9A 84 B5 44\n"  // 0xEC channel 0 copy
    "F0 01 B4 00 D9 80 99 40 B4 00 F0 BD FD B2 FC 41\n"; // markers, grid, band 4, tones, flags

inline const char* const kPageA = "9A 84 B5 44 9C 60 B7 20 A1 60 BB 80 -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "C1 01 C0 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                                  "00 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "F0 -- B4 00 D9 80 99 40 B4 00 F0 -- -- -- -- 41\n";

// Firmware mark 0x10D1 (code 1, construction 6), year 2008 without the
// unprotected bit, 7 << 10 | 5 << 5, options band 4 << 11 | grid 1 << 2.
inline const std::array<int32_t, 4> kIdA = {0x10D1, 0x07D8, 0x1CA0, 0x2004};
inline const int32_t kConfigWordA = 0x0E42;

// Reference B: user file st613.hex on 4.1.0, memory channels only, tones
// 1450/1000, the operator's band 40 - 48,5 MHz (40 MHz preset index), 25 kHz,
// not protected, programmed on 31.12.2009.
//   ch0 40,5/40,5   TX 32A0 RX 4000 (51,2 MHz)  tone 0
//   ch1 57,2/57,2   TX 4780 RX 54E0 (67,9 MHz, the 4.1.0 rule)
//   ch2 33/(empty)  TX 2940                      scan
//   band: low TX 3200, high TX 3CA0, low RX 3F60 (50,7 MHz)
inline zekt::RadioConfig ConfigB() {
    zekt::RadioConfig c;
    c.software = 1;
    c.version = zekt::kVersion410;
    c.radioType = 1;
    c.tonePair = 1;
    c.bandMode = 1;
    c.mainBand = 2;
    c.gridStep = 0;
    c.readProtect = false;
    c.bandLow = "40";
    c.bandHigh = "48,5";
    c.channels[0] = {"40,5", "40,5", 0, false};
    c.channels[1] = {"57,2", "57,2", -1, false};
    c.channels[2] = {"33", "", -1, true};
    return c;
}
inline const zekt::ProgDate kDateB{31, 12, 2009};
inline const char* const kFirmwareB = "/home/operator/firmware/ST613.HEX";

inline const char* const kDataB =
    "40 00 32 A0 54 E0 47 80 FF FF 29 40 FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "C0 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
    "00 00 10 10 10 10 10 10 10 10 10 10 10 10 10 10\n"
    "10 10 10 FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
    "FF FF FF FF FF FF FF FF FF FF FF 03 40 00 32 A0\n" // 0xEB special code 3
    "F0 FF 32 00 3C A0 3F 60 32 00 F0 B2 FC 2D FB 02\n";

inline const char* const kPageB = "40 00 32 A0 54 E0 47 80 -- -- 29 40 -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "C0 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                                  "00 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                                  "F0 -- 32 00 3C A0 3F 60 32 00 F0 -- -- -- -- 02\n";

// Mark 3 + 0x1010 + 0x80 (construction 4); year 2009 + 0x1000; 12 << 10 |
// 31 << 5; options band 2 << 11 | type 1 << 3 | tones 1 << 9 | software
// 1 << 4 | band mode 1 << 7.
inline const std::array<int32_t, 4> kIdB = {0x1093, 0x17D9, 0x33E0, 0x1298};
inline const int32_t kConfigWordB = 0x3F72;

// A dump as 256 values; "--" reads as 0x3FFF.
inline std::vector<int32_t> ParseDump(const char* dump) {
    std::vector<int32_t> values;
    std::istringstream in(dump);
    std::string token;
    while (in >> token) {
        values.push_back(token == "--" ? 0x3FFF : std::stoi(token, nullptr, 16));
    }
    return values;
}

} // namespace reference
