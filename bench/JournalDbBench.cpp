// The shared journal's figures against a PostgreSQL server (scripts/bench
// starts one of its own, with fsync on as a real server has it):
//   bench_journal_db URI FOLDER PATH_TO_zekt-cli DEMO_DIR [RUNS]
// journal_sync_1000_s: 1000 records waiting in the outbox sent by one sync.
// journal_run_overhead_ms: a zekt-cli run with the shared journal minus the
// same run without it (medians), the simulated unit paced at 1 ms an
// exchange (about 80 ms a run): the connection made while a run works is
// in place by its end, as in any real run, which takes seconds. journal_lookup_peak_rss_mb:
// zekt-cli listing all of 250 000 runs as CSV, its peak memory.
// journal_report_250k_s, journal_report_peak_rss_mb: the workshop report over
// those runs (six benches, twelve units, 100 000 radios), its time and memory.
#include "PgLink.h"
#include "PrintFigure.h"
#include "SharedJournal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace zekt;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSyncRecords = 1000;
constexpr int kLookupRows = 250000;

SharedRecord Sample(int n) {
    SharedRecord record;
    record.bench = "bench";
    record.operatorLogin = "operator";
    record.columns = {"2026-12-07T10:42:18+03:00",
                      "zekt-cli",
                      "program",
                      "ok",
                      "Программирование завершено!",
                      "/home/operator/taxi.prg",
                      std::string(64, 'a'),
                      std::string(64, 'b'),
                      "/home/operator/WORK/St611.hex",
                      std::string(64, 'c'),
                      "6.1.1",
                      "10.2",
                      "FT1234",
                      "default"};
    record.id = NewRecordId(record.bench, record.columns[0]) + "-" + std::to_string(n);
    return record;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Child {
    bool ok = false;
    double ms = 0;
    double peakMb = 0;
};

// Runs zekt-cli in a folder, its output to a file (shown when it fails).
Child RunCli(const std::string& dir, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::fflush(stdout); // a child must not print what this process has buffered
    const std::string log = dir + "/cli.log";
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0 || !std::freopen(log.c_str(), "w", stderr) ||
            !std::freopen("/dev/null", "w", stdout)) {
            _exit(127);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Child done{WIFEXITED(status) && WEXITSTATUS(status) == 0,
               std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
               usage.ru_maxrss / 1024.0};
    if (!done.ok) {
        std::ifstream said(log);
        std::fprintf(stderr, "bench_journal_db: %s failed:\n%s\n", args[0].c_str(),
                     std::string(std::istreambuf_iterator<char>(said), {}).c_str());
    }
    return done;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool Run(PgLink& db, const std::string& sql) {
    const PgReply reply = db.Run(sql);
    if (!reply.ok) {
        std::fprintf(stderr, "bench_journal_db: %s\n", reply.error.c_str());
    }
    return reply.ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: bench_journal_db URI FOLDER PATH_TO_zekt-cli DEMO_DIR [RUNS]\n");
        return 2;
    }
    const std::string uri = argv[1];
    const std::string folder = std::filesystem::absolute(argv[2]).string();
    const std::string cli = std::filesystem::absolute(argv[3]).string();
    const std::string demo = std::filesystem::absolute(argv[4]).string();
    const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 5;
    if (const Outcome made = SharedJournal::InitDatabase(uri); !made.Ok()) {
        std::fprintf(stderr, "bench_journal_db: %s\n", made.Why().c_str());
        return 1;
    }

    std::vector<double> syncS;
    int n = 0;
    for (int r = 0; r < runs; ++r) {
        const std::string outbox = folder + "/sync-outbox.txt";
        {
            std::ofstream out(outbox, std::ios::binary | std::ios::trunc);
            for (int k = 0; k < kSyncRecords; ++k) {
                out << OutboxLine(Sample(++n));
            }
        }
        const Clock::time_point syncStart = Clock::now();
        const SharedJournal::Synced synced = SharedJournal::Sync(uri, outbox);
        syncS.push_back(Seconds(syncStart));
        if (!synced.outcome.Ok() || synced.sent != kSyncRecords) {
            std::fprintf(stderr, "bench_journal_db: sync sent %d: %s\n", synced.sent,
                         synced.outcome.Why().c_str());
            return 1;
        }
    }
    PrintFigure("journal_sync_1000_s", syncS, "s", 3);

    // The same run with and without the shared journal, in turns.
    std::vector<double> with, without;
    for (int r = 0; r < std::max(runs, 5) * 4; ++r) {
        const bool shared = r % 2 == 0;
        std::vector<std::string> args = {cli,           "--simulate", "radio.hex",
                                         "--sim-delay", "1",          "--workdir",
                                         demo,          "--journal",  folder + "/journal.csv"};
        if (shared) {
            args.insert(args.end(), {"--journal-database", uri});
        }
        args.insert(args.end(), {"write-frequencies", demo + "/demo.prg", "--yes"});
        const Child run = RunCli(folder, args);
        if (!run.ok) {
            return 1;
        }
        (shared ? with : without).push_back(run.ms);
    }
    std::printf("figure journal_run_overhead_ms %.1f ms\n", Median(with) - Median(without));

    PgLink::Connected connected = PgLink::Connect(uri, SharedJournal::kConnectSeconds, 300);
    if (!connected.link ||
        !Run(*connected.link,
             // A workshop's half year: six benches, twelve units, radios
             // programmed more than once, a few configurations, some failures.
             "INSERT INTO zekt_journal (id, time, program, command, result, message, "
             "config_file, config_file_sha256, config_sha256, firmware_file, firmware_sha256, "
             "version, seconds, unit, latency, bench, operator, radio) SELECT 'lookup/' || n, "
             "now() - n * interval '1 minute', program, command, CASE WHEN n % 17 = 0 THEN "
             "'failed' ELSE result END, message, config_file, config_file_sha256, config_sha256 "
             "|| n % 5, firmware_file, firmware_sha256, version, seconds, 'FT' || n % 12, "
             "latency, 'bench-' || n % 6, operator, 'R' || n % 100000 FROM zekt_journal, "
             "generate_series(1, " +
                 std::to_string(kLookupRows) + ") AS n WHERE id = (SELECT min(id) FROM " +
                 "zekt_journal)")) {
        std::fprintf(stderr, "bench_journal_db: the rows to look up: %s\n", connected.why.c_str());
        return 1;
    }
    const Child lookup =
        RunCli(folder, {cli, "--journal-database", uri, "journal", "--csv", "--limit", "0"});
    if (!lookup.ok) {
        return 1;
    }
    std::printf("figure journal_lookup_peak_rss_mb %.1f MB\n", lookup.peakMb);
    const Child report = RunCli(folder, {cli, "--journal-database", uri, "journal", "report",
                                         "--html", folder + "/report.html"});
    if (!report.ok) {
        return 1;
    }
    std::printf("figure journal_report_250k_s %.2f s\n", report.ms / 1000);
    std::printf("figure journal_report_peak_rss_mb %.1f MB\n", report.peakMb);
    return 0;
}
