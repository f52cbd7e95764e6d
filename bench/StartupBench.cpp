// Starts the program offscreen on the simulated unit and reports the time
// from process start to the main window shown, and the peak memory.
//   bench_startup PATH_TO_zekt-programmer [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// One start: milliseconds until the program said it is shown, or -1.
double StartOnce(const char* program) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(program, program, "--simulate", "--exit-when-shown", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    char byte = 0;
    const bool shown = read(pipeFds[0], &byte, 1) == 1;
    const auto end = std::chrono::steady_clock::now();
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!shown || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup PATH_TO_zekt-programmer [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = StartOnce(argv[1]);
        if (ms < 0) {
            std::fprintf(stderr, "bench_startup: the program did not start\n");
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("figure startup_to_window_ms %.1f ms\n", times[times.size() / 2]);
    std::printf("figure startup_peak_rss_mb %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
