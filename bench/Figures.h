#pragma once

#include <map>
#include <string>

// Benchmark name -> figure name, unit scale and unit, so that every figure is
// printed as "figure <name> <value> <unit>" after the usual table.
struct FigureDefinition {
    std::string figure;
    double scale; // multiplies the per-iteration real time in nanoseconds, or the counter
    std::string unit;
    std::string counter = {}; // report this user counter instead of the time
};

std::multimap<std::string, FigureDefinition>& Figures();

inline bool RegisterFigure(const std::string& benchmark, FigureDefinition definition) {
    Figures().emplace(benchmark, std::move(definition));
    return true;
}
