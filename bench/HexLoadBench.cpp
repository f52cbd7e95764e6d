// Time to load a firmware file that fills all of program memory.
#include "Figures.h"
#include "Project.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::string Record(unsigned address, unsigned type, const unsigned char* data, unsigned count) {
    char text[80];
    unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
    int n = std::snprintf(text, sizeof text, ":%02X%04X%02X", count, address, type);
    for (unsigned i = 0; i < count; ++i) {
        n += std::snprintf(text + n, sizeof text - n, "%02X", data[i]);
        sum += data[i];
    }
    std::snprintf(text + n, sizeof text - n, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return text;
}

// 8192 words, 8 to a record, with CR LF line ends as the maker's tools write.
std::string WriteFullFirmware() {
    const auto path = std::filesystem::temp_directory_path() / "zekt-bench-full.hex";
    std::ofstream out(path, std::ios::binary);
    unsigned char data[16];
    for (unsigned word = 0; word < zekt::kProgramWords; word += 8) {
        for (unsigned i = 0; i < 8; ++i) {
            const unsigned value = (word + i) * 7 & 0x3FFF;
            data[2 * i] = value & 0xFF;
            data[2 * i + 1] = value >> 8;
        }
        out << Record(word * 2, 0, data, 16);
    }
    out << ":00000001FF\r\n";
    return path.string();
}

void HexLoadFull(benchmark::State& state) {
    const std::string path = WriteFullFirmware();
    zekt::Project image;
    for (auto _ : state) {
        if (!image.LoadHex(path) || image.UsedWords() != zekt::kProgramWords) {
            state.SkipWithError("full firmware did not load");
            break;
        }
        benchmark::DoNotOptimize(image.ProgramMemory().data());
    }
    std::filesystem::remove(path);
}

BENCHMARK(HexLoadFull)->Unit(benchmark::kMillisecond);
const bool figure = RegisterFigure("HexLoadFull", {"hex_load_full_ms", 1e-6, "ms"});

} // namespace
