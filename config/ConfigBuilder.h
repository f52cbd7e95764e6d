#pragma once

#include "Project.h"
#include "RadioConfig.h"

#include <optional>
#include <string>
#include <vector>

namespace zekt {

// A frequency field of the panels: a channel's TX or RX edit, or a band limit.
struct FrequencyField {
    enum class Kind { ChannelTx, ChannelRx, BandLow, BandHigh };
    Kind kind = Kind::ChannelTx;
    int channel = 0; // 0..15 for the channel fields

    bool operator==(const FrequencyField&) const = default;
};

struct DataBuildResult {
    enum class Outcome {
        Complete,
        InvalidFrequency, // a channel field encoded to 0xFFFF: the syntax-error message
        NotANumber,       // a text that is not a number: the conversion error
    };
    Outcome outcome = Outcome::Complete;
    FrequencyField field;        // the field that stopped the build
    std::string conversionError; // for NotANumber
    // Channel fields stored successfully: their edits get the normal colour again.
    std::vector<FrequencyField> storedFields;
};

// Places the panels' configuration into the data EEPROM and the frequency
// page; stops at the first field that does not give a valid word. Places it
// does not write keep their values.
DataBuildResult BuildConfigurationData(const RadioConfig& config, Project& image);

struct ProgDate {
    int day = 1;
    int month = 1;
    int year = 2000;
};

// What the identification build has to ask the operator, in its order.
class BuildQuestions {
public:
    virtual ~BuildQuestions() = default;
    // A firmware file of the operator's choice; nullopt when cancelled.
    virtual std::optional<std::string> ChooseFirmwareFile() = 0;
    // The read-protection question; false when declined.
    virtual bool ConfirmReadProtection() = 0;
};

struct IdentificationResult {
    enum class Outcome {
        Complete,
        BadTone,            // a tone byte is blank: the CTCSS message, focus in toneChannel's box
        FirmwareCancelled,  // the firmware dialog was cancelled
        ProtectionDeclined, // the protection question was answered Cancel
    };
    Outcome outcome = Outcome::Complete;
    int toneChannel = -1;
    std::string firmwareFile; // the previous one unless the build chose another
};

// Checks the tone codes, chooses the firmware file and writes the type flags,
// ID words and configuration word.
IdentificationResult BuildIdentification(const RadioConfig& config, Project& image,
                                         const ProgDate& date,
                                         const std::string& previousFirmwareFile,
                                         BuildQuestions& questions);

// "Канал 3, передача", "Начальная частота, МГц": a field as the operator
// is told of it.
std::string FrequencyFieldName(const FrequencyField& field);

// A frequency field the operator must mend before a radio is connected.
struct FieldProblem {
    FrequencyField field;
    std::string message;
};

// The panels' frequency texts checked before anything reaches a radio: a
// number wherever there is text, both frequencies of a channel or neither
// (a radio would take a channel with one as the empty word), and own band
// limits that lie inside the radio's bands and in order. The first problem,
// in the panels' order; nullopt when there is none.
std::optional<FieldProblem> CheckFrequencyFields(const RadioConfig& config);

// Band limit checks for the operator leaving EditFrec1 or EditFrec2.
struct LimitCheck {
    enum class Outcome { Accepted, Refused, NotANumber };
    Outcome outcome = Outcome::Accepted;
    std::string message;
    std::string caption;
    bool informationIcon = false; // the empty-text message; range messages have no icon
};
LimitCheck CheckLowerBandLimit(const std::string& text);
LimitCheck CheckUpperBandLimit(const std::string& text);

} // namespace zekt
