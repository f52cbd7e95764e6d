#include "LinkBackend.h"

#include "ProgramSetUp.h"
#include "TempFiles.h"
#include "USB_Prog.h"
#include "UserSettings.h"

#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace zekt;

// A trace's name as the programs pass it, nothing else guarded.
std::optional<OutputFile> Output(const std::string& path) {
    return std::get<OutputFile>(OutputFile::Guard({"--trace", path}, {}));
}

class LinkBackendTest : public QObject {
    Q_OBJECT

private slots:
    // Both programs take their settings here: what is refused, with which
    // option named, and where the simulated radio is kept.
    void settingsRefusedOrTaken() {
        TempFiles files;
        std::filesystem::create_symlink(files.Path("gone.hex"), files.Path("dangling.hex"));
        files.Write("bad.hex", ":zz\n");
        const struct {
            LinkSettings settings;
            const char* refusal; // empty: taken
        } cases[] = {
            {{true, {files.Path("new.hex")}, 0, {}, {}}, ""},
            {{true, {}, 5, {"unplug@3"}, {}}, ""},
            {{true, {"", ""}, 0, {"SIM2:unplug@3"}, {}}, ""},
            {{true, {""}, 0, {"SIM2:unplug@3"}, {}}, "нет имитатора SIM2"},
            {{true, {files.Path("dangling.hex")}, 0, {}, {}}, "--simulate: "},
            {{true, {files.Path("bad.hex")}, 0, {}, {}}, "--simulate: "},
            {{true, {}, 0, {"meltdown"}, {}}, "meltdown"},
            {{false, {}, 5, {}, {}}, "--sim-delay работает только с --simulate"},
            {{false, {}, 0, {"open"}, {}}, "--sim-fault работает только с --simulate"},
            {{true, {}, 0, {}, Output(files.Path("no/such/trace.txt"))}, "--trace: "},
        };
        for (const auto& [settings, refusal] : cases) {
            LinkBackend backend;
            const Outcome opened = backend.Open(settings);
            const std::string& refused = opened.Why();
            QVERIFY2(std::string_view(refusal).empty()
                         ? opened.Ok()
                         : !opened.Ok() && refused.find(refusal) != std::string::npos,
                     refused.c_str());
        }
    }

    // The one set-up of both programs: each option, else the user's settings
    // file (whose lines not taken are warned about), else nothing.
    void setUpTakesOptionsOverTheSettingsFile() {
        const std::filesystem::path path = DefaultSettingsPath();
        std::filesystem::create_directories(path.parent_path());
        const char* const kept = "usb-latency = 3\njournal-database = postgresql://file/zekt\n"
                                 "radio-number = ask\n";
        const struct {
            const char* file;
            int latency;
            const char* database;
            const char* radio;
            int latencyInUse;
            const char* sharedJournal;
            const char* radioNumber;
            bool warned;
        } cases[] = {
            {kept, 0, "", "", 3, "postgresql://file/zekt", "ask", false},
            {kept, 7, "postgresql://option/zekt", "R-7", 7, "postgresql://option/zekt", "R-7",
             false},
            {"", 0, "", "", 0, "", "", false},
            {"usb-latency = x\n", 0, "", "", 0, "", "", true},
            // "ask" in any case, as the command line takes it too.
            {"radio-number = ASK\n", 0, "", "", 0, "", "ask", false},
        };
        for (const auto& [file, latency, database, radio, latencyInUse, sharedJournal, radioNumber,
                          warned] : cases) {
            std::ofstream(path) << file;
            LinkBackend backend;
            std::vector<std::string> warnings;
            CommonOptions options;
            options.link = {true, {""}, 0, {}, {}, latency};
            options.journalDatabase = database;
            options.radioNumber = radio;
            const ProgramSetUp setUp =
                SetUpProgram(options, backend,
                             [&warnings](const std::string& text) { warnings.push_back(text); });
            QVERIFY(setUp.opened.Ok());
            const auto link = backend.MakeLink(nullptr, nullptr);
            QVERIFY(link->Test());
            QCOMPARE(link->LatencyInUse(), latencyInUse);
            QCOMPARE(setUp.sharedJournal, std::string(sharedJournal));
            QCOMPARE(setUp.radioNumber, std::string(radioNumber));
            QCOMPARE(!warnings.empty(), warned);
        }
        std::filesystem::remove(path);
    }

