#include "ReadBack.h"

#include "Firmware.h"
#include "FrequencyCodec.h"
#include "PanelTexts.h"
#include "RadioLayout.h"

#include <array>
#include <cstdio>

namespace zekt {

namespace {

constexpr std::array<const char*, 2> kRadioTypeTexts = {"полный вариант", "только каналы памяти"};

constexpr std::array<const char*, 8> kConstructionTexts = {
    "PIC16F84 и PMB2306",   "PIC16F628 и PMB2306",
    "PIC16F628 и PMB2341",  "PIC16F628 и LMX2306",
    "PIC16F877 и LMX2306",  "некорректное чтение индивидуальной метки",
    "PIC16F877 и MC145170", "некорректное чтение индивидуальной метки"};
constexpr int kLastMismatchConstruction = 3;
constexpr const char* kNoSpecialMarks = "нет";

constexpr const char* kSummaryOtherFirmware =
    "  Прочитанная конфигурация радиостанции:\n\n  Тип радиостанции : %s\n  Дата последнего "
    "программирования : %02d.%02d.%04d г.\n  Код программы в реестре : НЕ ОТМЕЧЕН\n  "
    "Специальные отметки : НЕСТАНДАРТНОЕ ПО!\n  Остальная информация расположена на панелях.";
constexpr const char* kSummary =
    "  Прочитанная конфигурация радиостанции:\n\n  Тип радиостанции : %s\n  Дата последнего "
    "программирования : %02d.%02d.%04d г.\n  Конструктивный вариант ПО : %s\n  Код программы в "
    "реестре : %04d\n  Специальные отметки : %s\n  Остальная информация расположена на панелях.";

int Bit(int value, int mask) {
    return (value & mask) != 0 ? 1 : 0;
}

int Mark(const Project& image) {
    return image.IdWords()[layout::kIdFirmwareMark];
}
int ConstructionCode(int mark) {
    return (mark >> layout::kMarkConstructionShift) & layout::kMarkConstructionMask;
}
int ProgramCode(int mark) {
    return mark & layout::kMarkProgramCodeMask;
}

bool FlagsPresent(const Project& image) {
    return image.ProgramMemory()[layout::kPageTypeFlags] != kBlankWord;
}

void DecodeOptions(const Project& image, RadioConfig& c) {
    const int options = image.IdWords()[layout::kIdOptions];
    c.software = Bit(options, layout::kOptSoftwareMask);
    const int typeFlags = FlagsPresent(image) ? image.ProgramMemory()[layout::kPageTypeFlags]
                                              : image.DataMemory()[layout::kTypeFlags];
    c.radioType = (typeFlags & layout::kTypeFullRadio) != 0 ? 0 : 1;
    c.tonePair = Bit(options, layout::kOptTonePairMask);
    c.bandMode = Bit(options, layout::kOptBandModeMask);
    c.mainBand = (options & layout::kOptMainBandMask) >> layout::kOptMainBandShift;
    c.gridStep = Bit(options, layout::kOptGridMask);
    if (c.bandMode == 1) {
        const auto& data = image.DataMemory();
        c.bandLow = WordToText(data[layout::kBandBlock + layout::kBandLowTx],
                               data[layout::kBandBlock + layout::kBandLowTx + 1], true);
        c.bandHigh = WordToText(data[layout::kBandBlock + layout::kBandHighTx],
                                data[layout::kBandBlock + layout::kBandHighTx + 1], true);
    }
}

// The version whose rule decodes the channels; other constructions keep the
// operator's choice.
int DecodingVersion(int mark, int current) {
    switch (ConstructionCode(mark)) {
    case layout::kConstruction410:
        return kVersion410;
    case layout::kConstruction6xx:
        return (mark & 1) != 0 ? kVersion611 : kVersion610;
    default:
        return current;
    }
}

// The four bytes of channel n: RX high, RX low, TX high, TX low.
std::array<int, 4> ChannelBytes(const Project& image, int n) {
    const int pageFirst = image.ProgramMemory()[layout::kPageChannelTable];
    if (pageFirst != 0 && pageFirst != kBlankWord) {
        const int w = layout::kPageChannelTable + layout::kChannelBytes * n;
        const auto& p = image.ProgramMemory();
        return {p[w], p[w + 1], p[w + 2], p[w + 3]};
    }
    const auto& d = image.DataMemory();
    int b = layout::kChannelTable + layout::kChannelBytes * n;
    const int copy = layout::kChannel0Copy;
    if (n == 0 && !(d[copy + layout::kTxHigh] == 0xFF && d[copy + layout::kTxLow] == 0xFF)) {
        b = copy;
    }
    return {d[b], d[b + 1], d[b + 2], d[b + 3]};
}

void DecodeChannels(const Project& image, ReadBackPanels& out) {
    RadioConfig& c = out.config;
    out.firstEmpty = 0;
    for (int n = 0; n < kChannelCount; ++n) {
        const auto [rxHigh, rxLow, txHigh, txLow] = ChannelBytes(image, n);
        ChannelConfig& channel = c.channels[static_cast<std::size_t>(n)];
        if (c.version == kVersion410) {
            channel.rx = WordToText(rxHigh, rxLow, false);
            channel.tx = WordToText(txHigh, txLow, true);
        } else {
            const ChannelTexts texts = ChannelToText(txHigh, txLow, rxHigh, rxLow);
            channel.tx = texts.tx;
            channel.rx = texts.rx;
        }
        out.channelEmpty[static_cast<std::size_t>(n)] = channel.tx.empty();
        if (channel.tx.empty() && out.firstEmpty == 0) {
            out.firstEmpty = n + 1;
        }
    }
    if (out.firstEmpty == 0) {
        out.firstEmpty = kChannelCount + 1;
    }
}

void DecodeScanAndTones(const Project& image, ReadBackPanels& out) {
    const auto& data = image.DataMemory();
    const bool flags = FlagsPresent(image);
    for (int n = 0; n < kChannelCount; ++n) {
        ChannelConfig& channel = out.config.channels[static_cast<std::size_t>(n)];
        std::string& toneText = out.toneTexts[static_cast<std::size_t>(n)];
        channel.scan = false;
        channel.ctcss = -1;
        toneText.clear();
        if (!out.BoxesEnabled(n)) {
            continue;
        }
        const int scanSource = flags ? image.ProgramMemory()[layout::kPageScanBytes + n]
                                     : data[layout::kScanBytes + n];
        channel.scan = (scanSource & layout::kScanFlagBit) != 0;
        if ((data[layout::kScanBytes + n] & layout::kScanToneBit) != 0) {
            const int code = data[layout::kToneCodes + n] & layout::kToneCodeMask;
            // Codes beyond the table have no text; the lists hold only the first 20.
            if (code < kCtcssToneCount) {
                toneText = kCtcssToneTexts[static_cast<std::size_t>(code)];
            }
            channel.ctcss = code < kCtcssListedTones ? code : -1;
        }
    }
}

int FinalVersion(int mark, int decodingVersion) {
    int version = decodingVersion;
    const int construction = ConstructionCode(mark);
    if (construction == layout::kConstruction410) {
        version = kVersion410;
    } else if (construction == layout::kConstruction6xx) {
        version = kVersion610;
    }
    const int code = ProgramCode(mark);
    if (code == layout::kProgramStandard611 || code == 7 || code == 8) {
        version = kVersion611;
    }
    return version;
}

std::string Summary(const Project& image, int radioType) {
    const auto& id = image.IdWords();
    const int mark = Mark(image);
    const int day = (id[layout::kIdDate] >> layout::kDateDayShift) & layout::kDateDayMask;
    const int month = (id[layout::kIdDate] >> layout::kDateMonthShift) & layout::kDateMonthMask;
    const int year = id[layout::kIdYear] & layout::kYearMask;
    char text[1024];
    if (ProgramCode(mark) == layout::kProgramOtherFile) {
        std::snprintf(text, sizeof text, kSummaryOtherFirmware, RadioTypeText(radioType).c_str(),
                      day, month, year);
    } else {
        std::snprintf(text, sizeof text, kSummary, RadioTypeText(radioType).c_str(), day, month,
                      year, ConstructionText(ConstructionCode(mark)).c_str(), ProgramCode(mark),
                      SpecialMarksText(ProgramCode(mark)).c_str());
    }
    return text;
}

} // namespace

std::string ReadBackPanels::ScanText(int channel) const {
    return YesNo(BoxesEnabled(channel) && config.channels[static_cast<std::size_t>(channel)].scan);
}

bool RadioBlank(const Project& image) {
    return Mark(image) == kBlankWord;
}

bool ProgrammedByOldUnit(const Project& image) {
    return (Mark(image) & layout::kMarkCurrentProgrammerBit) == 0;
}

bool OldFirmware(const Project& image) {
    return image.ProgramMemory()[layout::kPageBandBlock] == kBlankWord || !FlagsPresent(image);
}

std::string RadioTypeText(int radioType) {
    return radioType == 0 || radioType == 1 ? kRadioTypeTexts[static_cast<std::size_t>(radioType)]
                                            : "";
}

std::string ConstructionText(int constructionCode) {
    return kConstructionTexts[static_cast<std::size_t>(constructionCode &
                                                       layout::kMarkConstructionMask)];
}

std::string SpecialMarksText(int programCode) {
    for (const SpecialFirmware& special : kSpecialFirmware) {
        if (special.programCode == programCode) {
            return special.description;
        }
    }
    return kNoSpecialMarks;
}

ReadBackPanels DecodeReadBack(const Project& image, const RadioConfig& panels) {
    ReadBackPanels out;
    out.config = panels;
    RadioConfig& c = out.config;
    const int mark = Mark(image);

    DecodeOptions(image, c);
    c.version = DecodingVersion(mark, c.version);
    out.decodingVersion = c.version;
    out.readProtected = (image.IdWords()[layout::kIdYear] & layout::kYearNotProtectedBit) == 0;
    c.readProtect = out.readProtected;
    DecodeChannels(image, out);
    DecodeScanAndTones(image, out);

    c.version = FinalVersion(mark, c.version);
    out.finalVersion = c.version;
    out.constructionMismatch = ConstructionCode(mark) <= kLastMismatchConstruction;
    if (out.constructionMismatch) {
        c.version = kNoVersion;
    }
    out.summary = Summary(image, c.radioType);
    return out;
}

} // namespace zekt
