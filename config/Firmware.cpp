#include "Firmware.h"

#include "RadioLayout.h"

#include <algorithm>
#include <filesystem>

namespace zekt {

std::vector<NamedFile> StandardFirmwareInputs(const std::string& startDir) {
    std::error_code ec;
    const std::filesystem::path start =
        startDir.empty() ? std::filesystem::current_path(ec) : PathOf(startDir);
    std::vector<NamedFile> inputs;
    for (const char* file : kStandardFirmwareFiles) {
        inputs.push_back({"стандартная программа", TextOf((start / file).lexically_normal())});
    }
    return inputs;
}

std::string BareFirmwareName(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) {
        return {};
    }
    std::string name = path.substr(separator + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return name;
}

int UserFirmwareProgramCode(const std::string& path) {
    const std::string name = BareFirmwareName(path);
    for (const SpecialFirmware& special : kSpecialFirmware) {
        if (name == special.fileName) {
            return special.programCode;
        }
    }
    return layout::kProgramOtherFile;
}

} // namespace zekt
