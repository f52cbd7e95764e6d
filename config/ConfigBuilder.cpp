#include "ConfigBuilder.h"

#include "ChannelBand.h"
#include "ConfigMessages.h"
#include "Firmware.h"
#include "FrequencyCodec.h"
#include "PanelTexts.h"
#include "RadioLayout.h"

#include <tuple>
#include <utility>

namespace zekt {

namespace {

using Kind = FrequencyField::Kind;

// Stores a synthesizer word high byte first at the given places.
void StoreWord(Project& image, std::initializer_list<int> pageWords,
               std::initializer_list<int> dataBytes, int32_t word) {
    const int32_t high = (word >> 8) & 0xFF;
    const int32_t low = word & 0xFF;
    for (const int w : pageWords) {
        image.ProgramMemory()[w] = high;
        image.ProgramMemory()[w + 1] = low;
    }
    for (const int b : dataBytes) {
        image.DataMemory()[b] = high;
        image.DataMemory()[b + 1] = low;
    }
}

struct Conversion {
    bool ok = false;
    int32_t word = kInvalidWord;
    std::string error;
};

Conversion Convert(const std::string& text, const FrequencyField& field, bool transmit,
                   int version) {
    const std::optional<float> mhz = ParseFrequency(text);
    if (!mhz) {
        return {false, kInvalidWord, ConversionErrorText(FrequencyFieldName(field), text)};
    }
    return {true, FrequencyToWord(*mhz, transmit, version), {}};
}

// One channel field: empty fields are skipped; the word is stored even when
// it is the invalid one, as the radio would then see an empty place.
bool BuildChannelField(const RadioConfig& config, Project& image, int n, bool transmit,
                       DataBuildResult& result) {
    const ChannelConfig& channel = config.channels[static_cast<std::size_t>(n)];
    const std::string& text = transmit ? channel.tx : channel.rx;
    const FrequencyField field{transmit ? Kind::ChannelTx : Kind::ChannelRx, n};
    if (text.empty()) {
        return true;
    }
    const Conversion c = Convert(text, field, transmit, config.version);
    if (!c.ok) {
        result = {DataBuildResult::Outcome::NotANumber, field, c.error, result.storedFields};
        return false;
    }
    const int place = transmit ? layout::kTxHigh : layout::kRxHigh;
    const int offset = layout::kChannelBytes * n + place;
    const int copy = layout::kChannel0Copy + place;
    if (n == 0) {
        StoreWord(image, {layout::kPageChannelTable + offset},
                  {copy, layout::kChannelTable + offset}, c.word);
    } else {
        StoreWord(image, {layout::kPageChannelTable + offset}, {layout::kChannelTable + offset},
                  c.word);
    }
    if (c.word == kInvalidWord) {
        result.outcome = DataBuildResult::Outcome::InvalidFrequency;
        result.field = field;
        return false;
    }
    result.storedFields.push_back(field);
    return true;
}

void WriteFixedBlocks(const RadioConfig& config, Project& image) {
    auto& data = image.DataMemory();
    auto& page = image.ProgramMemory();
    if (config.gridStep == 1) {
        data[layout::kGridFlag] = layout::kGridFlag12_5;
    }
    page[layout::kPageMarker1] = data[layout::kMarker1] = layout::kMarkerValue;
    page[layout::kPageMarker2] = data[layout::kMarker2] = layout::kMarkerValue;
    for (int i = 0; i < layout::kArrayEntries; ++i) {
        data[layout::kScanBytes + i] = 0;
        page[layout::kPageScanBytes + i] = 0;
        data[layout::kToneCodes + i] = 0;
        data[layout::kFillBlock + i] = layout::kFillValue;
    }
    for (int n = 0; n < kChannelCount; ++n) {
        const ChannelConfig& channel = config.channels[static_cast<std::size_t>(n)];
        if (channel.ctcss != -1) {
            data[layout::kToneCodes + n] = channel.ctcss;
            data[layout::kScanBytes + n] += layout::kScanToneBits;
            page[layout::kPageScanBytes + n] += layout::kScanToneBits;
        }
        if (channel.scan) {
            data[layout::kScanBytes + n] += layout::kScanFlagBit;
            page[layout::kPageScanBytes + n] += layout::kScanFlagBit;
        }
    }
}

bool WriteBandBlock(const RadioConfig& config, Project& image, DataBuildResult& result) {
    auto& data = image.DataMemory();
    auto& page = image.ProgramMemory();
    if (config.bandMode == 1) {
        const FrequencyField low{Kind::BandLow, 0};
        const FrequencyField high{Kind::BandHigh, 0};
        const Conversion lowRx = Convert(config.bandLow, low, false, config.version);
        const Conversion lowTx = Convert(config.bandLow, low, true, config.version);
        const Conversion highTx = Convert(config.bandHigh, high, true, config.version);
        const int block = layout::kBandBlock;
        const int pageBlock = layout::kPageBandBlock;
        if (!lowRx.ok) {
            result = {DataBuildResult::Outcome::NotANumber,
                      {Kind::BandLow, 0},
                      lowRx.error,
                      result.storedFields};
            return false;
        }
        StoreWord(image, {pageBlock + layout::kBandLowRx}, {block + layout::kBandLowRx},
                  lowRx.word);
        StoreWord(image, {pageBlock + layout::kBandLowTxCopy, pageBlock + layout::kBandLowTx},
                  {block + layout::kBandLowTxCopy, block + layout::kBandLowTx}, lowTx.word);
        if (!highTx.ok) {
            result = {DataBuildResult::Outcome::NotANumber,
                      {Kind::BandHigh, 0},
                      highTx.error,
                      result.storedFields};
            return false;
        }
        StoreWord(image, {pageBlock + layout::kBandHighTx}, {block + layout::kBandHighTx},
                  highTx.word);
        return true;
    }
    if (config.bandMode == 0 && config.mainBand >= 0 &&
        config.mainBand < layout::kBandPresetCount) {
        const auto& preset = layout::kBandPresets[static_cast<std::size_t>(config.mainBand)];
        for (int i = 0; i < layout::kBandBlockBytes; ++i) {
            data[layout::kBandBlock + i] = preset[static_cast<std::size_t>(i)];
            page[layout::kPageBandBlock + i] = preset[static_cast<std::size_t>(i)];
        }
    }
    return true;
}

} // namespace

DataBuildResult BuildConfigurationData(const RadioConfig& config, Project& image) {
    DataBuildResult result;
    const auto& toneCall = layout::kToneCallBytes[config.tonePair == 1 ? 1 : 0];
    for (int i = 0; i < 4; ++i) {
        image.DataMemory()[layout::kToneCall + i] = toneCall[static_cast<std::size_t>(i)];
    }
    for (int n = 0; n < kChannelCount; ++n) {
        if (!BuildChannelField(config, image, n, true, result) ||
            !BuildChannelField(config, image, n, false, result)) {
            return result;
        }
    }
    WriteFixedBlocks(config, image);
    WriteBandBlock(config, image, result);
    return result;
}

namespace {

int FindBlankTone(const Project& image) {
    for (int n = 0; n < kChannelCount; ++n) {
        if ((image.DataMemory()[layout::kToneCodes + n] & layout::kToneCodeMask) ==
            layout::kToneCodeMask) {
            return n;
        }
    }
    return -1;
}

int TypeFlags(const RadioConfig& config) {
    int flags = 0;
    if (config.radioType == 0) {
        flags += layout::kTypeFullRadio;
    }
    if (config.tonePair == 0) {
        flags += layout::kTypeTones2100;
    }
    if (config.mainBand == layout::kMainBand40) {
        flags += layout::kTypeBand40;
    }
    return flags;
}

int FirmwareMark(const RadioConfig& config, int programCode) {
    int mark = programCode + layout::kMarkFixedBits;
    if (config.version == kVersion410) {
        mark += layout::kMarkConstruction410;
    } else if (IsVersion6(config.version)) {
        mark += layout::kMarkConstruction6xx;
    }
    if (config.version == kVersion611 && (mark & layout::kMarkProgramCodeMask) == 0) {
        mark += layout::kProgramStandard611;
    }
    return mark;
}

int OptionWord(const RadioConfig& c) {
    return ((c.mainBand << layout::kOptMainBandShift) & layout::kOptMainBandMask) +
           ((c.radioType << layout::kOptTypeShift) & layout::kOptTypeMask) +
           ((c.tonePair << layout::kOptTonePairShift) & layout::kOptTonePairMask) +
           ((c.software << layout::kOptSoftwareShift) & layout::kOptSoftwareMask) +
           ((c.bandMode << layout::kOptBandModeShift) & layout::kOptBandModeMask) +
           ((c.gridStep << layout::kOptGridShift) & layout::kOptGridMask);
}

} // namespace

IdentificationResult BuildIdentification(const RadioConfig& config, Project& image,
                                         const ProgDate& date,
                                         const std::string& previousFirmwareFile,
                                         BuildQuestions& questions) {
    IdentificationResult result;
    result.firmwareFile = previousFirmwareFile;
    const int blankTone = FindBlankTone(image);
    if (blankTone >= 0) {
        result.outcome = IdentificationResult::Outcome::BadTone;
        result.toneChannel = blankTone;
        return result;
    }

    if (config.software == 0) {
        if (config.version >= 0 &&
            config.version < static_cast<int>(kStandardFirmwareFiles.size())) {
            result.firmwareFile = kStandardFirmwareFiles[static_cast<std::size_t>(config.version)];
        }
    } else {
        const std::optional<std::string> chosen = questions.ChooseFirmwareFile();
        if (!chosen) {
            result.outcome = IdentificationResult::Outcome::FirmwareCancelled;
            return result;
        }
        result.firmwareFile = *chosen;
    }

    auto& data = image.DataMemory();
    const int flags = TypeFlags(config);
    if (config.gridStep == 1) {
        data[layout::kGridFlag] = layout::kGridFlag12_5;
    }
    image.ProgramMemory()[layout::kPageTypeFlags] = flags;
    data[layout::kTypeFlags] = flags;

    auto& id = image.IdWords();
    id.fill(0);
    int programCode = layout::kProgramStandard;
    if (config.software == 1) {
        programCode = UserFirmwareProgramCode(result.firmwareFile);
        if (programCode != layout::kProgramOtherFile) {
            data[layout::kSpecialFirmwareCode] = programCode;
        }
    }
    id[layout::kIdFirmwareMark] = FirmwareMark(config, programCode);
    id[layout::kIdYear] = date.year & layout::kYearMask;
    id[layout::kIdDate] = ((date.month & layout::kDateMonthMask) << layout::kDateMonthShift) +
                          ((date.day & layout::kDateDayMask) << layout::kDateDayShift);
    id[layout::kIdOptions] = OptionWord(config);

    if (config.readProtect) {
        if (!questions.ConfirmReadProtection()) {
            result.outcome = IdentificationResult::Outcome::ProtectionDeclined;
            return result;
        }
        image.SetConfigWord(layout::kConfigWordProtected);
    } else {
        id[layout::kIdYear] += layout::kYearNotProtectedBit;
        image.SetConfigWord(layout::kConfigWordOpen);
    }
    return result;
}

namespace {

LimitCheck Refuse(const char* message) {
    return {LimitCheck::Outcome::Refused, message, msg::kBadLimitCaption, false};
}

std::optional<LimitCheck> EmptyOrNotANumber(const std::string& text, const char* emptyMessage,
                                            const char* name, float& value) {
    if (text.empty()) {
        return LimitCheck{LimitCheck::Outcome::Refused, emptyMessage, msg::kNoLimitCaption, true};
    }
    const std::optional<float> mhz = ParseFrequency(text);
    if (!mhz) {
        return LimitCheck{
            LimitCheck::Outcome::NotANumber, ConversionErrorText(name, text), {}, false};
    }
    value = *mhz;
    return std::nullopt;
}

} // namespace

std::string FrequencyFieldName(const FrequencyField& field) {
    switch (field.kind) {
    case Kind::ChannelTx:
        return ChannelFieldName(field.channel, true);
    case Kind::ChannelRx:
        return ChannelFieldName(field.channel, false);
    case Kind::BandLow:
        return msg::kLowerLimitName;
    case Kind::BandHigh:
        break;
    }
    return msg::kUpperLimitName;
}

namespace {

FieldProblem Problem(const FrequencyField& field, std::string message) {
    return {field, std::move(message)};
}

std::optional<FieldProblem> NotANumber(const FrequencyField& field, const std::string& text) {
    if (ParseFrequency(text)) {
        return std::nullopt;
    }
    return Problem(field, ConversionErrorText(FrequencyFieldName(field), text));
}

std::optional<FieldProblem> CheckChannel(const ChannelConfig& channel, int n) {
    const FrequencyField tx{Kind::ChannelTx, n};
    const FrequencyField rx{Kind::ChannelRx, n};
    for (const auto& [field, text] : {std::pair{tx, &channel.tx}, std::pair{rx, &channel.rx}}) {
        if (!text->empty()) {
            if (auto problem = NotANumber(field, *text)) {
                return problem;
            }
        }
    }
    if (channel.tx.empty() != channel.rx.empty()) {
        const FrequencyField missing = channel.tx.empty() ? tx : rx;
        return Problem(missing, FrequencyFieldName(missing) + ": " + msg::kFrequencyMissing);
    }
    return std::nullopt;
}

std::optional<FieldProblem> CheckOwnBand(const RadioConfig& config) {
    const FrequencyField lowField{Kind::BandLow, 0};
    const FrequencyField highField{Kind::BandHigh, 0};
    for (const auto& [field, text, missing] :
         {std::tuple{lowField, &config.bandLow, msg::kNoLowerLimit},
          std::tuple{highField, &config.bandHigh, msg::kNoUpperLimit}}) {
        if (text->empty()) {
            return Problem(field, missing);
        }
        if (auto problem = NotANumber(field, *text)) {
            return problem;
        }
    }
    const float low = *ParseFrequency(config.bandLow);
    const float high = *ParseFrequency(config.bandHigh);
    if (low > kHighestTunableMHz) {
        return Problem(lowField, msg::kLowerAboveBands);
    }
    if (high < kLowestTunableMHz) {
        return Problem(highField, msg::kUpperBelowBands);
    }
    if (low > high) {
        return Problem(lowField, msg::kLimitsInverted);
    }
    return std::nullopt;
}

} // namespace

std::optional<FieldProblem> CheckFrequencyFields(const RadioConfig& config) {
    for (int n = 0; n < kChannelCount; ++n) {
        if (auto problem = CheckChannel(config.channels[static_cast<std::size_t>(n)], n)) {
            return problem;
        }
    }
    return config.bandMode == 1 ? CheckOwnBand(config) : std::nullopt;
}

LimitCheck CheckLowerBandLimit(const std::string& text) {
    float x = 0;
    if (auto early = EmptyOrNotANumber(text, msg::kNoLowerLimit, msg::kLowerLimitName, x)) {
        return *early;
    }
    if (x > 57.5f && x < 144.0f) {
        return Refuse(msg::kLowerOut160);
    }
    if (x > 48.5f && x < 57.0f) {
        return Refuse(msg::kLowerOut57);
    }
    if (x < 33.0f) {
        return Refuse(msg::kLowerOut40);
    }
    return {};
}

LimitCheck CheckUpperBandLimit(const std::string& text) {
    float x = 0;
    if (auto early = EmptyOrNotANumber(text, msg::kNoUpperLimit, msg::kUpperLimitName, x)) {
        return *early;
    }
    if (x > 174.0f) {
        return Refuse(msg::kUpperOut160);
    }
    if (x > 57.5f && x < 144.0f) {
        return Refuse(msg::kUpperOut57);
    }
    if (x > 48.5f && x < 57.0f) {
        return Refuse(msg::kUpperOut40);
    }
    return {};
}

} // namespace zekt
