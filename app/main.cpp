// zekt-programmer [--simulate [RADIO.hex]] [--sim-delay=MS] [--sim-fault=FAULT]... [Qt options]
//
// Without --simulate the program looks for a real programmer unit through
// libftdi1. With it, a simulated unit with a simulated radio stands in; a
// file given to it holds that radio's chip between runs.
#include "AppMessages.h"
#include "Console.h"
#include "ErrorReportingApplication.h"
#include "Firmware.h"
#include "FrameWatch.h"
#include "HardwareDriver.h"
#include "LinkBackend.h"
#include "Notices.h"
#include "OperatorDialogs.h"
#include "ProgramSetUp.h"
#include "RadioNumber.h"
#include "RunStop.h"
#include "RussianTexts.h"
#include "SafeFile.h"
#include "SharedOptions.h"
#include "StartUpMessages.h"
#include "StopEvents.h"
#include "StopRequests.h"
#include "TFUser.h"
#include "TJournal.h"
#include "UserSettings.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <set>

namespace {

struct Options {
    // The units, the link and the journals, as zekt-cli takes them too; one
    // simulated unit, its radio file empty when none was named.
    zekt::CommonOptions common;
    QString unit; // the unit's serial number or its trailing part; empty: the first found
    bool exitWhenShown = false; // for the start-up benchmark
    bool help = false;
    bool version = false;
    QString workdir; // the start folder; empty: the current one
    QString error;   // the option that was refused
};

// The usage with this system's per-user folders.
std::string Usage() {
    const char* data = zekt::UserFolderShown(zekt::UserPlace::Data);
    const char* config = zekt::UserFolderShown(zekt::UserPlace::Config);
    const char* password = zekt::PasswordFileShown();
    std::string text(std::snprintf(nullptr, 0, zekt::msg::kWindowUsage, data, password, config),
                     '\0');
    std::snprintf(text.data(), text.size() + 1, zekt::msg::kWindowUsage, data, password, config);
    return text;
}

// Qt's own options, which QApplication takes out of the arguments; those in
// the first list take a value. Known here so that a wrong option is reported
// before a display is needed.
const std::set<QString> kQtOptionsWithValue = {"platform",
                                               "platformpluginpath",
                                               "platformtheme",
                                               "plugin",
                                               "qwindowgeometry",
                                               "geometry",
                                               "qwindowtitle",
                                               "title",
                                               "qwindowicon",
                                               "icon",
                                               "session",
                                               "style",
                                               "stylesheet",
                                               "display",
                                               "name",
                                               "font",
                                               "fn",
                                               "background",
                                               "bg",
                                               "foreground",
                                               "fg",
                                               "button",
                                               "btn",
                                               "visual"};
const std::set<QString> kQtFlags = {"reverse", "widgetcount", "nograb",
                                    "dograb",  "sync",        "testability"};

// Keeps a value the option table accepted where the window's options go.
void KeepValue(const zekt::ProgramOption& option, const QString& text, Options& options) {
    zekt::CommonOptions& common = options.common;
    const std::string value = text.toStdString();
    if (&option == &zekt::kSimDelayOption) {
        (void)zekt::ParseOptionMs(option, value, common.link.simDelayMs);
    } else if (&option == &zekt::kUsbLatencyOption) {
        (void)zekt::ParseOptionMs(option, value, common.link.usbLatencyMs);
    } else if (&option == &zekt::kSimFaultOption) {
        common.link.simFaults.push_back(value);
    } else if (&option == &zekt::kUnitOption) {
        options.unit = text;
    } else if (&option == &zekt::kJournalOption) {
        common.journalFile = value;
    } else if (&option == &zekt::kJournalDatabaseOption) {
        common.journalDatabase = value;
    } else if (&option == &zekt::kWorkdirOption) {
        options.workdir = text;
    } else if (&option == &zekt::kRadioNumberOption) {
        common.radioNumber = zekt::kRadioNumberAsk; // the only value the window takes
    }
}

// One of our options at args[i], as --name=value or --name value (then i
// moves past the value); false when it is none of ours.
bool TakeOwnOption(const QStringList& args, int& i, Options& options) {
    const QString& arg = args[i];
    const bool inline_ = arg.contains('=');
    const zekt::ProgramOption* option =
        zekt::FindOption(arg.section('=', 0, 0).toStdString(), zekt::kWindowProgram);
    if (option == nullptr || (option->value == zekt::OptionValue::None && inline_)) {
        return false;
    }
    if (option == &zekt::kSimulateOption) { // may stand alone: a blank radio, not kept
        options.common.link.simulate = true;
        QString file = arg.section('=', 1);
        if (!inline_ && i + 1 < args.size() && !args[i + 1].startsWith('-')) {
            file = args[++i]; // as zekt-cli takes it
        }
        options.common.link.radioFiles = {file.toStdString()};
        return true;
    }
    if (option->value == zekt::OptionValue::None) {
        options.help = options.help || option == &zekt::kHelpOption;
        options.version = options.version || option == &zekt::kVersionOption;
        options.exitWhenShown = options.exitWhenShown || option == &zekt::kExitWhenShownOption;
        return true;
    }
    QString text;
    if (inline_) {
        text = arg.section('=', 1);
    } else if (i + 1 < args.size()) {
        text = args[++i];
    } else {
        options.error = arg;
        return true;
    }
    // The window asks each radio's number; one number is for one radio.
    const bool fits =
        !zekt::RefuseOptionValue(*option, text.toStdString()) &&
        (option != &zekt::kRadioNumberOption || zekt::IsRadioNumberAsk(text.toStdString()));
    if (fits) {
        KeepValue(*option, text, options);
    } else {
        options.error = arg;
    }
    return true;
}

// Before the application object exists: our options, Qt's passed over.
Options ParseOptions(const QStringList& args) {
    Options options;
    options.common.link.radioFiles = {std::string()};
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (TakeOwnOption(args, i, options)) {
            continue;
        }
        QString name = arg;
        while (name.startsWith('-')) {
            name.remove(0, 1);
        }
        name = name.section('=', 0, 0);
        if (arg.startsWith('-') && kQtOptionsWithValue.count(name) != 0) {
            i += arg.contains('=') ? 0 : 1;
        } else if (arg.startsWith('-') && kQtFlags.count(name) == 0) {
            options.error = arg;
        } else if (!arg.startsWith('-')) {
            options.error = arg;
        }
    }
    return options;
}

