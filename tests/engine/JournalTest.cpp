#include "Journal.h"

#include "TempFiles.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#include <set>
#include <sys/stat.h>
#include <thread>

using namespace zekt;

namespace {

QStringList JournalLines(const std::string& path) {
    QFile file(QString::fromStdString(path));
    [&] { QVERIFY(file.open(QIODevice::ReadOnly)); }();
    QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// Splits one ';' line with RFC 4180 quotes.
QStringList CsvFields(const QString& line) {
    QStringList fields{""};
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            fields << "";
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

JournalRecord Sample() {
    JournalRecord r;
    r.program = "zekt-cli";
    r.command = "program";
    r.result = kJournalFailed;
    r.message = "Ошибка; \"кавычки\"\nи строка";
    r.configFile = "/tmp/a.prg";
    r.configFileHash = Sha256Hex("abc");
    r.version = "6.1.1";
    r.seconds = 12.34;
    return r;
}

} // namespace

class JournalTest : public QObject {
    Q_OBJECT

private slots:
    void lineFieldsAndHashes() {
        TempFiles files;
        const std::string path = files.Path("sub/journal.csv"); // the folder is made
        Journal journal(path);
        QVERIFY(journal.Append(Sample()));
        QVERIFY(journal.Append(Sample()));
        const QStringList lines = JournalLines(path);
        QCOMPARE(lines.size(), 3); // one header, whatever the number of lines
        QCOMPARE(CsvFields(lines[0]).size(), 14);
        const QStringList f = CsvFields(lines[1]);
        QCOMPARE(f.size(), 14);
        QVERIFY2(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$)")
                     .match(f[0])
                     .hasMatch(),
                 qPrintable(f[0]));
        QCOMPARE(f.mid(1, 5), (QStringList{"zekt-cli", "program", "failed",
                                           "Ошибка; \"кавычки\"\nи строка", "/tmp/a.prg"}));
        // SHA-256 of "abc", as published with the algorithm.
        QCOMPARE(f[6], QString("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
        QCOMPARE(f[10], QString("6.1.1"));
        QCOMPARE(f[11], QString("12.3"));

        // The same configuration gives the same hash, whatever else the image holds.
        Project a;
        Project b;
        b.ProgramMemory()[100] = 0x1234;
        b.IdWords()[1] = 0x17D8;
        QCOMPARE(ConfigurationHash(a), ConfigurationHash(b));
        b.ProgramMemory()[kFrequencyPageWord] = 0x009A;
        QVERIFY(ConfigurationHash(a) != ConfigurationHash(b));
        b = a;
        b.DataMemory()[255] = 0;
        QVERIFY(ConfigurationHash(a) != ConfigurationHash(b));
    }

    // Two programs sharing a journal: every line arrives whole.
    void twoWritersInterleaveWholeLines() {
        TempFiles files;
        const std::string path = files.Path("journal.csv");
        constexpr int kLines = 400;
        const auto writer = [&path](const char* program) {
            Journal journal(path);
            JournalRecord r = Sample();
            r.program = program;
            r.message = std::string(300, 'x'); // long lines tear first
            for (int i = 0; i < kLines; ++i) {
                journal.Append(r);
            }
        };
        std::thread one(writer, "zekt-cli");
        std::thread two(writer, "zekt-programmer");
        one.join();
        two.join();
        const QStringList lines = JournalLines(path);
        QCOMPARE(lines.size(), 2 * kLines + 1);
        QCOMPARE(lines.count(lines[0]), 1); // the header once, first
        for (int i = 1; i < lines.size(); ++i) {
            QCOMPARE(CsvFields(lines[i]).size(), 14);
        }
    }

    void unwritableJournalWarnsOnce() {
        TempFiles files;
        const std::string blocker = files.Write("file", "not a folder");
        Journal journal(blocker + "/journal.csv");
        QStringList warnings;
        journal.warn = [&warnings](const std::string& text) {
            warnings << QString::fromStdString(text);
        };
        QVERIFY(!journal.Append(Sample()));
        QVERIFY(!journal.Append(Sample()));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains("journal.csv"));
        QVERIFY(journal.KeepRadio("x").empty());

        Journal off;
        QVERIFY(off.Append(Sample())); // no journal: nothing to fail
    }

    // An empty journal (a first write cut short) gets its header; a FIFO in
    // its place is refused at once in the operator's words; the user's
    // umask holds.
    void journalFileEdges() {
        TempFiles files;
        const std::string empty = files.Write("empty.csv", "");
        const mode_t mask = umask(077);
        QVERIFY(Journal(empty).Append(Sample()));
        QVERIFY(Journal(files.Path("new.csv")).Append(Sample()));
        umask(mask);
        QCOMPARE(JournalLines(empty).size(), 2);
        QCOMPARE(JournalLines(empty)[0] + "\r\n", QString::fromStdString(JournalHeader()));
        struct stat st {};
        QCOMPARE(stat(files.Path("new.csv").c_str(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);

        QCOMPARE(mkfifo(files.Path("fifo.csv").c_str(), 0600), 0);
        Journal fifo(files.Path("fifo.csv"));
        QString warning;
        fifo.warn = [&warning](const std::string& text) { warning = QString::fromStdString(text); };
        QVERIFY(!fifo.Append(Sample())); // returns: nothing waits for a reader
        QVERIFY2(warning.contains("не обычный файл"), qPrintable(warning));
    }

    void keptRadiosNeverOverwriteEachOther() {
        TempFiles files;
        Journal journal(files.Path("journal.csv"));
        const std::string first = journal.KeepRadio("one");
        const std::string second = journal.KeepRadio("two");
        QVERIFY(!first.empty() && !second.empty() && first != second);
        std::set<std::string> many{first, second};
        for (int i = 0; i < 150; ++i) { // far more than a second's worth of reads
            many.insert(journal.KeepRadio("more"));
        }
        QCOMPARE(many.size(), std::size_t(152));
        QVERIFY(!many.contains(""));
        QVERIFY(QString::fromStdString(first).contains(
            QRegularExpression(R"(/radios/\d{4}-\d\d-\d\d_\d{6}(_\d+)?\.prg$)")));
        QFile kept(QString::fromStdString(first));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("one"));
    }

    void defaultPathFollowsXdg() {
        qputenv("XDG_DATA_HOME", "/data/home");
        QCOMPARE(DefaultJournalPath(), std::string("/data/home/zekt-programmer/journal.csv"));
        qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", "/home/op");
        QCOMPARE(DefaultJournalPath(),
                 std::string("/home/op/.local/share/zekt-programmer/journal.csv"));
    }
};

QTEST_GUILESS_MAIN(JournalTest)
#include "JournalTest.moc"
