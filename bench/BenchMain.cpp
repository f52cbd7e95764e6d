#include "Figures.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <vector>

std::map<std::string, FigureSpec>& Figures() {
    static std::map<std::string, FigureSpec> figures;
    return figures;
}

namespace {

class FigureReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = Figures().find(run.benchmark_name());
            if (it == Figures().end() || run.iterations == 0) {
                continue;
            }
            const double ns = run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
            lines.push_back("figure " + it->second.figure + " " +
                            std::to_string(ns * it->second.scale) + " " + it->second.unit);
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