QStringList Arguments(int argc, char** argv) {
    QStringList args;
    const std::vector<std::string> given = zekt::CommandLineArguments(argc, argv);
    for (std::size_t i = 1; i < given.size(); ++i) {
        args << QString::fromStdString(given[i]);
    }
    return args;
}

// The files the window writes apart from each other, from what the program
// keeps and from the standard firmware it reads (the start folder is
// current); nothing when they are.
std::optional<std::string> FilesClash(const Options& options) {
    const std::vector<zekt::NamedFile> firmware = zekt::StandardFirmwareInputs({});
    const std::string journal = zekt::ChooseJournal(options.common.journalFile).path;
    std::vector<zekt::GuardedFile> guarded = zekt::ProgramKeptFiles(journal);
    const std::vector<zekt::GuardedFile> read = zekt::GuardedFiles(firmware);
    guarded.insert(guarded.end(), read.begin(), read.end());
    const zekt::OutputsChecked checked =
        zekt::GuardOutputs({{"--simulate", options.common.link.radioFiles.front()}}, guarded);
    if (checked.refusal) {
        return checked.refusal;
    }
    std::vector<zekt::NamedFile> apart = firmware;
    apart.push_back({"файл настроек", zekt::DefaultSettingsPath()});
    return zekt::FilesClash({{options.common.journalFile ? "--journal" : "журнал", journal}},
                            apart);
}

void SayOnStandardError(const std::string& text) {
    zekt::Print(stderr, "zekt-programmer: %s\n", text.c_str());
}

// The window's size, frame, whether the fit to the frame was seen (a resize
// after the first paint) and scroll bars, for desktop checks.
void ReportFit(const zekt::TFUser& w, const char* refit) {
    const QSize natural = w.NaturalSize();
    const QRect frame = w.frameGeometry();
    zekt::Print(stdout, "fitted %dx%d frame %dx%d+%d+%d natural %dx%d refit %s scroll %s%s\n",
                w.width(), w.height(), frame.width(), frame.height(), frame.x(), frame.y(),
                natural.width(), natural.height(), refit,
                w.ScrollClient->horizontalScrollBar()->isVisible() ? "h" : "",
                w.ScrollClient->verticalScrollBar()->isVisible() ? "v" : "");
    std::fflush(stdout);
}

