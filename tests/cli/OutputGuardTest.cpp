#include "CliOptions.h"
#include "CliRun.h"
#include "SharedOptions.h"

#include <QDirIterator>
#include <map>
#include <unistd.h>

using namespace zekt;
using namespace zekt::testing;

namespace {

// Every regular file under the scratch folder with its bytes: what a run
// that was refused must leave as it found.
std::map<QString, QByteArray> Snapshot(const QString& root) {
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files[path] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
    return files;
}

// The ways one file can be named: each gives the argument, making any link
// it needs; an empty argument when the spelling needs a file that is not there.
struct Spelling {
    const char* name;
    QString (*spell)(Cli& cli, const QString& target, int k);
};

const Spelling kSpellings[] = {
    {"relative", [](Cli&, const QString& target, int) { return target; }},
    {"absolute", [](Cli& cli, const QString& target, int) { return cli.Path(qPrintable(target)); }},
    {"dot-dot",
     [](Cli& cli, const QString& target, int) {
         const QFileInfo info(target);
         const QString dir =
             info.path() == "." ? QDir(cli.Path("")).dirName() : info.dir().dirName();
         return "./" + info.path() + "/../" + dir + "/" + info.fileName();
     }},
    {"double slashes", [](Cli& cli, const QString& target,
                          int) { return cli.Path(qPrintable(target)).replace("/", "//"); }},
    {"symlink",
     [](Cli& cli, const QString& target, int k) {
         const QString link = QString("links/soft-%1").arg(k);
         QFile::link(cli.Path(qPrintable(target)), cli.Path(qPrintable(link)));
         return link;
     }},
    {"hard link",
     [](Cli& cli, const QString& target, int k) {
         const QString link = QString("links/hard-%1").arg(k);
         const bool made = ::link(cli.files.Path(qPrintable(target)).c_str(),
                                  cli.files.Path(qPrintable(link)).c_str()) == 0;
         return made ? link : QString();
     }},
    {"descriptor", [](Cli& cli, const QString& target, int) {
         return QFile::exists(cli.Path(qPrintable(target))) ? QString("/proc/self/fd/3")
                                                            : QString();
     }}};

// How each output is reached on a command line ("@" is the output), with
// the files that command reads beside the kept ones.
struct OutputUse {
    QStringList args;
    QStringList reads;
};
const std::multimap<QString, OutputUse> kUses = {
    {"--trace",
     {{"--simulate", "radio.hex", "--trace", "@", "verify", "a.prg"}, {"a.prg", "radio.hex"}}},
    {"--save", {{"--simulate", "radio.hex", "read", "--save", "@"}, {"radio.hex"}}},
    {"--save", {{"journal", "show", "3", "--save", "@"}, {}}},
    {"--html", {{"journal", "report", "--html", "@"}, {}}},
    {"--simulate", {{"--simulate", "@", "verify", "a.prg"}, {"a.prg"}}},
    {"backup", {{"--simulate", "radio.hex", "backup", "@"}, {"radio.hex"}}},
    {"export-csv", {{"export-csv", "a.prg", "@"}, {"a.prg"}}},
    {"import-csv", {{"import-csv", "channels.csv", "@"}, {"channels.csv"}}},
};

// What the program keeps, in the scratch folder's user places.
const QStringList kKept = {
    "xdg/zekt-programmer/journal.csv",
    "config/zekt-programmer/settings.conf",
    "xdg/zekt-programmer/journal-outbox.txt",
    "xdg/zekt-programmer/journal-outbox.lock",
    "xdg/zekt-programmer/journal-outbox-refused.txt",
    "xdg/zekt-programmer/journal-pending.txt",
    "w/WORK/St611.hex",                   // the standard firmware of the start folder
    "RADIO_COPY",                         // a read's copy in radios/
    "xdg/zekt-programmer/radios/new.prg", // a new file among the copies
};

} // namespace

class OutputGuardTest : public QObject {
    Q_OBJECT

private slots:
    // Each file an option or a command writes is one the guard knows of, and
    // each option naming a file says whether it is read or written.
    void everyOutputHasAUse() {
        for (const OutputPlace& place : CliOutputPlaces()) {
            const QString key =
                QString::fromStdString(place.option.empty() ? place.command : place.option);
            QVERIFY2(kUses.count(key) > 0, qPrintable("no use of the output " + key));
        }
        const std::set<std::string_view> read = {"--workdir", "--firmware", "--config"};
        for (const ProgramOption* option : kProgramOptions) {
            if (option->value == OptionValue::File) {
                QVERIFY2(read.count(option->name) > 0,
                         qPrintable("is " + QString::fromUtf8(option->name) +
                                    " read or written? an output is OptionValue::Output"));
            }
        }
    }

