#include "CliOptions.h"

#include "RadioNumber.h"
#include "SharedOptions.h"
#include "USB_Prog.h"
#include "UserSettings.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <set>

namespace zekt {

const char* const kCliUsage =
    "Использование: zekt-cli [--simulate RADIO.hex]... [--sim-delay MS] [--sim-fault ОТКАЗ]...\n"
    "                        [--workdir ПАПКА] [--trace ФАЙЛ] [--journal ФАЙЛ]\n"
    "                        [--journal-database АДРЕС]\n"
    "                        [--usb-latency MS] [--unit СЕРИЙНЫЙ]... [--all-units]\n"
    "                        [--radio-number ask|НОМЕР] КОМАНДА ...\n"
    "  test                                   тест программатора\n"
    "  units                                  подключённые программаторы\n"
    "  program CONFIG.prg [--firmware ФАЙЛ] [--band НИЖН ВЕРХН] [--force-band] [--yes]\n"
    "          [--repeat]                     программирование радиостанции\n"
    "  write-frequencies CONFIG.prg [--firmware ФАЙЛ] [--band НИЖН ВЕРХН] [--force-band]\n"
    "          [--yes]                        запись частот\n"
    "  read [--save OUT.prg] [--yes]          чтение конфигурации: сводка и таблица каналов\n"
    "  verify CONFIG.prg [--firmware ФАЙЛ] [--band НИЖН ВЕРХН] [--yes]\n"
    "                                         сравнение радиостанции с CONFIG.prg\n"
    "  backup OUT.hex                         копия всей микросхемы в файл Intel HEX\n"
    "  export-csv CONFIG.prg [OUT.csv]        таблица каналов в CSV (без OUT - в стандартный "
    "вывод)\n"
    "  import-csv CHANNELS.csv CONFIG.prg     замена каналов CONFIG.prg таблицей CSV\n"
    "  journal [--since ДАТА] [--until ДАТА] [--unit СЕРИЙНЫЙ] [--bench МЕСТО]\n"
    "          [--result ИТОГ] [--config ФАЙЛ.prg] [--radio НОМЕР] [--csv] [--limit N]\n"
    "                                         работы из журнала: общего, если он задан, иначе\n"
    "                                         местного (даты ГГГГ-ММ-ДД включительно; итог\n"
    "                                         успешно, ошибка, прервано, отказ или ok, failed,\n"
    "                                         cancelled, refused; --config - работы с\n"
    "                                         этим файлом, по его содержимому; показываются\n"
    "                                         первые 1000, --limit N - первые N, 0 - все)\n"
    "  journal radio НОМЕР [--csv]            все работы с радиостанцией, по порядку, и где\n"
    "                                         менялась её конфигурация\n"
    "  journal report [--since ДАТА] [--until ДАТА] [--bench МЕСТО] --html OUT.html\n"
    "                                         отчёт мастерской: страница с графиками работ по\n"
    "                                         дням и местам, итогов, ошибок программаторов,\n"
    "                                         повторно запрограммированных радиостанций и\n"
    "                                         конфигураций\n"
    "  journal show ЗАПИСЬ [--save OUT.prg]   одна работа; --save - копия радиостанции\n"
    "                                         (чтение, резервная копия) в файл\n"
    "  journal init-db                        создание или обновление общего журнала в базе\n"
    "  journal sync [--check]                 отправка очереди в общий журнал; --check -\n"
    "                                         сверка местного журнала с общим и отправка\n"
    "                                         недостающих записей\n"
    "\n"
    "  --simulate RADIO.hex  имитатор программатора с микросхемой радиостанции из файла\n"
    "                        (пустой, если файла нет; сохраняется после команды); каждый\n"
    "                        --simulate - ещё один имитатор: SIM1, SIM2, ...\n"
    "  --sim-delay MS        имитатор отвечает через MS миллисекунд (0-10000)\n"
    "  --sim-fault ОТКАЗ     отказ имитатора (можно указать несколько раз; SIM2:ОТКАЗ - только\n"
    "                        у SIM2, иначе у каждого):\n"
    "%s"
    "  --workdir ПАПКА       папка запуска: стандартные программы берутся из ПАПКА/WORK\n"
    "  --trace ФАЙЛ          все кадры обмена с отметками времени\n"
    "  --unit СЕРИЙНЫЙ       программатор с этим серийным номером USB (или с таким окончанием\n"
    "                        номера); несколько --unit или --all-units: по радиостанции на\n"
    "                        каждом программаторе одновременно\n"
    "  --all-units           все подключённые программаторы\n"
    "  --usb-latency MS      таймер задержки микросхемы USB программатора, 1-255 мс (без него\n"
    "                        таймер не меняется; 1 ускоряет программирование в несколько раз)\n"
    "  --journal ФАЙЛ        журнал работ (по умолчанию %sjournal.csv;\n"
    "                        пустое имя отключает журнал)\n"
    "  --journal-database АДРЕС  общий журнал мастерской в PostgreSQL (адрес libpq:\n"
    "                        postgresql://ПОЛЬЗОВАТЕЛЬ@СЕРВЕР/БАЗА; пароль - в %s);\n"
    "                        без него - journal-database из файла настроек\n"
    "  --firmware ФАЙЛ       файл программы, если конфигурация требует программу по выбору\n"
    "  --band НИЖН ВЕРХН     свои границы диапазона в МГц вместо предустановленного\n"
    "  --force-band          программировать и каналы вне выбранного диапазона (без него\n"
    "                        такая конфигурация отклоняется с их списком)\n"
    "  --repeat              программировать радиостанции одну за другой, спрашивая после "
    "каждой\n"
    "  --radio-number НОМЕР  номер радиостанции (с корпуса) для журнала; ask - спрашивать\n"
    "                        номер каждой радиостанции (строка с терминала или сканера;\n"
    "                        пустая - без номера); без него - radio-number из файла настроек\n"
    "  --yes                 подтвердить защиту от чтения; не ждать у приглашений подключить\n"
    "                        радиостанцию (на терминале они ждут Enter; n или Ctrl+C - отмена)\n"
    "  --help, --version     эта справка; версия программы\n"
    "  --                    конец параметров (имя файла может начинаться с \"-\")\n"
    "\n"
    "Код завершения: 0 успешно, 1 отказ программатора или радиостанции (или отмена),\n"
    "2 ошибка в командной строке или во входном файле, 3 verify: радиостанция отличается от\n"
    "файла, 4 работа выполнена, но её запись не сохранена ни в журнале, ни в очереди общего\n"
    "журнала (записи перечисляются в конце), 5 journal sync: общий журнал недоступен или не\n"
    "принимает записи этого места, 128+N сигнал N прервал работу с\n"
    "радиостанцией (130 Ctrl+C, 143 SIGTERM, 129 SIGHUP); сигнал после последнего обмена с\n"
    "ней или у вопроса о следующей радиостанции прерывать нечего: код и журнал остаются как\n"
    "без него.\n";

namespace {

// Each command with the number of files it takes (at least, at most) and
// which of them, counted from 1, is the file it writes (0: none).
struct CommandFiles {
    std::size_t least;
    std::size_t most;
    std::size_t output = 0;
};
const std::map<std::string, CommandFiles> kCommands = {
    {"test", {0, 0}},          {"units", {0, 0}},
    {"program", {1, 1}},       {"write-frequencies", {1, 1}},
    {"read", {0, 0}},          {"verify", {1, 1}},
    {"backup", {1, 1, 1}},     {"export-csv", {1, 2, 2}},
    {"import-csv", {2, 2, 2}}, {"journal", {0, 2}}};

// The options that ask the journal lookup.
const std::set<std::string> kLookupOptions = {
    std::string(kSinceOption.name),  std::string(kUntilOption.name),
    std::string(kBenchOption.name),  std::string(kResultOption.name),
    std::string(kConfigOption.name), std::string(kRadioOption.name),
    std::string(kCsvOption.name),    std::string(kLimitOption.name)};

bool LooksLikeOption(const std::string& text) {
    return text.size() > 1 && text[0] == '-';
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args(args) {}

    CliOptions Run();

private:
    const std::vector<std::string>& args;
    std::size_t i = 0;
    CliOptions o;
    std::vector<std::string> positional;
    std::set<std::string> given;
    bool saveGiven = false;
    std::optional<std::string> inlineValue; // of --name=value

    void Refuse(const std::string& why) {
        if (!o.error) {
            o.error = why;
        }
    }
    // The option's value; false (refused) when there is none.
    bool Value(const std::string& option, std::string& value) {
        if (inlineValue) {
            value = *inlineValue;
            inlineValue.reset();
            return true;
        }
        if (i + 1 >= args.size()) {
            Refuse("параметру " + option + " нужно значение");
            return false;
        }
        value = args[++i];
        return true;
    }
    // A file name: never empty, never an option by mistake ("./-name" is a name).
    void File(const std::string& option, std::string& path, bool emptyAllowed = false) {
        if (!Value(option, path)) {
            return;
        }
        if (path.empty() && !emptyAllowed) {
            Refuse("параметру " + option + " нужно имя файла, а не пустая строка");
        } else if (LooksLikeOption(path)) {
            Refuse("параметру " + option + " нужно имя файла, а не \"" + path +
                   "\" (файл с таким именем: ./" + path + ")");
        }
    }
    void Option(const std::string& a);
    void Keep(const ProgramOption& option, const std::string& value);
    void Command();
    void LookedUpRadio();
    void RadioNumberFits();
    void JournalCommand();
    bool LookupAsked() const;
};

bool Parser::LookupAsked() const {
    return std::any_of(kLookupOptions.begin(), kLookupOptions.end(),
                       [this](const std::string& option) { return given.count(option) > 0; });
}

// Where each option's value goes.
using Switch = bool CliOptions::*;
const std::map<const ProgramOption*, Switch> kSwitches = {
    {&kHelpOption, &CliOptions::help},
    {&kVersionOption, &CliOptions::version},
    {&kAllUnitsOption, &CliOptions::allUnits},
    {&kYesOption, &CliOptions::yes},
    {&kForceBandOption, &CliOptions::forceBand},
    {&kRepeatOption, &CliOptions::repeat},
    {&kCsvOption, &CliOptions::csv},
    {&kCheckOption, &CliOptions::check}};
using Text = std::string CliOptions::*;
const std::map<const ProgramOption*, Text> kTexts = {
    {&kWorkdirOption, &CliOptions::workdir}, {&kFirmwareOption, &CliOptions::firmware},
    {&kSaveOption, &CliOptions::outputFile}, {&kSinceOption, &CliOptions::since},
    {&kUntilOption, &CliOptions::until},     {&kBenchOption, &CliOptions::bench},
    {&kResultOption, &CliOptions::result},   {&kConfigOption, &CliOptions::inputFile},
    {&kRadioOption, &CliOptions::radio},     {&kHtmlOption, &CliOptions::htmlFile}};

void Parser::Option(const std::string& a) {
    const ProgramOption* option = FindOption(a, kCliProgram);
    if (option != nullptr && !option->repeatable && !given.insert(a).second) {
        Refuse("параметр " + a + " указан второй раз");
        return;
    }
    if (option == nullptr) {
        Refuse("неизвестный параметр " + a);
        return;
    }
    std::string value;
    if (option->value == OptionValue::TwoTexts) {
        o.band = Value(a, o.bandLow) && Value(a, o.bandHigh);
        return;
    }
    const bool taken = option->value == OptionValue::None || Value(a, value);
    if (!taken) {
        Keep(*option, value);
        return;
    }
    if (const std::optional<std::string> refusal = RefuseOptionValue(*option, value)) {
        Refuse(*refusal);
    } else if ((option->value == OptionValue::File || option->value == OptionValue::Output ||
                option->value == OptionValue::FileOrEmpty) &&
               LooksLikeOption(value)) {
        Refuse("параметру " + a + " нужно имя файла, а не \"" + value +
               "\" (файл с таким именем: ./" + value + ")");
    }
    Keep(*option, value);
}

void Parser::Keep(const ProgramOption& option, const std::string& value) {
    CommonOptions& common = o.common;
    if (const auto it = kSwitches.find(&option); it != kSwitches.end()) {
        o.*(it->second) = true;
    } else if (const auto text = kTexts.find(&option); text != kTexts.end()) {
        o.*(text->second) = value;
    } else if (&option == &kSimulateOption) {
        common.link.simulate = true;
        common.link.radioFiles.push_back(value);
    } else if (&option == &kSimDelayOption) {
        (void)ParseOptionMs(option, value, common.link.simDelayMs);
    } else if (&option == &kUsbLatencyOption) {
        (void)ParseOptionMs(option, value, common.link.usbLatencyMs);
    } else if (&option == &kSimFaultOption) {
        common.link.simFaults.push_back(value);
    } else if (&option == &kTraceOption) {
        o.traceFile = value;
    } else if (&option == &kUnitOption) {
        o.units.push_back(value);
    } else if (&option == &kJournalOption) {
        common.journalFile = value;
    } else if (&option == &kJournalDatabaseOption) {
        common.journalDatabase = value;
    } else if (&option == &kRadioNumberOption) {
        common.radioNumber =
            IsRadioNumberAsk(value) ? kRadioNumberAsk : ReadRadioNumber(value).number;
    } else if (&option == &kLimitOption) {
        std::size_t limit = 0;
        if (std::from_chars(value.data(), value.data() + value.size(), limit).ec == std::errc()) {
            o.limit = limit;
        }
    }
    saveGiven = saveGiven || &option == &kSaveOption;
}

// A number given on the command line is one radio's.
void Parser::RadioNumberFits() {
    if (o.common.radioNumber.empty()) {
        return;
    }
    static const std::set<std::string> kOnRadios = {"program", "write-frequencies", "read",
                                                    "verify", "backup"};
    if (kOnRadios.count(o.command) == 0) {
        Refuse("--radio-number относится к program, write-frequencies, read, verify и backup");
    } else if (o.common.radioNumber != kRadioNumberAsk &&
               (o.repeat || o.allUnits || o.units.size() > 1)) {
        Refuse("--radio-number " + o.common.radioNumber +
               " - номер одной радиостанции; для нескольких: --radio-number ask");
    }
}

CliOptions Parser::Run() {
    bool optionsEnded = false;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a.starts_with("--") && a.find('=') != std::string::npos) {
            const std::size_t equals = a.find('=');
            inlineValue = a.substr(equals + 1);
            Option(a.substr(0, equals));
            if (inlineValue) {
                Refuse("параметру " + a.substr(0, equals) + " не нужно значение");
                inlineValue.reset();
            }
        } else if (!optionsEnded && LooksLikeOption(a)) {
            Option(a);
        } else {
            positional.push_back(a);
        }
    }
    if (!o.help && !o.version) {
        Command();
        LookedUpRadio();
    }
    return o;
}