// A usage error: the mistake and where the help is, not the whole help.
int UsageError(const QString& option) {
    zekt::Print(stderr, "zekt-programmer: неизвестный или неверный параметр %s\n",
                qPrintable(option));
    zekt::WriteText(stderr, "Подробнее: zekt-programmer --help\n");
    return 2;
}

// --help, --version or a mistake: the exit status; nothing when the window
// is to start.
std::optional<int> AnswerWithoutWindow(const Options& options) {
    if (options.help) {
        zekt::WriteText(stdout, Usage());
        return 0;
    }
    if (options.version) {
        zekt::Print(stdout, "zekt-programmer %s\n", ZEKT_VERSION);
        return 0;
    }
    if (!options.error.isEmpty()) {
        return UsageError(options.error);
    }
    return std::nullopt;
}

// Files named on the command line are meant relative to where the call was
// made, whatever folder a file dialog or --workdir makes current later; the
// firmware's WORK folder is the start folder's. Nothing, or the exit status.
std::optional<int> SettleFiles(Options& options) {
    std::string* journal = options.common.journalFile ? &*options.common.journalFile : nullptr;
    for (std::string* path : {&options.common.link.radioFiles.front(), journal}) {
        if (path != nullptr && !path->empty()) {
            *path = QFileInfo(QString::fromStdString(*path)).absoluteFilePath().toStdString();
        }
    }
    if (!options.workdir.isEmpty() && !QDir::setCurrent(options.workdir)) {
        zekt::Print(stderr, "zekt-programmer: папка %s не существует или недоступна (--workdir)\n",
                    qPrintable(options.workdir));
        return 2;
    }
    if (const std::optional<std::string> clash = FilesClash(options)) {
        SayOnStandardError(*clash);
        return 2;
    }
    return std::nullopt;
}

// The units and the journals as the options and the settings file describe
// them. Nothing, or the exit status.
std::optional<int> SetUp(const Options& options, zekt::LinkBackend& backend,
                         std::optional<zekt::ProgramSetUp>& setUp) {
    setUp = zekt::SetUpProgram(options.common, backend, SayOnStandardError);
    if (setUp->opened.Ok()) {
        return std::nullopt;
    }
    SayOnStandardError(setUp->opened.Why());
    if (backend.HardwareMissing()) {
        // Files, panels and the journal need no unit: the window opens, and
        // each command that needs the unit says what is missing.
        return std::nullopt;
    }
    return 1;
}

// The unit --unit names, looked for once at the start (none: the first the
// link finds). Nothing, or the exit status.
std::optional<int> ChooseUnit(const Options& options, zekt::LinkBackend& backend,
                              std::optional<zekt::UnitInfo>& chosen) {
    if (options.unit.isEmpty()) {
        return std::nullopt;
    }
    const zekt::UnitChoice choice =
        zekt::ChooseUnits(backend.ListUnits(), {options.unit.toStdString()}, false);
    if (choice.refusal) {
        SayOnStandardError(*choice.refusal);
        return choice.ambiguous ? 2 : 1;
    }
    chosen = choice.units.front();
    if (const std::optional<std::string> held = zekt::HeldBeforeRun(&*chosen)) {
        SayOnStandardError(*held);
        return 1;
    }
    return std::nullopt;
}