    // The settings file: what is taken, what is warned about (by line).
    void settingsFileLines() {
        TempFiles files;
        const struct {
            const char* text;
            int latency;
            const char* warning; // empty: none
        } cases[] = {
            {"", 0, ""},
            {"\xEF\xBB\xBF# bench\r\n\r\n  usb-latency = 1  \r\n", 1, ""},
            {"usb-latency=255", 255, ""},
            {"usb-latency=2\nusb-latency=0\n", 2, "строка 2: usb-latency"},
            {"usb-latency=1.5", 0, "строка 1: usb-latency"},
            {"speed = 3", 0, "неизвестный параметр \"speed\""},
            {"usb-latency", 0, "имя = значение"},
        };
        for (const auto& [text, latency, warning] : cases) {
            const SettingsRead read = ReadUserSettings(files.Write("settings.conf", text));
            QCOMPARE(read.settings.usbLatencyMs, latency);
            const std::string said = read.warnings.empty() ? "" : read.warnings[0];
            QVERIFY2(*warning ? said.find(warning) != std::string::npos : said.empty(),
                     said.c_str());
        }
        // A file of junk: five lines said, then how many more.
        const std::vector<std::string> many =
            ReadUserSettings(
                files.Write("many.conf", std::string(20, '\n') + "a\nb\nc\nd\ne\nf\ng\n"))
                .warnings;
        QCOMPARE(many.size(), std::size_t(6));
        QVERIFY(many.back().ends_with("не приняты: 2"));
        QVERIFY(ReadUserSettings(files.Path("none.conf")).warnings.empty());
        QCOMPARE(ReadUserSettings(files.Path("")).warnings.size(), std::size_t(1)); // a folder
    }

    // Units are chosen by the exact serial number or location, else by the
    // one serial number that ends with the text.
    void unitsChosenBySerialNumber() {
        const std::vector<UnitInfo> attached = {
            {"FT4XK1A2", "1-4", 0x104, DeviceAccess::Free},
            {"FT4XK3B2", "1-5", 0x105, DeviceAccess::Busy},
            {"FT9Q0001", "2-1", 0x201, DeviceAccess::Free},
            {"FT9Q0001", "2-2", 0x202, DeviceAccess::Free},
            {"?", "3-1", 0x301, DeviceAccess::Denied},
        };
        const struct {
            std::vector<std::string> wanted;
            bool all;
            std::vector<std::string> chosen; // locations
            const char* refusal;
            bool ambiguous;
        } cases[] = {
            {{"FT4XK1A2"}, false, {"1-4"}, "", false},
            {{"1A2"}, false, {"1-4"}, "", false},
            {{"B2", "1-2"}, false, {"1-5"}, "не найдено (--unit 1-2)", false},
            {{"A2", "2-2"}, false, {"1-4", "2-2"}, "", false},
            {{"2"}, false, {}, "подходят несколько", true},
            {{"FT9Q0001"}, false, {}, "подходят несколько", true},
            {{"ZZ"}, false, {}, "не найдено (--unit ZZ)", false},
            {{"1A2", "FT4XK1A2"}, false, {}, "назван дважды", true},
            {{}, true, {"1-4", "1-5", "2-1", "2-2"}, "", false},
        };
        for (const auto& [wanted, all, chosen, refusal, ambiguous] : cases) {
            const UnitChoice choice = ChooseUnits(attached, wanted, all);
            QVERIFY2(*refusal ? choice.refusal && choice.refusal->find(refusal) != std::string::npos
                              : !choice.refusal,
                     choice.refusal.value_or("").c_str());
            QCOMPARE(choice.ambiguous, ambiguous);
            std::vector<std::string> locations;
            for (const UnitInfo& unit : choice.units) {
                locations.push_back(unit.location);
            }
            if (!choice.refusal) {
                QCOMPARE(locations, chosen);
            }
        }
        QVERIFY(ChooseUnits({}, {}, true).refusal->find("не найдено") != std::string::npos);
    }

