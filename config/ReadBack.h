#pragma once

#include "Project.h"
#include "RadioConfig.h"

#include <array>
#include <string>

namespace zekt {

// Checks on an image read out of a radio, before it is decoded.
bool RadioBlank(const Project& image);          // firmware mark 0x3FFF: never programmed or absent
bool ProgrammedByOldUnit(const Project& image); // firmware mark without bit 12
bool OldFirmware(const Project& image);         // frequency page or type flags missing

// The panels as a read-back leaves them.
struct ReadBackPanels {
    RadioConfig config; // with the final version
    // 1-based number of the first channel whose TX text is empty; 17 when none is.
    int firstEmpty = 17;
    std::array<bool, kChannelCount> channelEmpty{}; // its edits are greyed and disabled
    // Scan and tone boxes from channel firstEmpty - 1 on are cleared and disabled.
    std::array<std::string, kChannelCount> toneTexts; // the text each tone box shows
    int decodingVersion = kNoVersion;                 // the version whose rule decoded the channels
    int finalVersion = kNoVersion;     // the version shown before a mismatch clears it
    bool readProtected = false;        // show the read-protection warning
    bool constructionMismatch = false; // show the mismatch message; the version is cleared
    std::string summary;

    bool BoxesEnabled(int channel) const { return channel < firstEmpty - 1; }
    // The scanner box of a channel as a table shows it: "да" or "нет"
    // (always "нет" where the boxes are off).
    std::string ScanText(int channel) const;
};

// Decodes the configuration places of an image read from a radio, starting
// from what the panels showed.
ReadBackPanels DecodeReadBack(const Project& image, const RadioConfig& panels);

std::string RadioTypeText(int radioType);
std::string ConstructionText(int constructionCode);
std::string SpecialMarksText(int programCode);

} // namespace zekt
