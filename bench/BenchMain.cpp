#include "Figures.h"
#include "MachineNumber.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

std::multimap<std::string, FigureDefinition>& Figures() {
    static std::multimap<std::string, FigureDefinition> figures;
    return figures;
}

namespace {

class FigureReporter : public benchmark::ConsoleReporter {
public:
    // No colour: its reset code would stand in front of the first figure
    // line, which scripts find by "^figure".
    FigureReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.iterations == 0 || run.run_type == Run::RT_Aggregate) {
                continue;
            }
            const auto [first, last] = Figures().equal_range(run.benchmark_name());
            for (auto it = first; it != last; ++it) {
                const FigureDefinition& definition = it->second;
                double value = 0;
                if (!definition.counter.empty()) {
                    const auto counter = run.counters.find(definition.counter);
                    value = counter == run.counters.end() ? 0 : double(counter->second);
                } else {
                    value = run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
                }
                Figure& figure = figures[definition.figure];
                figure.unit = definition.unit;
                figure.values.push_back(value * definition.scale);
            }
        }
    }
    // "figure NAME MEDIAN UNIT min MIN max MAX" over the repetitions.
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (auto& [name, figure] : figures) {
            std::vector<double>& v = figure.values;
            std::sort(v.begin(), v.end());
            std::printf("figure %s %s %s min %s max %s\n", name.c_str(),
                        zekt::MachineNumber(v[v.size() / 2], 6).c_str(), figure.unit.c_str(),
                        zekt::MachineNumber(v.front(), 6).c_str(),
                        zekt::MachineNumber(v.back(), 6).c_str());
        }
    }

private:
    struct Figure {
        std::string unit;
        std::vector<double> values;
    };
    std::map<std::string, Figure> figures;
};

} // namespace

int main(int argc, char** argv) {
    // Five repetitions unless asked otherwise: a figure is their median.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    const bool given = std::any_of(args.begin(), args.end(), [](const char* a) {
        return std::string_view(a).starts_with("--benchmark_repetitions");
    });
    if (!given) {
        args.push_back(repetitions.data());
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
