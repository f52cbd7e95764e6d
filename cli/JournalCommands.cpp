// The journal from the command line: looking runs up, the shared journal's
// database and its outbox.
#include "CliCommands.h"
#include "Console.h"
#include "Journal.h"
#include "JournalLookup.h"
#include "SafeFile.h"
#include "SharedJournal.h"
#include "SharedSchema.h"
#include "UnitOutput.h"
#include "UserSettings.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace zekt {

namespace {

// The shared journal's URI: the option's, else the settings file's.
std::string SharedJournalUri(const CliOptions& options) {
    return SharedJournalAddress(options.common.journalDatabase, [] {
        const SettingsRead read = ReadUserSettings(DefaultSettingsPath());
        for (const std::string& warning : read.warnings) {
            Say("zekt-cli: настройки: " + warning);
        }
        return read.settings;
    });
}

// The local journal; said why not when there is none.
std::optional<std::string> LocalJournalPath(const CliOptions& options, const char* withoutIt) {
    const JournalChoice local = ChooseJournal(options.common.journalFile);
    if (local.warning) {
        Say("zekt-cli: " + *local.warning);
    }
    if (local.path.empty()) {
        Say(std::string("zekt-cli: местный журнал не ведётся: ") + withoutIt);
        return std::nullopt;
    }
    return local.path;
}

// A column as wide as its widest value (at least least), and two blanks.
template <typename Field>
std::size_t WidestOf(const std::vector<SharedRecord>& runs, std::size_t least, Field field) {
    std::size_t widest = least;
    for (const SharedRecord& run : runs) {
        widest = std::max(widest, Characters(field(run)));
    }
    return widest + 2;
}

// A field as the terminal should show it: control characters (an escape
// sequence in a file name or a login) and bytes that are no UTF-8 spelled
// out, never sent raw.
std::string Printable(const std::string& text) {
    return PrintableText(text);
}

// What a lookup that showed fewer runs than it found says about it.
std::string FoundText(const FoundRuns& found) {
    std::string text = "Найдено записей: " + std::to_string(found.total);
    if (found.shown < found.total) {
        text += "; показаны первые " + std::to_string(found.shown) + " из " +
                std::to_string(found.total) + " (все: --limit 0)";
    }
    return text;
}

void PrintRunsTable(const FoundRuns& found) {
    std::vector<SharedRecord> runs = found.runs;
    for (SharedRecord& run : runs) {
        for (std::string* field : {&run.id, &run.bench, &run.operatorLogin}) {
            *field = Printable(*field);
        }
        for (std::string& column : run.columns) {
            column = Printable(column);
        }
    }
    const std::size_t id = WidestOf(runs, 6, [](const SharedRecord& r) { return r.id; });
    const std::size_t unit =
        WidestOf(runs, 12, [](const SharedRecord& r) { return r[kUnitColumn]; });
    const std::size_t bench = WidestOf(runs, 5, [](const SharedRecord& r) { return r.bench; });
    Print(Out(), "%s%s%s%s%s%s%s%s\n", Column("Запись", id).c_str(), Column("Время", 27).c_str(),
          Column("Команда", 19).c_str(), Column("Итог", 11).c_str(),
          Column("Программатор", unit).c_str(), Column("Место", bench).c_str(),
          Column("Файл", 24).c_str(), "Сообщение");
    for (const SharedRecord& run : runs) {
        const std::string file = TextOf(PathOf(run[kConfigFileColumn]).filename());
        Print(Out(), "%s%s%s%s%s%s%s%s\n", Column(run.id, id).c_str(),
              Column(run[kTimeColumn], 27).c_str(),
              Column(JournalCommandText(run[kCommandColumn]), 19).c_str(),
              Column(JournalResultText(run[kResultColumn]), 11).c_str(),
              Column(run[kUnitColumn], unit).c_str(), Column(run.bench, bench).c_str(),
              Column(file, 24).c_str(), run[kMessageColumn].c_str());
    }
    Print(Out(), "%s\n", FoundText(found).c_str());
}

// The journal's own columns after the run's id, bench and operator.
void PrintRunCsv(const SharedRecord& run) {
    std::vector<std::string> fields = {run.id, run.bench, run.operatorLogin};
    fields.insert(fields.end(), run.columns.begin(), run.columns.end());
    for (std::string& field : fields) {
        field = Printable(field);
    }
    WriteText(Out(), JournalCsvLine(fields));
}

void PrintRun(const SharedRecord& run) {
    const std::pair<const char*, std::string> rows[] = {
        {"Запись", run.id},
        {"Место", run.bench},
        {"Оператор", run.operatorLogin},
        {"Время", run[kTimeColumn]},
        {"Пояс времени", run.zone},
        {"Программа", run[kProgramColumn]},
        {"Команда", JournalCommandText(run[kCommandColumn])},
        {"Итог", JournalResultText(run[kResultColumn])},
        {"Сообщение", run[kMessageColumn]},
        {"Файл конфигурации", run[kConfigFileColumn]},
        {"SHA-256 файла", run[kConfigFileHashColumn]},
        {"SHA-256 конфигурации", run[kConfigHashColumn]},
        {"Файл программы", run[kFirmwareFileColumn]},
        {"SHA-256 программы", run[kFirmwareHashColumn]},
        {"Версия", run[kVersionColumn]},
        {"Секунды", WithDecimalComma(run[kSecondsColumn])},
        {"Программатор", run[kUnitColumn]},
        {"Радиостанция", run[kRadioColumn]},
        {"Номер в общем журнале", run[kIdColumn]},
        {"Таймер задержки USB", run[kLatencyColumn] == kJournalDefaultLatency
                                    ? std::string("не менялся")
                                    : run[kLatencyColumn] + " мс"},
        {"Копия радиостанции", run.radioCopy.empty()
                                   ? "нет"
                                   : "есть (" + std::to_string(run.radioCopy.size()) + " байт)"},
    };
    for (const auto& [label, value] : rows) {
        Print(Out(), "%s%s\n", Column(label, 24).c_str(), Printable(value).c_str());
    }
}

} // namespace

