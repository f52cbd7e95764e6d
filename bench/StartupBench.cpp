// Starts the program offscreen on the simulated unit and reports the time
// from process start to the main window shown and to the window fitted to
// its frame, and the peak memory.
//   bench_startup PATH_TO_zekt-programmer [RUNS]
#include "PrintFigure.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Start {
    double shownMs = -1;
    double fittedMs = -1;
};

// One start, its output read to its end (the program writes a line when
// shown and one when fitted, then ends): a reader that stopped early would
// kill it with SIGPIPE.
Start StartOnce(const char* program) {
    Start result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(program, program, "--simulate", "--journal=", "--exit-when-shown",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::string line;
    char byte = 0;
    while (read(pipeFds[0], &byte, 1) == 1) {
        if (byte != '\n') {
            line += byte;
            continue;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (line == "shown") {
            result.shownMs = ms;
        } else if (line.rfind("fitted", 0) == 0) {
            result.fittedMs = ms;
        }
        line.clear();
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup PATH_TO_zekt-programmer [RUNS]\n");
        return 2;
    }
    const int runs = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);
    std::vector<double> shown;
    std::vector<double> fitted;
    for (int i = 0; i < runs; ++i) {
        const Start start = StartOnce(argv[1]);
        if (start.shownMs < 0 || start.fittedMs < 0) {
            std::fprintf(stderr, "bench_startup: the program did not start and fit its window\n");
            return 1;
        }
        shown.push_back(start.shownMs);
        fitted.push_back(start.fittedMs);
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    PrintFigure("startup_to_window_ms", shown, "ms");
    PrintFigure("startup_to_fitted_ms", fitted, "ms");
    std::printf("figure startup_peak_rss_mb %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
