#include "Figures.h"

#include <benchmark/benchmark.h>
#include <cstdio>
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
            if (run.iterations == 0) {
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
                lines.push_back("figure " + definition.figure + " " +
                                std::to_string(value * definition.scale) + " " + definition.unit);
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const std::string& line : lines) {
            std::printf("%s\n", line.c_str());
        }
    }

private:
    std::vector<std::string> lines;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
