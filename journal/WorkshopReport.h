#pragma once

#include "SharedRecord.h"

#include <map>
#include <string>
#include <vector>

namespace zekt {

// What a workshop manager asks of the journal over a period, counted run by
// run as the lookup streams them: memory grows with the days, benches,
// units, radios and configurations, never with the runs.
class WorkshopReport {
public:
    void Add(const SharedRecord& run);

    struct UnitTally {
        int runs = 0;
        int failed = 0;
        double Rate() const { return runs > 0 ? static_cast<double>(failed) / runs : 0; }
    };
    struct RadioTally {
        int programmed = 0; // programmings and frequency writes that succeeded
        std::string first;  // their days
        std::string last;
    };
    struct ConfigTally {
        std::string fileName; // the first configuration file seen with it
        int radios = 0;       // radios programmed with it (successful runs)
    };

    std::size_t runs = 0;
    // day (YYYY-MM-DD, as the bench saw it) -> bench -> runs
    std::map<std::string, std::map<std::string, int>> perDay;
    std::map<std::string, int> perBench;
    // command -> result -> runs
    std::map<std::string, std::map<std::string, int>> results;
    std::map<std::string, UnitTally> units;     // by serial number
    std::map<std::string, RadioTally> radios;   // numbered radios programmed at least once
    std::map<std::string, ConfigTally> configs; // by configuration hash

    // The units worth a look: at least kUnitRunsToJudge runs and a failure
    // rate at least twice the median of such units (and above none).
    static constexpr int kUnitRunsToJudge = 10;
    double MedianFailureRate() const;
    bool UnitStandsOut(const UnitTally& unit) const;
    // Radios programmed more than once, most often first.
    std::vector<std::pair<std::string, RadioTally>> Reprogrammed() const;
};

// Whether a run wrote a configuration into a radio.
bool ProgrammedARadio(const SharedRecord& run);

} // namespace zekt
