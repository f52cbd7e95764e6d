// zekt-programmer [--simulate[=RADIO.hex]] [--sim-delay=MS]
//
// Without --simulate the program looks for a real programmer unit through
// libftdi1. With it, a simulated unit with a simulated radio stands in; a
// file given to it holds that radio's chip between runs.
#include "ChipHexFile.h"
#include "ErrorReportingApplication.h"
#include "LibFtdiDriver.h"
#include "OperatorDialogs.h"
#include "SimulatedDriver.h"
#include "TFUser.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct Options {
    bool simulate = false;
    QString radioFile;
    int frameDelayMs = 0;
    bool exitWhenShown = false; // for the start-up benchmark
    bool ok = true;
};

// Read before the application object exists, so that a wrong option is
// reported even where no display can be opened.
Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg.startsWith("--simulate=")) {
            options.simulate = true;
            options.radioFile = arg.mid(static_cast<int>(std::strlen("--simulate=")));
        } else if (arg == "--exit-when-shown") {
            options.exitWhenShown = true;
        } else if (arg.startsWith("--sim-delay=")) {
            options.frameDelayMs =
                arg.mid(static_cast<int>(std::strlen("--sim-delay="))).toInt(&options.ok);
        } else {
            options.ok = false;
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    if (!options.ok) {
        std::fprintf(stderr, "usage: zekt-programmer [--simulate[=RADIO.hex]] [--sim-delay=MS]\n");
        return 2;
    }
    zekt::ErrorReportingApplication app(argc, argv);
    app.setApplicationName("zekt-programmer");
    app.setApplicationDisplayName(zekt::kApplicationTitle);
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTexts);
    }

    std::unique_ptr<zekt::FtdiDriver> driver;
    zekt::SimulatedDriver* simulated = nullptr;
    if (options.simulate) {
        auto sim = std::make_unique<zekt::SimulatedDriver>();
        sim->SetFrameDelay(std::chrono::milliseconds(options.frameDelayMs));
        if (!options.radioFile.isEmpty() && QFileInfo::exists(options.radioFile)) {
            const zekt::ChipFileResult loaded =
                zekt::LoadChipHex(options.radioFile.toStdString(), sim->Chip());
            if (!loaded.ok) {
                std::fprintf(stderr, "zekt-programmer: %s\n", loaded.error.c_str());
                return 1;
            }
        }
        simulated = sim.get();
        driver = std::move(sim);
    } else {
        driver = std::make_unique<zekt::LibFtdiDriver>();
    }

    // An error that escapes the start-up is shown in the standard error box;
    // the process then ends normally.
    std::unique_ptr<zekt::TFUser> window;
    try {
        window = std::make_unique<zekt::TFUser>(*driver);
    } catch (const std::exception& error) {
        app.showError(QString::fromUtf8(error.what()));
        return 0;
    }
    // The simulated radio keeps what every run left in it; a radio that
    // could not be saved has lost its state, and the exit status says so.
    bool radioLost = false;
    const auto saveRadio = [simulated, &radioLost, path = options.radioFile.toStdString()] {
        const zekt::ChipFileResult saved = zekt::SaveChipHex(path, simulated->Chip());
        if (!saved.ok) {
            std::fprintf(stderr, "zekt-programmer: %s\n", saved.error.c_str());
            radioLost = true;
        }
    };
    const bool keepsRadio = simulated != nullptr && !options.radioFile.isEmpty();
    if (keepsRadio) {
        window->runFinished = saveRadio;
    }
    window->show();
    if (options.exitWhenShown) {
        QTimer::singleShot(0, &app, [&app] {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            app.quit();
        });
    }
    const int code = app.exec();
    if (keepsRadio) {
        saveRadio();
    }
    return code == 0 && radioLost ? 1 : code;
}
