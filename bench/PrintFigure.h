#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// "figure NAME MEDIAN UNIT min MIN max MAX" over the runs; the first three
// fields stay what a reader of "figure NAME VALUE UNIT" expects.
inline void PrintFigure(const char* name, std::vector<double> values, const char* unit,
                        int decimals = 1) {
    if (values.empty()) {
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("figure %s %.*f %s min %.*f max %.*f\n", name, decimals, values[values.size() / 2],
                unit, decimals, values.front(), decimals, values.back());
}
