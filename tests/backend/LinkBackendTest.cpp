#include "LinkBackend.h"

#include "TempFiles.h"
#include "USB_Prog.h"

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
