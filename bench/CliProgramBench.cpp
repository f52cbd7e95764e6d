// Wall time and peak memory of "zekt-cli program" against the simulated unit
// with no delay: a whole radio programmed from a *.prg file.
//   bench_cli_program PATH_TO_zekt-cli DEMO_DIR [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// A configuration with two channels, as the window saves it.
void WritePrg(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("0 4 1 0 0 0 2\r\n", f);
    for (int row = 0; row < 16; ++row) {
        for (int k = 0; k < 16; ++k) {
            const int a = row * 16 + k;
            int v = 0xFF;
            if (a < 8) {
                const int bytes[8] = {0x9A, 0x84, 0xB5, 0x44, 0x9C, 0x60, 0xB7, 0x20};
                v = bytes[a];
            } else if (a >= 0x40 && a <= 0x61) {
                v = 0x00;
            } else if (a >= 0x62 && a <= 0x72) {
                v = 0x10;
            }
            std::fprintf(f, "%04x ", v);
        }
        std::fputs("\r\n", f);
    }
    std::fclose(f);
}

double RunOnce(const char* cli, const std::string& dir, const char* demo) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0) {
            _exit(127);
        }
        std::freopen("/dev/null", "w", stderr);
        execl(cli, cli, "--simulate", "radio.hex", "--workdir", demo, "--journal", "", "program",
              "a.prg", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_cli_program PATH_TO_zekt-cli DEMO_DIR [RUNS]\n");
        return 2;
    }
    const std::string cli = std::filesystem::absolute(argv[1]).string();
    const std::string demo = std::filesystem::absolute(argv[2]).string();
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    const std::string dir = std::filesystem::temp_directory_path() / "zekt-bench-cli";
    std::filesystem::create_directories(dir);
    WritePrg(dir + "/a.prg");
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        std::filesystem::remove(dir + "/radio.hex"); // a blank radio every time
        const double ms = RunOnce(cli.c_str(), dir, demo.c_str());
        if (ms < 0) {
            std::fprintf(stderr, "bench_cli_program: zekt-cli program failed\n");
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("figure cli_program_ms %.1f ms\n", times[times.size() / 2]);
    std::printf("figure cli_program_peak_rss_mb %.1f MB\n", usage.ru_maxrss / 1024.0);
    std::filesystem::remove_all(dir);
    return 0;
}