// A radio looked up by its number is read as a typed number is recorded:
// blanks around it trimmed, anything a number cannot hold refused.
void Parser::LookedUpRadio() {
    if (o.radio.empty()) {
        return;
    }
    const RadioNumberInput number = ReadRadioNumber(o.radio);
    if (number.refusal) {
        Refuse("нужен " + *number.refusal);
    } else {
        o.radio = number.number;
    }
}

void Parser::Command() {
    if (positional.empty()) {
        Refuse("не указана команда");
        return;
    }
    o.command = positional[0];
    const auto command = kCommands.find(o.command);
    if (command == kCommands.end()) {
        Refuse("неизвестная команда " + o.command);
        return;
    }
    if (o.command == "journal") {
        JournalCommand();
        return;
    }
    if (LookupAsked()) {
        Refuse("--since, --until, --bench, --result, --config, --radio, --csv и --limit относятся "
               "к journal");
    }
    if (o.check) {
        Refuse("--check относится к journal sync");
    }
    if (!o.htmlFile.empty()) {
        Refuse("--html относится к journal report");
    }
    const std::size_t files = positional.size() - 1;
    if (files < command->second.least || files > command->second.most) {
        Refuse("команде " + o.command +
               (command->second.most == 0    ? " не нужны файлы"
                : command->second.least == 2 ? " нужны два файла"
                                             : " нужен один файл"));
        return;
    }
    for (std::size_t f = 1; f <= files; ++f) {
        if (positional[f].empty()) {
            Refuse("имя файла не может быть пустым");
        }
    }
    for (std::size_t f = 1; f <= files; ++f) {
        (f == command->second.output ? o.outputFile : o.inputFile) = positional[f];
    }
    const bool writes = o.command == "program" || o.command == "write-frequencies";
    const bool builds = writes || o.command == "verify";
    if (!builds && (!o.firmware.empty() || o.band)) {
        Refuse("--firmware и --band относятся к program, write-frequencies и verify");
    }
    if (!builds && o.yes && o.command != "read") {
        Refuse("--yes относится к program, write-frequencies, read и verify");
    }
    if (saveGiven && o.command != "read") {
        Refuse("--save относится к read и journal show");
    }
    const bool several = o.allUnits || o.units.size() > 1;
    if ((several || !o.units.empty()) &&
        (o.command == "units" || o.command == "export-csv" || o.command == "import-csv")) {
        Refuse("--unit и --all-units относятся к командам, работающим с программатором");
    } else if (several && (o.command == "backup" || saveGiven)) {
        // Every unit would write the one file named: all but one radio lost.
        Refuse((o.command == "backup" ? std::string("backup") : std::string("read --save")) +
               " работает с одним программатором");
    } else if (o.allUnits && !o.units.empty()) {
        Refuse("--all-units и --unit вместе не указываются");
    }
    if (o.repeat && o.command != "program") {
        Refuse("--repeat относится к program");
    }
    if (o.forceBand && !writes) {
        Refuse("--force-band относится к program и write-frequencies");
    }
    RadioNumberFits();
}

