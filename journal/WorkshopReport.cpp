#include "WorkshopReport.h"

#include <algorithm>

namespace zekt {

namespace {

constexpr std::size_t kDayLength = 10; // YYYY-MM-DD

std::string FileNameOf(const std::string& path) {
    // Either system's separators: a shared journal holds both.
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool ProgrammedARadio(const SharedRecord& run) {
    const std::string& command = run[kCommandColumn];
    return run[kResultColumn] == "ok" && (command == "program" || command == "write-frequencies");
}

void WorkshopReport::Add(const SharedRecord& run) {
    ++runs;
    const std::string day = run[kTimeColumn].substr(0, kDayLength);
    ++perDay[day][run.bench];
    ++perBench[run.bench];
    ++results[run[kCommandColumn]][run[kResultColumn]];
    if (!run[kUnitColumn].empty()) {
        UnitTally& unit = units[run[kUnitColumn]];
        ++unit.runs;
        unit.failed += run[kResultColumn] == "failed" ? 1 : 0;
    }
    if (!ProgrammedARadio(run)) {
        return;
    }
    if (const std::string& number = run[kRadioColumn]; !number.empty()) {
        RadioTally& radio = radios[number];
        ++radio.programmed;
        radio.first = radio.first.empty() ? day : std::min(radio.first, day);
        radio.last = std::max(radio.last, day);
    }
    if (const std::string& hash = run[kConfigHashColumn]; !hash.empty()) {
        ConfigTally& config = configs[hash];
        ++config.radios;
        if (config.fileName.empty()) {
            config.fileName = FileNameOf(run[kConfigFileColumn]);
        }
    }
}

double WorkshopReport::MedianFailureRate() const {
    std::vector<double> rates;
    for (const auto& [serial, unit] : units) {
        if (unit.runs >= kUnitRunsToJudge) {
            rates.push_back(unit.Rate());
        }
    }
    if (rates.empty()) {
        return 0;
    }
    std::sort(rates.begin(), rates.end());
    const std::size_t middle = rates.size() / 2;
    return rates.size() % 2 == 1 ? rates[middle] : (rates[middle - 1] + rates[middle]) / 2;
}

bool WorkshopReport::UnitStandsOut(const UnitTally& unit) const {
    return unit.runs >= kUnitRunsToJudge && unit.failed > 0 &&
           unit.Rate() >= 2 * MedianFailureRate();
}

std::vector<std::pair<std::string, WorkshopReport::RadioTally>>
WorkshopReport::Reprogrammed() const {
    std::vector<std::pair<std::string, RadioTally>> twice;
    for (const auto& [number, radio] : radios) {
        if (radio.programmed > 1) {
            twice.emplace_back(number, radio);
        }
    }
    std::stable_sort(twice.begin(), twice.end(), [](const auto& a, const auto& b) {
        return a.second.programmed > b.second.programmed;
    });
    return twice;
}

} // namespace zekt