namespace {

int ShowCommand(const CliOptions& options, const JournalSource& source) {
    const FoundRuns found = FindRun(source, options.journalId);
    if (!found.outcome.Ok()) {
        Say("zekt-cli: журнал: " + found.outcome.Why());
        return kExitFailed;
    }
    if (found.runs.empty()) {
        Say("zekt-cli: в журнале нет записи " + options.journalId);
        return kExitFailed;
    }
    const SharedRecord& run = found.runs.front();
    PrintRun(run);
    if (!options.output) {
        return kExitOk;
    }
    if (run.radioCopy.empty()) {
        Say("zekt-cli: у записи " + run.id + " нет копии радиостанции: --save не записан");
        return kExitFailed;
    }
    if (const FileWrite written = SaveOutput(*options.output, run.radioCopy); !written.Ok()) {
        Say("zekt-cli: " + DescribeFileError(options.outputFile, written.error));
        return kExitOutputLost;
    }
    return kExitOk;
}

// The bench's records a lookup cannot find yet: those waiting for the local
// journal (held open by another program) and, for the shared journal, those
// still in the queue; nothing when none wait.
std::string WaitingText(const CliOptions& options, const JournalSource& source) {
    const std::string local = ChooseJournal(options.common.journalFile).path;
    if (local.empty()) {
        return {};
    }
    const std::size_t pending = LocalJournal(local).PendingCount();
    const int queued = source.sharedUri.empty() ? 0 : Outbox(OutboxPath(local)).Count();
    std::string text;
    if (pending > 0) {
        text = "ещё не в журнале этого места: " + std::to_string(pending) + " (ждут в " +
               PendingPath(local) + ", пока журнал открыт другой программой)";
    }
    if (queued > 0) {
        text += (text.empty() ? "" : "; ") + std::string("ещё не отправлено в общий журнал: ") +
                std::to_string(queued);
    }
    return text.empty() ? text
                        : "Записи этого места, которых поиск не видит: " + text +
                              ". Их допишет и отправит zekt-cli journal sync.";
}

int LookupCommand(const CliOptions& options, const JournalSource& source) {
    JournalFilter filter{.since = options.since,
                         .until = options.until,
                         .unit = options.units.empty() ? std::string() : options.units.front(),
                         .bench = options.bench,
                         .result = JournalResultOf(options.result),
                         .radio = options.radio,
                         .utcOffsetMinutes = BenchUtcOffsetMinutes()};
    if (!options.inputFile.empty()) {
        const FileConfiguration config = ConfigurationOfFile(options.inputFile);
        if (config.refusal) {
            Say("zekt-cli: " + *config.refusal);
            return kExitUsage;
        }
        filter.configHash = config.configHash;
        filter.configFileHash = config.fileHash;
    }
    if (const std::optional<std::string> refused = FilterRefusal(filter)) {
        Say("zekt-cli: " + *refused);
        return kExitUsage;
    }
    const std::size_t limit = options.limit.value_or(kLookupLimit);
    if (options.csv) {
        // Printed as the pages come: memory stays flat however many runs there are.
        Print(Out(), "id;bench;operator;%s", JournalHeader().c_str());
        const FoundRuns found = FindRuns(source, filter, limit, PrintRunCsv);
        if (!found.outcome.Ok()) {
            Say("zekt-cli: журнал: " + found.outcome.Why());
            return kExitFailed;
        }
        if (found.shown < found.total) {
            Say("zekt-cli: " + FoundText(found));
        }
        if (const std::string waiting = WaitingText(options, source); !waiting.empty()) {
            Say("zekt-cli: " + waiting); // standard output is the table alone
        }
        return kExitOk;
    }
    const FoundRuns found = FindRuns(source, filter, limit);
    if (!found.outcome.Ok()) {
        Say("zekt-cli: журнал: " + found.outcome.Why());
        return kExitFailed;
    }
    PrintRunsTable(found);
    if (const std::string waiting = WaitingText(options, source); !waiting.empty()) {
        Print(Out(), "%s\n", waiting.c_str());
    }
    return kExitOk;
}

// A configuration as the history shows it: enough of its hash to tell one
// plan from another at a glance (the CSV has it whole).
constexpr std::size_t kShortHash = 16;

void PrintHistory(const std::string& radio, const FoundRuns& found) {
    Print(Out(), "Радиостанция %s: работ %zu\n", Printable(radio).c_str(), found.total);
    if (found.runs.empty()) {
        return;
    }
    Print(Out(), "%s%s%s%s%s%s\n", Column("Время", 27).c_str(), Column("Команда", 19).c_str(),
          Column("Итог", 11).c_str(), Column("Место", 14).c_str(),
          Column("Программатор", 14).c_str(), "Конфигурация");
    std::string current; // the configuration the radio holds, as far as the journal knows
    for (const SharedRecord& run : found.runs) {
        const std::string& hash = run[kConfigHashColumn];
        std::string shown = hash.empty() ? "-" : hash.substr(0, kShortHash);
        if (!hash.empty() && !current.empty() && hash != current) {
            shown += "  новая конфигурация";
        }
        if (!hash.empty()) {
            current = hash;
        }
        Print(Out(), "%s%s%s%s%s%s\n", Column(run[kTimeColumn], 27).c_str(),
              Column(JournalCommandText(run[kCommandColumn]), 19).c_str(),
              Column(JournalResultText(run[kResultColumn]), 11).c_str(),
              Column(Printable(run.bench), 14).c_str(),
              Column(Printable(run[kUnitColumn]), 14).c_str(), shown.c_str());
    }
}

// Every run on one radio, oldest first, and where its configuration changed.
int HistoryCommand(const CliOptions& options, const JournalSource& source) {
    const JournalFilter filter{.radio = options.radio, .utcOffsetMinutes = BenchUtcOffsetMinutes()};
    if (options.csv) {
        Print(Out(), "id;bench;operator;%s", JournalHeader().c_str());
    }
    const FoundRuns found =
        options.csv ? FindRuns(source, filter, 0, PrintRunCsv) : FindRuns(source, filter, 0);
    if (!found.outcome.Ok()) {
        Say("zekt-cli: журнал: " + found.outcome.Why());
        return kExitFailed;
    }
    if (!options.csv) {
        PrintHistory(options.radio, found);
    }
    return kExitOk;
}

// The workshop's page over a period, written whole or not at all.
int ReportCommand(const CliOptions& options, const JournalSource& source) {
    const JournalFilter filter{.since = options.since,
                               .until = options.until,
                               .bench = options.bench,
                               .utcOffsetMinutes = BenchUtcOffsetMinutes()};
    if (const std::optional<std::string> refused = FilterRefusal(filter)) {
        Say("zekt-cli: " + *refused);
        return kExitUsage;
    }
    const ReportMade made = MakeReport(source, filter);
    if (!made.outcome.Ok()) {
        Say("zekt-cli: журнал: " + made.outcome.Why());
        return kExitFailed;
    }
    if (const FileWrite written = WriteOutput(*options.output, made.page); !written.Ok()) {
        Say("zekt-cli: " + DescribeFileError(options.output->Path(), written.error));
        return kExitOutputLost;
    }
    Print(Out(), "Отчёт записан: %s\n", options.output->Path().c_str());
    return kExitOk;
}

int InitDbCommand(const std::string& uri) {
    if (const Outcome made = SharedJournal::InitDatabase(uri); !made.Ok()) {
        Say("zekt-cli: общий журнал: " + made.Why());
        return kExitFailed;
    }
    Print(Out(), "Общий журнал готов (версия %d).\n", kSchemaVersion);
    return kExitOk;
}

// Queues the bench's local records the server lacks, under their own ids
// (lines from before ids under new ones); what the server has is never sent
// twice. False when the comparison failed.
bool QueueMissing(const std::string& localPath, const std::string& uri, const std::string& outbox) {
    const JournalSource source{localPath, {}};
    const FoundRuns local = FindRuns(source, {}, 0);
    if (!local.outcome.Ok()) {
        Say("zekt-cli: журнал: " + local.outcome.Why());
        return false;
    }
    const std::string bench = BenchName();
    const SharedJournal::Compared compared =
        SharedJournal::Compare(uri, outbox, bench, BenchUtcOffsetMinutes(), local.runs);
    if (!compared.outcome.Ok()) {
        Say("zekt-cli: общий журнал: " + compared.outcome.Why());
        return false;
    }
    Outbox queue(outbox);
    for (SharedRecord record : compared.missing) {
        if (record[kCommandColumn] == "read") { // only a read's copy is kept beside the journal
            const FoundRuns copy = FindRun(source, record.id);
            record.radioCopy = copy.runs.empty() ? std::string() : copy.runs.front().radioCopy;
        }
        record.id =
            record[kIdColumn].empty() ? NewRecordId(bench, record[kTimeColumn]) : record[kIdColumn];
        record.operatorLogin = OperatorLogin();
        record.zone = BenchZone();
        if (const Outcome kept = queue.Append(record); !kept.Ok()) {
            Say("zekt-cli: " + kept.Why());
            return false;
        }
    }
    Print(Out(),
          "Сверено с общим журналом: записей здесь %zu, у общего журнала от этого места "
          "%zu; недостающих поставлено в очередь: %zu\n",
          local.runs.size(), compared.onServer, compared.missing.size());
    return true;
}

// Records that waited beside a journal held open go into it, in their order;
// false when it is still held (they wait on).
bool MovePending(const std::string& local) {
    const LocalJournal journal(local);
    const std::size_t waiting = journal.PendingCount();
    if (const FileError error = journal.AppendPending(); error != FileError::None) {
        Say("zekt-cli: журнал " + local + ": " + FileErrorText(error) + "; записи ждут в " +
            PendingPath(local));
        return false;
    }
    if (waiting > 0) {
        Print(Out(), "Записи, ждавшие журнал, дописаны в него: %zu\n", waiting);
    }
    return true;
}

// What the server answered: whom it took the bench for, the table, the rights.
void PrintProbe(const SharedJournal::Probed& probed) {
    Print(Out(), "Общий журнал: база %s, пользователь %s, таблица версии %d; права: запись%s\n",
          Printable(probed.database).c_str(), Printable(probed.user).c_str(), probed.version,
          probed.mayRead ? " и чтение" : " (без чтения: поиск и отчёт не работают)");
}

int SyncCommand(const CliOptions& options, const std::string& uri) {
    const std::optional<std::string> local = LocalJournalPath(options, "записей на этом месте нет");
    if (!local) {
        return kExitUsage;
    }
    const bool moved = MovePending(*local);
    if (uri.empty()) {
        Print(Out(), "Общий журнал не задан: записи остаются в местном журнале %s\n",
              local->c_str());
        return moved ? kExitOk : kExitFailed;
    }
    const std::string outbox = OutboxPath(*local);
    const SharedJournal::Probed probed = SharedJournal::Probe(uri);
    if (!probed.outcome.Ok()) {
        Say("zekt-cli: " + probed.outcome.Why());
        Print(Out(), "Ждут в очереди: %d\n", Outbox(outbox).Count());
        return kExitSharedJournal;
    }
    PrintProbe(probed);
    if (options.check && !QueueMissing(*local, uri, outbox)) {
        return kExitSharedJournal;
    }
    const SharedJournal::Synced synced = SharedJournal::Sync(uri, outbox);
    Print(Out(), "Отправлено в общий журнал: %d, ждут в очереди: %d\n", synced.sent,
          synced.waiting);
    if (synced.refused > 0) {
        Say("zekt-cli: " +
            SharedJournal::RefusedText(synced.refused, Outbox(outbox).RefusedPath()));
    }
    if (!synced.outcome.Ok()) {
        Say("zekt-cli: " + synced.outcome.Why());
        return kExitSharedJournal;
    }
    return synced.refused > 0 || !moved ? kExitFailed : kExitOk;
}

} // namespace

int JournalCommand(const CliOptions& options) {
    const std::string uri = SharedJournalUri(options);
    const bool lookup = options.journalAction.empty() || options.journalAction == "show" ||
                        options.journalAction == "radio" || options.journalAction == "report";
    if (lookup) {
        JournalSource source{{}, uri};
        if (uri.empty()) {
            const std::optional<std::string> local = LocalJournalPath(options, "искать негде");
            if (!local) {
                return kExitUsage;
            }
            source.localPath = *local;
        }
        if (options.journalAction == "radio") {
            return HistoryCommand(options, source);
        }
        if (options.journalAction == "report") {
            return ReportCommand(options, source);
        }
        return options.journalAction == "show" ? ShowCommand(options, source)
                                               : LookupCommand(options, source);
    }
    if (options.journalAction == "sync") {
        return SyncCommand(options, uri);
    }
    if (uri.empty()) {
        Say("zekt-cli: общий журнал не задан: укажите --journal-database АДРЕС или строку "
            "journal-database в файле настроек");
        return kExitUsage;
    }
    return InitDbCommand(uri);
}

} // namespace zekt
