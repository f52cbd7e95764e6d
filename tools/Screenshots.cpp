// Saves pictures of the windows for the documentation:
//   zekt-screenshots OUTPUT_DIR
//   zekt-screenshots --screen OUTPUT.png   (the whole screen, window configured)
// main-hidden.png (start-up), main-configured.png (demo/demo.prg on the
// panels), main-readback.png (the panels after reading a radio back that was
// just programmed on the simulated unit), about.png, fault-box.png (an
// unplug during programming, with its advice) and main-running.png (the
// screen during a programming, the bar half-way through the program memory). Run it from the
// repository under a real X server (scripts/screenshots).
#include "CommandFlow.h"
#include "Commands.h"
#include "EngineMessages.h"
#include "FrameWatch.h"
#include "OperatorDialogs.h"
#include "QtOperatorDialogs.h"
#include "SimulatedDriver.h"
#include "TFUser.h"
#include "TForm1.h"
#include "TForm2.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

// The demo configuration, loaded as an operator loads it.
void LoadDemo(zekt::TFUser& window) {
    window.ButSetConfClick();
    window.ReadConfigFile(QDir::current().filePath("demo/demo.prg"));
}

// Answers every box with OK, but declines to program a further radio.
class AutoDialogs : public zekt::OperatorDialogs {
public:
    zekt::BoxResult Message(const QString& text, const QString&, zekt::BoxIcon, zekt::BoxButtons,
                            const QString& = {}) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text.section('\n', 0, 0)));
        return text.toStdString() == zekt::NextRadioQuestion(zekt::kProgramCommand)
                   ? zekt::BoxResult::Cancel
                   : zekt::BoxResult::Ok;
    }
    std::optional<QString> OpenFile(const zekt::FileDialogRequest&) override {
        return std::nullopt;
    }
    void Beep() override {}
    std::optional<QString> AskLine(const QString&, const QString&) override { return QString(); }

protected:
    std::optional<QString> SaveFile(zekt::SaveDialog, const zekt::FileDialogRequest&) override {
        return std::nullopt;
    }
};

// The programming date the window shows is today's: the pictures show one
// fixed day, so that taking them again on another day draws the same pixels.
void FixDate(zekt::TFUser& window) {
    window.LabelDate->setText("7.12.2026");
}

bool Save(QWidget* w, const QString& path) {
    const bool saved = w->grab().save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    return saved;
}

// The box of a unit unplugged while a radio was written: its text and, below
// it, what to do.
bool SaveFaultBox(QWidget* window, const QString& path) {
    const zekt::StepResult unplugged =
        zekt::StepResult::LinkFailure("Ошибка записи в порт USB: Ошибка ввода/вывода");
    zekt::OperatorBox box(
        QString::fromStdString(unplugged.message), zekt::kApplicationTitle, zekt::BoxIcon::None,
        zekt::BoxButtons::Ok, window,
        QString::fromStdString(zekt::RunFaultAdvice(unplugged, zekt::RunKind::Writing)));
    box.show();
    // On a busy machine the box is laid out and shown some events later.
    QElapsedTimer waited;
    waited.start();
    while ((box.windowHandle() == nullptr || !box.windowHandle()->isExposed()) &&
           waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QApplication::processEvents();
    return Save(&box, path);
}

// The screen during a programming, taken while the unit is slow to answer
// one frame in the program memory (the simulator's slow reply): the bar then
// stands still at the same place every time.
void SaveRunning(zekt::TFUser& window, zekt::SimulatedDriver& driver, const QString& path,
                 int& failures) {
    constexpr int kSlowFrame = 150; // about half-way through the program memory
    // Well beyond any pause a loaded machine makes, well within the 3 s reply.
    constexpr int kStillMs = 1500;
    driver.Faults().slowReplyAtFrame = driver.FramesSeen() + kSlowFrame;
    QTimer watch;
    QElapsedTimer still;
    int lastValue = -1;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int value = window.Form2->ProgressBar->value();
        // Still, and framed (it is centred again once the frame is known).
        if (value != lastValue || window.Form2->windowTitle() != zekt::msg::kCaptionProgCode ||
            !zekt::IsFramed(window.Form2)) {
            lastValue = value;
            still.start();
            return;
        }
        if (still.elapsed() >= kStillMs) {
            // The bar repaints only when it grows by a whole chunk: shown as it stands.
            window.Form2->ProgressBar->repaint();
            watch.stop();
            const bool saved = window.screen()->grabWindow(0).save(path);
            std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
            failures += saved ? 0 : 1;
        }
    });
    still.start();
    watch.start(50);
    window.ButProgClick();
    driver.Faults().slowReplyAtFrame = 0;
}

} // namespace

// The whole screen with the window as it opens on it, configured: what an
// operator sees on that screen (under a window manager).
int ScreenShot(QApplication& app, const QString& path) {
    zekt::SimulatedDriver driver;
    AutoDialogs dialogs;
    zekt::TFUser window(std::make_unique<zekt::USB_Prog>(driver), &dialogs);
    FixDate(window);
    LoadDemo(window);
    window.FitToScreen(window.screen()->availableGeometry());
    window.show();
    QTimer::singleShot(500, &window, [&window] { window.FitToFrame(); });
    int failures = 0;
    QTimer::singleShot(1000, [&] {
        const bool saved = window.screen()->grabWindow(0).save(path);
        std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
        failures += saved ? 0 : 1;
        app.exit(failures);
    });
    return app.exec();
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 2 && QString(argv[1]) == "--screen") {
        return ScreenShot(app, QString::fromLocal8Bit(argv[2]));
    }
    QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs/screenshots");
    QDir().mkpath(out);
    out = QDir(out).absolutePath(); // the commands make the start folder current
    zekt::SimulatedDriver driver;
    AutoDialogs dialogs;
    zekt::TFUser window(std::make_unique<zekt::USB_Prog>(driver), &dialogs);
    FixDate(window);
    window.startDir = QDir::current().filePath("demo");
    // As it opens: fitted to the screen, the channel table within the frame.
    window.FitToScreen(window.screen()->availableGeometry());
    window.show();
    int failures = 0;
    QTimer::singleShot(300, [&] {
        failures += !Save(&window, out + "/main-hidden.png");
        LoadDemo(window);
        QTimer::singleShot(300, [&] {
            failures += !Save(&window, out + "/main-configured.png");
            window.ButProgClick();
            window.SetRadioConfig(zekt::RadioConfig{});
            window.ButReadClick();
            QTimer::singleShot(300, [&] {
                failures += !Save(&window, out + "/main-readback.png");
                window.Form1->show();
                // Once framed the window takes its outer size: taken after that.
                zekt::WhenFramed(window.Form1, [&](bool) {
                    QTimer::singleShot(300, [&] {
                        failures += !Save(window.Form1, out + "/about.png");
                        window.Form1->hide();
                        failures += !SaveFaultBox(&window, out + "/fault-box.png");
                        SaveRunning(window, driver, out + "/main-running.png", failures);
                        app.exit(failures);
                    });
                });
            });
        });
    });
    return app.exec();
}