    // Simulated units: one per file, SIM1, SIM2..., each link its own unit,
    // a fault for one of them, a busy one listed as such.
    void simulatedUnitsApart() {
        TempFiles files;
        LinkBackend backend;
        QVERIFY(
            backend.Open({true, {files.Path("a.hex"), files.Path("b.hex")}, 0, {"SIM2:busy"}, {}})
                .Ok());
        const std::vector<UnitInfo> units = backend.ListUnits();
        QCOMPARE(units.size(), std::size_t(2));
        QCOMPARE(UnitLine(units[0]), std::string("SIM1                sim       свободен"));
        QCOMPARE(UnitLine(units[1]), std::string("SIM2                sim       занят"));
        const auto first = backend.MakeLink(&units[0], nullptr);
        QVERIFY(first->Test());
        QCOMPARE(first->SerialNumber(), std::string("SIM1"));
        const auto second = backend.MakeLink(&units[1], nullptr);
        QVERIFY(!second->Open()); // held by "another program"
        QVERIFY(backend.SaveRadio(&units[0]).Ok());
        QVERIFY(std::filesystem::exists(files.Path("a.hex")));
        QVERIFY(!std::filesystem::exists(files.Path("b.hex")));
    }

    // A radio file one program simulates is a busy unit to another, whose
    // saves would overwrite it; it is free again once the first has ended.
    void simulatedRadioHeldByOneProgram() {
        TempFiles files;
        const std::string radio = files.Path("radio.hex");
        auto first = std::make_unique<LinkBackend>();
        QVERIFY(first->Open({true, {radio}, 0, {}, {}}).Ok());
        const auto link = first->MakeLink(nullptr, nullptr);
        QVERIFY(link->Test());
        QVERIFY(first->SaveRadio().Ok());
        const auto saved = std::filesystem::last_write_time(radio);

        LinkBackend second; // by another name
        std::filesystem::create_symlink(radio, files.Path("link.hex"));
        QVERIFY(second.Open({true, {files.Path("link.hex")}, 0, {}, {}}).Ok());
        QCOMPARE(UnitLine(second.ListUnits().front()),
                 std::string("SIM1                sim       занят"));
        const auto other = second.MakeLink(nullptr, nullptr);
        QVERIFY(!other->Open());
        QVERIFY(second.SaveRadio().Ok());
        QCOMPARE(std::filesystem::last_write_time(radio), saved);

        // A hard link is the same radio too.
        QCOMPARE(::link(radio.c_str(), files.Path("hard.hex").c_str()), 0);
        first.reset();
        auto fourth = std::make_unique<LinkBackend>();
        QVERIFY(fourth->Open({true, {radio}, 0, {}, {}}).Ok()); // now by its inode as well
        QCOMPARE(fourth->ListUnits().front().access, DeviceAccess::Free);
        LinkBackend byHardLink;
        QVERIFY(byHardLink.Open({true, {files.Path("hard.hex")}, 0, {}, {}}).Ok());
        QCOMPARE(byHardLink.ListUnits().front().access, DeviceAccess::Busy);

        fourth.reset();
        LinkBackend third;
        QVERIFY(third.Open({true, {radio}, 0, {}, {}}).Ok());
        QCOMPARE(third.ListUnits().front().access, DeviceAccess::Free);
    }

    void simulatedRadioKeptInItsFileOnly() {
        TempFiles files;
        const std::string radio = files.Path("radio.hex");
        {
            LinkBackend backend;
            QVERIFY(backend.Open({true, {radio}, 0, {}, Output(files.Path("trace.txt"))}).Ok());
            const auto link = backend.MakeLink(nullptr, nullptr);
            QVERIFY(link->Test());
            QVERIFY(backend.SaveRadio().Ok());
            QVERIFY(backend.CloseTrace().Ok());
        }
        QVERIFY(std::filesystem::file_size(radio) > 0);
        QVERIFY(std::filesystem::file_size(files.Path("trace.txt")) > 0);
        // A radio no run changed is not written again (each write replaces
        // the file: a new inode).
        const auto inode = [&radio] {
            struct stat st {};
            return stat(radio.c_str(), &st) == 0 ? st.st_ino : ino_t(0);
        };
        {
            LinkBackend again;
            QVERIFY(again.Open({true, {radio}, 0, {}, {}}).Ok());
            const ino_t loaded = inode();
            QVERIFY(again.SaveRadio().Ok());
            QCOMPARE(inode(), loaded);
            const auto link = again.MakeLink(nullptr, nullptr);
            QVERIFY(link->Test()); // the test touches no memory
            QVERIFY(again.SaveRadio().Ok());
            QCOMPARE(inode(), loaded);
        }
        LinkBackend blank;
        QVERIFY(blank.Open({true, {""}, 0, {}, {}}).Ok());
        QVERIFY(blank.SaveRadio().Ok()); // a blank radio is not kept anywhere
        QVERIFY(blank.Simulated());
    }
};

QTEST_GUILESS_MAIN(LinkBackendTest)
#include "LinkBackendTest.moc"
