// The shared journal's figures against a PostgreSQL server (scripts/bench
// starts one of its own):
//   bench_journal_db URI FOLDER [RUNS]
// journal_db_append_ms: one record sent as a run sends it (the connection
// kept, as within one program); journal_sync_1000_s: 1000 records waiting in
// the outbox sent by one sync.
#include "PrintFigure.h"
#include "SharedJournal.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace zekt;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRecordsPerRun = 50;
constexpr int kSyncRecords = 1000;

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

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_journal_db URI FOLDER [RUNS]\n");
        return 2;
    }
    const std::string uri = argv[1];
    const std::string folder = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    if (const Outcome made = SharedJournal::InitDatabase(uri); !made.Ok()) {
        std::fprintf(stderr, "bench_journal_db: %s\n", made.Why().c_str());
        return 1;
    }
    std::vector<double> appendMs;
    std::vector<double> syncS;
    int n = 0;
    for (int r = 0; r < runs; ++r) {
        SharedJournal journal(uri, folder + "/append-outbox.txt");
        const Clock::time_point start = Clock::now();
        for (int k = 0; k < kRecordsPerRun; ++k) {
            if (const Outcome sent = journal.Record(Sample(++n)); !sent.Ok()) {
                std::fprintf(stderr, "bench_journal_db: %s\n", sent.Why().c_str());
                return 1;
            }
        }
        appendMs.push_back(1000 * Seconds(start) / kRecordsPerRun);

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
    PrintFigure("journal_db_append_ms", appendMs, "ms", 2);
    PrintFigure("journal_sync_1000_s", syncS, "s", 3);
    return 0;
}
