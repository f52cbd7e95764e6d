// Saves pictures of the windows for the documentation:
//   zekt-screenshots OUTPUT_DIR
// main-hidden.png (start-up), main-configured.png (a configuration on the
// panels) and about.png. Run it under a real X server (scripts/screenshots).
#include "SimulatedDriver.h"
#include "TFUser.h"
#include "TForm1.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

namespace {

zekt::RadioConfig DemoConfig() {
    zekt::RadioConfig c;
    c.version = zekt::kVersion611;
    c.tonePair = 0;
    c.mainBand = 4;
    c.gridStep = 1;
    const char* tx[] = {"145,0125", "146,5", "150", "151,025", "156,8", "160,2"};
    const char* rx[] = {"145,0125", "146,5", "150,5", "151,025", "156,8", "160,2"};
    for (int k = 0; k < 6; ++k) {
        c.channels[static_cast<std::size_t>(k)] = {tx[k], rx[k], k % 3 == 0 ? k : -1, k % 2 == 0};
    }
    return c;
}

bool Save(QWidget* w, const QString& path) {
    return w->grab().save(path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs/screenshots");
    QDir().mkpath(out);
    zekt::SimulatedDriver driver;
    zekt::TFUser window(driver);
    window.show();
    int failures = 0;
    QTimer::singleShot(300, [&] {
        failures += !Save(&window, out + "/main-hidden.png");
        window.ButSetConfClick();
        window.SetRadioConfig(DemoConfig());
        QTimer::singleShot(300, [&] {
            failures += !Save(&window, out + "/main-configured.png");
            window.Form1->show();
            QTimer::singleShot(300, [&] {
                failures += !Save(window.Form1, out + "/about.png");
                app.exit(failures);
            });
        });
    });
    return app.exec();
}