// Shows the window fitted to the screen, and to its frame once the window
// manager has framed it; --exit-when-shown reports both and quits.
void ShowFitted(QApplication& app, zekt::TFUser& window, bool exitWhenShown) {
    window.FitToScreen(window.screen()->availableGeometry());
    window.show();
    if (exitWhenShown) {
        QTimer::singleShot(0, &app, [] {
            zekt::WriteText(stdout, "shown\n");
            std::fflush(stdout);
        });
    }
    zekt::WhenFramed(&window, [&app, w = &window, exitWhenShown](bool framed) {
        const char* refit = "none";
        if (framed) {
            const bool painted = w->Painted();
            if (w->FitToFrame()) {
                refit = painted ? "after-paint" : "before-paint";
            }
        }
        if (exitWhenShown) {
            // Once the window system has taken the fit: what it came to, for desktop checks.
            QTimer::singleShot(framed ? 200 : 0, &app, [&app, w, refit] {
                ReportFit(*w, refit);
                app.quit();
            });
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    // Before anything opens a descriptor; a file-size limit is a write
    // error, not death.
    zekt::OpenClosedStandardStreams();
    zekt::IgnoreFileSizeLimit();
    zekt::InstallStartUpMessages();
    Options options = ParseOptions(Arguments(argc, argv));
    if (const std::optional<int> answered = AnswerWithoutWindow(options)) {
        return *answered;
    }
    zekt::ErrorReportingApplication app(argc, argv);
    zekt::StartUpDone(); // the display was found
    // No display name: the window system shows each title exactly as set.
    app.setApplicationName("zekt-programmer");
    app.setDesktopFileName("zekt-programmer");
    // What Qt left of the arguments must all be ours.
    if (const Options left = ParseOptions(app.arguments().mid(1)); !left.error.isEmpty()) {
        return UsageError(left.error);
    }
    QuitOnStopRequests(app);
    zekt::UseRussianTexts(app);
    if (const std::optional<int> refused = SettleFiles(options)) {
        return *refused;
    }
    zekt::LinkBackend backend;
    std::optional<zekt::ProgramSetUp> setUp;
    if (const std::optional<int> refused = SetUp(options, backend, setUp)) {
        return *refused;
    }
    std::optional<zekt::UnitInfo> chosen;
    if (const std::optional<int> refused = ChooseUnit(options, backend, chosen)) {
        return *refused;
    }
    const zekt::UnitInfo* unit = chosen ? &*chosen : nullptr;

    // An error that escapes the start-up is shown in the standard error box;
    // the process then ends normally.
    std::unique_ptr<zekt::TFUser> window;
    try {
        // A refused latency timer in the log as well as in the window's box.
        window = std::make_unique<zekt::TFUser>(backend.MakeLink(unit, SayOnStandardError));
    } catch (const std::exception& error) {
        app.showError(QString::fromUtf8(error.what()));
        return 0;
    }
    // The simulated radio keeps what every run left in it; a radio that
    // could not be saved has lost its state, and the exit status says so.
    bool radioLost = false;
    const auto saveRadio = [&backend, &radioLost] {
        if (const zekt::Outcome saved = backend.SaveRadio(); !saved.Ok()) {
            SayOnStandardError(saved.Why());
            radioLost = true;
        }
    };
    window->runFinished = saveRadio;
    window->whyNotOpened = [&backend, unit]() -> std::optional<std::string> {
        if (const std::optional<std::string> missing = zekt::HardwareDriverMissing();
            missing && backend.HardwareMissing()) {
            QString text = QString::fromStdString(*missing);
            text[0] = text[0].toUpper();
            return text.toStdString();
        }
        return backend.WhyHeld(unit);
    };
    // The journal file was made absolute with the other files named.
    if (setUp->journal.warning) {
        SayOnStandardError(*setUp->journal.warning);
    }
    window->askRadioNumber = setUp->radioNumber == zekt::kRadioNumberAsk;
    window->JournalWindow->openReport = [](const QString& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path)); // the system's browser
    };
    window->UseJournal(setUp->journal.path, setUp->sharedJournal);
    window->keptRadios = options.common.link.radioFiles;
    ShowFitted(app, *window, options.exitWhenShown);
    // Without a driver the window still edits, saves and reads the journal:
    // said once as a notice, and again by each command that needs the unit.
    if (backend.HardwareMissing() && window->whyNotOpened) {
        if (const std::optional<std::string> why = window->whyNotOpened()) {
            QTimer::singleShot(0, window.get(), [&window, text = QString::fromStdString(*why)] {
                window->notices->Tell(text);
            });
        }
    }
    const int code = app.exec();
    saveRadio();
    if (const int signal = zekt::RunStopSignal(); signal > 0) {
        return 128 + signal;
    }
    return code == 0 && radioLost ? 1 : code;
}
