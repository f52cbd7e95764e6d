// libFuzzer target: any text read as a configuration file must give a sane
// plan and channel table, and what the writer makes of it must read back
// the same.
#include "ConfigFile.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace zekt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParsedConfigFile file = ParseConfigFile(text);
    // A byte-order mark in front changes nothing; a file found whole has
    // every data value.
    const ParsedConfigFile marked = ParseConfigFile("\xEF\xBB\xBF" + std::string(text));
    if (!text.starts_with("\xEF\xBB\xBF") &&
        (marked.options != file.options || marked.data != file.data)) {
        std::abort();
    }
    if (!FindConfigFileDefect(text)) {
        for (const auto& value : file.data) {
            if (!value) {
                std::abort();
            }
        }
    }
    const FileReadPlan plan = PlanConfigFileRead(file);
    if (plan.options.size() > 5 || (plan.refusal && plan.versionMessage)) {
        std::abort();
    }
    if (!plan.refusal && plan.version != kNoVersion && (plan.version < 0 || plan.version > 2)) {
        std::abort();
    }
    DataArray memory;
    memory.fill(0xFF);
    for (std::size_t i = 0; i < memory.size(); ++i) {
        if (file.data[i]) {
            if (*file.data[i] < 0 || *file.data[i] > 0xFFFF) {
                std::abort();
            }
            memory[i] = *file.data[i];
        }
    }
    const auto channels = DecodeFileChannels(memory, plan.version);
    for (const ChannelConfig& c : channels) {
        if (c.ctcss < -1 || c.ctcss > 19) {
            std::abort();
        }
    }
    const ParsedConfigFile again = ParseConfigFile(FormatConfigFile(file.options, memory));
    if (again.options != file.options) {
        std::abort();
    }
    for (std::size_t i = 0; i < memory.size(); ++i) {
        if (again.data[i].value_or(-1) != memory[i]) {
            std::abort();
        }
    }
    return 0;
}
