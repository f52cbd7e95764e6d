#include "LinkBackend.h"

#include "TempFiles.h"
#include "USB_Prog.h"
#include "UserSettings.h"

#include <QtTest>
#include <filesystem>

using namespace zekt;

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
            {{true, files.Path("new.hex"), 0, {}, ""}, ""},
            {{true, "", 5, {"unplug@3"}, ""}, ""},
            {{true, files.Path("dangling.hex"), 0, {}, ""}, "--simulate: "},
            {{true, files.Path("bad.hex"), 0, {}, ""}, "--simulate: "},
            {{true, "", 0, {"meltdown"}, ""}, "meltdown"},
            {{false, "", 5, {}, ""}, "--sim-delay работает только с --simulate"},
            {{false, "", 0, {"open"}, ""}, "--sim-fault работает только с --simulate"},
            {{true, "", 0, {}, files.Path("no/such/trace.txt")}, "--trace: "},
        };
        for (const auto& [settings, refusal] : cases) {
            LinkBackend backend;
            const std::string refused = backend.Open(settings);
            QVERIFY2(std::string_view(refusal).empty() ? refused.empty()
                                                       : refused.find(refusal) != std::string::npos,
                     refused.c_str());
        }
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
        QVERIFY(ReadUserSettings(files.Path("none.conf")).warnings.empty());
        QCOMPARE(ReadUserSettings(files.Path("")).warnings.size(), std::size_t(1)); // a folder
    }

    void simulatedRadioKeptInItsFileOnly() {
        TempFiles files;
        const std::string radio = files.Path("radio.hex");
        {
            LinkBackend backend;
            QVERIFY(backend.Open({true, radio, 0, {}, files.Path("trace.txt")}).empty());
            USB_Prog link(backend.Driver());
            QVERIFY(link.Test());
            QVERIFY(backend.SaveRadio().empty());
            QVERIFY(backend.CloseTrace().empty());
        }
        QVERIFY(std::filesystem::file_size(radio) > 0);
        QVERIFY(std::filesystem::file_size(files.Path("trace.txt")) > 0);
        LinkBackend blank;
        QVERIFY(blank.Open({true, "", 0, {}, ""}).empty());
        QVERIFY(blank.SaveRadio().empty()); // a blank radio is not kept anywhere
        QVERIFY(blank.Simulated());
    }
};

QTEST_GUILESS_MAIN(LinkBackendTest)
#include "LinkBackendTest.moc"
