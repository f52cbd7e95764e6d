#pragma once

// zekt-cli run as a process in a scratch folder, for the command-line tests.
#include "ChipHexFile.h"
#include "ConfigBuilder.h"
#include "ConfigFile.h"
#include "RadioLayout.h"
#include "ReferenceImages.h"
#include "TempFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace zekt::testing {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

// zekt-cli run as a process in a scratch folder, with the demo as start folder.
struct Cli {
    TempFiles files;

    QString Path(const char* name) { return QString::fromStdString(files.Path(name)); }

    // Standard input is the given text (not a terminal); the journal and
    // the settings are the scratch folder's, never the user's own.
    void Prepare(QProcess& p) {
        p.setWorkingDirectory(Path(""));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", Path("xdg"));
        env.insert("XDG_CONFIG_HOME", Path("config"));
        p.setProcessEnvironment(env);
    }
    Result Run(QStringList args, const QByteArray& input = {}) {
        QProcess p;
        Prepare(p);
        p.start(ZEKT_CLI_PATH, args);
        p.write(input);
        p.closeWriteChannel();
        [&] { QVERIFY(p.waitForFinished(60000)); }();
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    Result Sim(QStringList args, const QByteArray& input = {}) {
        return Run(QStringList{"--simulate", "radio.hex", "--workdir", ZEKT_DEMO_DIR} + args,
                   input);
    }
    QStringList Journal() {
        QStringList lines = QString::fromUtf8(Contents("xdg/zekt-programmer/journal.csv"))
                                .split("\r\n", Qt::SkipEmptyParts);
        return lines.mid(1); // without the header
    }
    // A *.prg file of a configuration, as the window saves it.
    void WriteConfig(const char* name, const RadioConfig& config) {
        Project image;
        BuildConfigurationData(config, image);
        files.Write(name, FormatConfigFile(OptionsOf(config), image.DataMemory()));
    }
    ChipMemory Radio() {
        ChipMemory chip;
        [&] { QVERIFY(LoadChipHex(files.Path("radio.hex"), chip).ok); }();
        return chip;
    }
    // A radio of the scratch folder with the day it was programmed left out:
    // two runs either side of midnight store two days.
    ChipMemory RadioBarTheDay(const QString& name) {
        ChipMemory chip;
        [&] { QVERIFY(LoadChipHex(files.Path(qPrintable(name)), chip).ok); }();
        chip.idWords[layout::kIdYear] &= ~layout::kYearMask;
        chip.idWords[layout::kIdDate] &= ~((layout::kDateDayMask << layout::kDateDayShift) |
                                           (layout::kDateMonthMask << layout::kDateMonthShift));
        return chip;
    }
    // A file of the scratch folder, or one named absolutely (a journal's).
    QByteArray Contents(const QString& name) {
        QFile f(QDir::isAbsolutePath(name) ? name : Path(qPrintable(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

inline RadioConfig OpenConfigA() {
    RadioConfig c = reference::ConfigA();
    c.readProtect = false;
    return c;
}

} // namespace zekt::testing