    // Every output aimed at every file read or kept, in every spelling:
    // refused before anything is written, and every file as it was.
    void outputsNeverOverwriteInputs() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Run({"export-csv", "a.prg", "channels.csv"}).status, 0);
        QFile firmware(QString(ZEKT_DEMO_DIR) + "/WORK/St611.hex");
        QVERIFY(firmware.open(QIODevice::ReadOnly));
        cli.files.Write("w/WORK/St611.hex", firmware.readAll().toStdString());
        cli.files.Write("config/zekt-programmer/settings.conf", "usb-latency = 2\n");
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0); // journal line 2
        QCOMPARE(cli.Sim({"read"}).status, 0);             // line 3, with its copy
        for (const char* kept : {"journal-outbox.txt", "journal-outbox.lock",
                                 "journal-outbox-refused.txt", "journal-pending.txt"}) {
            cli.files.Write(std::string("xdg/zekt-programmer/") + kept, "kept\n");
        }
        QDir(cli.Path("")).mkpath("links");
        const QStringList copies =
            QDir(cli.Path("xdg/zekt-programmer/radios")).entryList(QDir::Files);
        QCOMPARE(copies.size(), 1);
        int runs = 0;
        int k = 0;
        for (const auto& [output, use] : kUses) {
            for (QString target : kKept + use.reads) {
                if (target == "RADIO_COPY") {
                    target = "xdg/zekt-programmer/radios/" + copies.front();
                }
                for (const Spelling& spelling : kSpellings) {
                    const QString named = spelling.spell(cli, target, ++k);
                    if (named.isEmpty()) {
                        continue;
                    }
                    const std::map<QString, QByteArray> before = Snapshot(cli.Path(""));
                    QStringList args = QStringList{"--workdir", "w"} + use.args;
                    args.replace(args.indexOf("@"), named);
                    const Result r = RunHolding(cli, target, args);
                    const QString what = QString("exit %1, ").arg(r.status) + output + " onto " +
                                         target + " (" + spelling.name + "): " + args.join(' ') +
                                         "\n" + r.err;
                    QVERIFY2(r.status == kExitUsage, qPrintable(what));
                    QVERIFY2(r.err.contains("один файл") || r.err.contains("другую папку"),
                             qPrintable(what));
                    QVERIFY2(Snapshot(cli.Path("")) == before, qPrintable(what));
                    ++runs;
                }
            }
        }
        qInfo("%d refused runs", runs);
    }

    // What the program keeps is guarded before it exists too (a link that
    // dangles towards it would create it), and the bench's own journal is
    // guarded whatever journal a run keeps (--journal elsewhere, or none).
    void filesNotYetThereGuardedToo() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QCOMPARE(cli.Run({"export-csv", "a.prg", "channels.csv"}).status, 0);
        QCOMPARE(cli.Sim({"program", "a.prg"}).status, 0);
        QCOMPARE(cli.Sim({"read"}).status, 0); // journal line 3, with its copy
        QDir(cli.Path("")).mkpath("links");
        const QStringList missing = {
            "xdg/zekt-programmer/journal-outbox.txt", "xdg/zekt-programmer/journal-outbox.lock",
            "xdg/zekt-programmer/journal-outbox-refused.txt",
            "xdg/zekt-programmer/journal-pending.txt", "config/zekt-programmer/settings.conf"};
        int k = 0;
        for (const auto& [output, use] : kUses) {
            for (const QString& journal : {QString(), QString(""), QString("other/j.csv")}) {
                for (const QString& target :
                     missing + QStringList{"xdg/zekt-programmer/journal.csv"}) {
                    const QString link = QString("links/dangling-%1").arg(++k);
                    QFile::link(cli.Path(qPrintable(target)), cli.Path(qPrintable(link)));
                    const std::map<QString, QByteArray> before = Snapshot(cli.Path(""));
                    QStringList args = QStringList{"--workdir", "w"} + use.args;
                    if (!journal.isNull()) {
                        args = QStringList{"--journal", journal} + args;
                    }
                    args.replace(args.indexOf("@"), link);
                    const Result r = cli.Run(args);
                    const QString what =
                        output + " onto " + target + ": " + args.join(' ') + "\n" + r.err;
                    QVERIFY2(r.status == kExitUsage && r.err.contains("один файл"),
                             qPrintable(what));
                    QVERIFY2(Snapshot(cli.Path("")) == before, qPrintable(what));
                }
            }
        }
    }

    // The journal a run appends to is kept, and never one of its inputs.
    void journalNeverAnInput() {
        Cli cli;
        cli.WriteConfig("a.prg", OpenConfigA());
        QFile firmware(QString(ZEKT_DEMO_DIR) + "/WORK/St611.hex");
        QVERIFY(firmware.open(QIODevice::ReadOnly));
        cli.files.Write("w/WORK/St611.hex", firmware.readAll().toStdString());
        cli.files.Write("config/zekt-programmer/settings.conf", "usb-latency = 2\n");
        const QStringList refused[] = {
            {"--journal", "config/zekt-programmer/settings.conf", "test"},
            {"--journal", "a.prg", "verify", "a.prg"},
            {"--journal", "w/WORK/St611.hex", "test"},
            {"--journal", "radio.hex", "test"},
        };
        for (const QStringList& args : refused) {
            const std::map<QString, QByteArray> before = Snapshot(cli.Path(""));
            const Result r =
                cli.Run(QStringList{"--simulate", "radio.hex", "--workdir", "w"} + args);
            QVERIFY2(r.status == kExitUsage && r.err.contains("один файл"),
                     qPrintable(args.join(' ') + "\n" + r.err));
            QVERIFY(Snapshot(cli.Path("")) == before);
        }
    }

private:
    // The run with descriptor 3 open on the target, for /proc/self/fd/3.
    static Result RunHolding(Cli& cli, const QString& target, const QStringList& args) {
        QProcess p;
        cli.Prepare(p);
        p.start("/bin/sh",
                QStringList{"-c", "if [ -e \"$0\" ]; then exec 3<\"$0\"; fi; exec \"$@\"",
                            cli.Path(qPrintable(target)), ZEKT_CLI_PATH} +
                    args);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000)) {
            return {};
        }
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
};

QTEST_GUILESS_MAIN(OutputGuardTest)
#include "OutputGuardTest.moc"
