// Wall time and peak memory of "zekt-cli program" against the simulated unit
// with no delay: a whole radio programmed from a *.prg file. Then four
// simulated units paced as the real chip (16 ms per exchange, its latency
// timer) programmed at once, against one unit programming four radios in
// turn, and the host's processor time per unit meanwhile.
//   bench_cli_program PATH_TO_zekt-cli DEMO_DIR [RUNS]
#include "PrintFigure.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// zekt-cli's milliseconds for the command in the folder; -1 when it failed,
// with what it said on standard error shown.
double Run(const std::string& cli, const std::string& dir, std::vector<std::string> args) {
    args.insert(args.begin(), cli);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::fflush(stdout); // a child must not print what this process has buffered
    const std::string log = dir + "/cli.log";
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0 || !std::freopen(log.c_str(), "w", stderr) ||
            !std::freopen("/dev/null", "w", stdout)) {
            _exit(127);
        }
        execv(cli.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::ifstream said(log);
        std::fprintf(stderr, "bench_cli_program: zekt-cli ended with status %d:\n%s\n",
                     WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                     std::string(std::istreambuf_iterator<char>(said), {}).c_str());
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
        const double ms = Run(
            cli, dir,
            {"--simulate", "radio.hex", "--workdir", demo, "--journal", "", "program", "a.prg"});
        if (ms < 0) {
            std::fprintf(stderr, "bench_cli_program: zekt-cli program failed\n");
            return 1;
        }
        times.push_back(ms);
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    PrintFigure("cli_program_ms", times, "ms");
    std::printf("figure cli_program_peak_rss_mb %.1f MB\n", usage.ru_maxrss / 1024.0);

    constexpr int kUnits = 4;
    const std::vector<std::string> paced = {"--sim-delay", "16",        "--workdir",
                                            demo,          "--journal", ""};
    double inTurn = 0;
    for (int k = 0; k < kUnits && inTurn >= 0; ++k) {
        std::filesystem::remove(dir + "/radio.hex");
        std::vector<std::string> args = {"--simulate", "radio.hex"};
        args.insert(args.end(), paced.begin(), paced.end());
        args.insert(args.end(), {"program", "a.prg"});
        const double ms = Run(cli, dir, args);
        inTurn = ms < 0 ? ms : inTurn + ms;
    }
    std::vector<std::string> args;
    for (int k = 0; k < kUnits; ++k) {
        std::filesystem::remove(dir + "/unit" + std::to_string(k) + ".hex");
        args.insert(args.end(), {"--simulate", "unit" + std::to_string(k) + ".hex"});
    }
    args.insert(args.end(), paced.begin(), paced.end());
    args.insert(args.end(), {"--all-units", "program", "a.prg"});
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    const double atOnce = Run(cli, dir, args);
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    if (inTurn < 0 || atOnce < 0) {
        std::fprintf(stderr, "bench_cli_program: programming on several units failed\n");
        return 1;
    }
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) +
                       seconds(after.ru_stime) - seconds(before.ru_stime);
    std::printf("four radios: %.1f s in turn, %.1f s at once\n", inTurn / 1000, atOnce / 1000);
    std::printf("figure parallel_units_speedup %.2f x\n", inTurn / atOnce);
    std::printf("figure parallel_host_cpu_pct %.2f %%\n", cpu / (atOnce / 1000) / kUnits * 100.0);
    std::filesystem::remove_all(dir);
    return 0;
}