// journal [filter], journal show ID, journal init-db, journal sync.
void Parser::JournalCommand() {
    const std::vector<std::string> words(positional.begin() + 1, positional.end());
    o.journalAction = words.empty() ? std::string() : words[0];
    const bool named = o.journalAction == "show" || o.journalAction == "radio";
    const bool report = o.journalAction == "report";
    const std::size_t wordsWanted = named ? 2 : o.journalAction.empty() ? 0 : 1;
    if (o.journalAction != "" && !named && !report && o.journalAction != "init-db" &&
        o.journalAction != "sync") {
        Refuse("команде journal нужно show ЗАПИСЬ, radio НОМЕР, report, init-db или sync, а не \"" +
               o.journalAction + "\"");
    } else if (words.size() != wordsWanted) {
        Refuse(o.journalAction == "show" ? "команде journal show нужен номер записи"
               : o.journalAction == "radio"
                   ? "команде journal radio нужен номер радиостанции"
                   : "команде journal " + o.journalAction + " не нужно ничего, кроме параметров");
    } else if (o.journalAction == "show") {
        o.journalId = words[1];
    } else if (o.journalAction == "radio") {
        if (given.count(std::string(kRadioOption.name)) > 0) {
            Refuse("номер радиостанции указан дважды: journal radio НОМЕР и --radio");
        }
        o.radio = words[1];
    }
    // Options given beyond those an action takes.
    const auto givenBeyond = [this](const std::set<std::string>& allowed) {
        return std::any_of(kLookupOptions.begin(), kLookupOptions.end(),
                           [&](const std::string& option) {
                               return allowed.count(option) == 0 && given.count(option) > 0;
                           });
    };
    const bool historyAsked = o.journalAction == "radio" &&
                              !givenBeyond({std::string(kCsvOption.name)}) && o.units.empty();
    const bool reportAsked =
        report &&
        !givenBeyond({std::string(kSinceOption.name), std::string(kUntilOption.name),
                      std::string(kBenchOption.name)}) &&
        o.units.empty();
    if (report && o.htmlFile.empty()) {
        Refuse("команде journal report нужно --html ФАЙЛ.html: куда записать отчёт");
    } else if (!report && !o.htmlFile.empty()) {
        Refuse("--html относится к journal report");
    }
    if (!o.journalAction.empty() && (LookupAsked() || !o.units.empty()) && !historyAsked &&
        !reportAsked) {
        Refuse("--since, --until, --unit, --bench, --result, --config, --radio, --csv и --limit "
               "относятся к journal без действия (journal radio берёт только --csv, journal "
               "report - --since, --until и --bench)");
    }
    if (o.check && o.journalAction != "sync") {
        Refuse("--check относится к journal sync");
    }
    if (saveGiven && o.journalAction != "show") {
        Refuse("--save относится к read и journal show");
    }
    if (o.allUnits || o.units.size() > 1) {
        Refuse("journal ищет по одному --unit");
    }
}

} // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& args) {
    return Parser(args).Run();
}

std::vector<OutputPlace> CliOutputPlaces() {
    std::vector<OutputPlace> places;
    for (const ProgramOption* option : kProgramOptions) {
        if (option->value == OptionValue::Output && (option->programs & kCliProgram) != 0) {
            places.push_back({std::string(option->name), {}, 0});
        }
    }
    for (const auto& [command, files] : kCommands) {
        if (files.output != 0) {
            places.push_back({{}, command, files.output});
        }
    }
    return places;
}

} // namespace zekt
