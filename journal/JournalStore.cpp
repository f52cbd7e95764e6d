#include "JournalStore.h"

#include "LocalJournal.h"

namespace zekt {

namespace {

class LocalStore : public JournalStore {
public:
    explicit LocalStore(std::string path) : path(std::move(path)) {}
    FoundRuns Find(const JournalFilter& filter, std::size_t limit, const EachRun& each,
                   const LookupStop* stop) override {
        return LocalRuns(
            path, [&filter](const SharedRecord& run) { return Matches(run, filter); }, limit, each,
            stop);
    }
    FoundRuns FindId(const std::string& id) override {
        FoundRuns found =
            LocalRuns(path, [&id](const SharedRecord& run) { return run.id == id; }, 0, {});
        for (SharedRecord& run : found.runs) {
            run.radioCopy = LocalCopy(path, run);
        }
        return found;
    }
    bool Remote() const override { return false; }

private:
    std::string path;
};

class SharedStore : public JournalStore {
public:
    SharedStore(std::string uri, int utcOffsetMinutes)
        : uri(std::move(uri)), utcOffsetMinutes(utcOffsetMinutes) {}
    FoundRuns Find(const JournalFilter& filter, std::size_t limit, const EachRun& each,
                   const LookupStop* stop) override {
        return SharedJournal::Find(uri, filter, limit, each, stop);
    }
    FoundRuns FindId(const std::string& id) override {
        return SharedJournal::FindId(uri, id, utcOffsetMinutes);
    }
    bool Remote() const override { return true; }

private:
    std::string uri;
    int utcOffsetMinutes;
};

} // namespace

std::unique_ptr<JournalStore> OpenJournalStore(const JournalSource& source, int utcOffsetMinutes) {
    if (!source.sharedUri.empty()) {
        return std::make_unique<SharedStore>(source.sharedUri, utcOffsetMinutes);
    }
    if (!source.localPath.empty()) {
        return std::make_unique<LocalStore>(source.localPath);
    }
    return nullptr;
}

} // namespace zekt
