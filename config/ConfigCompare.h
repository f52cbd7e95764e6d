#pragma once

#include "ReadBack.h"

#include <string>
#include <vector>

namespace zekt {

// One setting in which a radio differs from a file, in the operator's words:
// "Канал 3, приём", "150,5", "150".
struct ConfigDifference {
    std::string setting;
    std::string inRadio;
    std::string inFile;
};

// Compares two decoded configurations as the panels would show them: the 16
// channels (TX, RX, scan flag, tone), radio type, main band or own limits,
// tone pair, grid step, version and read protection. Dates are not compared.
std::vector<ConfigDifference> CompareConfigurations(const ReadBackPanels& radio,
                                                    const ReadBackPanels& file);

} // namespace zekt
