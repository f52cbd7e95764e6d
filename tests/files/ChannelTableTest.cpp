#include "ChannelTable.h"

#include "ConfigFile.h"
#include "ConfigMessages.h"

#include <QFile>
#include <QtTest>
#include <algorithm>
#include <functional>

using namespace zekt;

namespace {

std::string ReadData(const QString& path) {
    QFile file(path);
    [&] { QVERIFY(file.open(QIODevice::ReadOnly)); }();
    return file.readAll().toStdString();
}

struct LoadedFile {
    RadioConfig config;
    DataArray data;
};

LoadedFile Load(const std::string& text) {
    LoadedFile f;
    const ParsedConfigFile parsed = ParseConfigFile(text);
    const FileReadPlan plan = PlanConfigFileRead(parsed);
    ApplyFileOptions(plan, f.config);
    f.data.fill(kBlankByte);
    ApplyFileData(parsed, f.data);
    f.config.channels = DecodeFileChannels(f.data, f.config.version);
    return f;
}

// Export, then import into the same file: the file's text after.
std::string RoundTrip(const std::string& prg, const std::string& csv) {
    const LoadedFile f = Load(prg);
    const ChannelCsvRead table = ParseChannelCsv(csv);
    [&] { QVERIFY2(table.ok, table.error.c_str()); }();
    const ChannelImport imported = ImportChannels(f.config, f.data, table.channels);
    [&] { QVERIFY2(imported.ok, imported.error.c_str()); }();
    return ReplaceConfigFileData(prg, imported.data);
}

// The export of a file as a table of fields, to move columns around.
std::vector<QStringList> ExportedFields(const std::string& prg) {
    std::vector<QStringList> rows;
    for (const QString& line : QString::fromStdString(FormatChannelCsv(Load(prg).config.channels))
                                   .split("\r\n", Qt::SkipEmptyParts)) {
        rows.push_back(line.split(';'));
    }
    return rows;
}

std::string Joined(const std::vector<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        text += row.join(';') + "\r\n";
    }
    return text.toStdString();
}

} // namespace

class ChannelTableTest : public QObject {
    Q_OBJECT

private slots:
    // The channels of a file as a spreadsheet shows them, and back to the
    // same bytes, in both spreadsheet conventions.
    void roundTripKeepsTheFileByteForByte() {
        for (const QString& path : {QString(ZEKT_TEST_DATA_DIR) + "/prg/reference-a.prg",
                                    QString(ZEKT_DEMO_DIR) + "/demo.prg"}) {
            const std::string prg = ReadData(path);
            const std::string csv = FormatChannelCsv(Load(prg).config.channels);
            QVERIFY(csv.starts_with(std::string(kChannelCsvHeader) + "\r\n1;"));
            QCOMPARE(std::count(csv.begin(), csv.end(), '\n'), 17L);
            QCOMPARE(RoundTrip(prg, csv), prg);

            // What a spreadsheet in an English locale saves: ',' and a decimal
            // dot, plus a byte-order mark, LF line ends and the rows reversed.
            QStringList lines = QString::fromStdString(csv).split("\r\n", Qt::SkipEmptyParts);
            QStringList english{"Канал,Передача,Приём,Сканер,\"CTCSS, Гц\""};
            for (int i = lines.size() - 1; i > 0; --i) {
                english << lines[i].replace(',', '.').replace(';', ',');
            }
            const std::string spreadsheet =
                "\xEF\xBB\xBF" + english.join("\n").toStdString() + "\n";
            QCOMPARE(RoundTrip(prg, spreadsheet), prg);
        }
    }

    // Import of an export changes no byte, whatever line 1 holds, and a
    // tone the list does not hold stays in its channel.
    void importOfTheExportIsTheIdentity() {
        const std::string demo = ReadData(QString(ZEKT_DEMO_DIR) + "/demo.prg");
        const std::string data = demo.substr(demo.find('\n') + 1);
        for (const char* options : {"1 5 0 0 3 1 7", "0 0 1 1 1 0 0", "1 4 1 0 0 1 1",
                                    "0 2 0 1 0 0 2", "0  3 0 0 0 0 -1"}) {
            const std::string prg = std::string(options) + "\r\n" + data;
            QCOMPARE(RoundTrip(prg, FormatChannelCsv(Load(prg).config.channels)), prg);
        }
        // A file kept with LF line ends keeps them on every line.
        QString lf = QString::fromStdString(demo);
        lf.replace("\r\n", "\n");
        QCOMPARE(RoundTrip(lf.toStdString(), FormatChannelCsv(Load(demo).config.channels)),
                 lf.toStdString());
        LoadedFile f = Load(demo);
        f.data[0x40] |= 0xC0; // channel 1: tone code 25, which no tone box lists
        f.data[0x51] = 25;
        const std::string unlisted = FormatConfigFile(OptionsOf(f.config), f.data);
        QCOMPARE(RoundTrip(unlisted, FormatChannelCsv(Load(unlisted).config.channels)), unlisted);
    }

    // Columns are found by their names: a spreadsheet that moved them gives
    // the same channels.
    void movedColumnsReadByTheirNames() {
        const std::string prg = ReadData(QString(ZEKT_DEMO_DIR) + "/demo.prg");
        const std::vector<QStringList> rows = ExportedFields(prg);
        for (const std::vector<int>& order :
             std::vector<std::vector<int>>{{0, 2, 1, 3, 4}, {4, 3, 2, 1, 0}, {1, 0, 4, 2, 3}}) {
            std::vector<QStringList> moved;
            for (const QStringList& row : rows) {
                QStringList m;
                for (const int c : order) {
                    m << row[c];
                }
                moved.push_back(m);
            }
            moved[0][0] = moved[0][0].toUpper(); // names in any case
            QCOMPARE(RoundTrip(prg, Joined(moved)), prg);
        }
    }

    void tablesThatDoNotFitAreRefused() {
        const std::string prg = ReadData(QString(ZEKT_DEMO_DIR) + "/demo.prg");
        const std::vector<QStringList> rows = ExportedFields(prg);
        const struct {
            std::function<void(std::vector<QStringList>&)> change;
            int line;
            const char* says;
        } cases[] = {
            {[](auto& t) { t[0][1] = "Частота"; }, 1, "неизвестный столбец \"Частота\""},
            {[](auto& t) { t[0][2] = "Передача"; }, 1, "второй раз"},
            {[](auto& t) {
                 for (auto& row : t)
                     row.removeLast();
             },
             1, "нет столбца \"CTCSS, Гц\""},
            {[](auto& t) {
                 for (auto& row : t)
                     row << "";
             },
             1, "неизвестный столбец \"\""},
            {[](auto& t) {
                 t[3] = QStringList{"3", "145,0125"};
             },
             4, "полей 2"},
            {[](auto& t) { t[5] << "лишнее"; }, 6, "полей 6"},
        };
        for (const auto& [change, line, says] : cases) {
            std::vector<QStringList> table = rows;
            change(table);
            const ChannelCsvRead read = ParseChannelCsv(Joined(table));
            QVERIFY2(!read.ok && read.line == line && read.error.find(says) != std::string::npos,
                     (std::to_string(read.line) + ": " + read.error).c_str());
        }
    }

    void badRowsAreRefusedWithTheirLine() {
        const std::string header = std::string(kChannelCsvHeader) + "\n";
        std::string rows;
        for (const char name : std::string("123456789ABCDEF")) {
            rows += std::string(1, name) + ";145;145;нет;\n";
        }
        const struct {
            std::string text;
            int line;
            const char* says;
        } bad[] = {
            {"", 1, "заголов"},
            {"1;145;145;нет;\n", 1, "заголов"},
            {header + rows, 17, "канала 0"},
            {header + rows + "0;145;abc;нет;\n", 17, "Канал 0, приём: \"abc\""},
            {header + rows + "0;145;145;может;\n", 17, "Сканер"},
            {header + rows + "0;145;145;нет;68\n", 17, "68"},
            {header + rows + "G;145;145;нет;\n", 17, "G"},
            {header + "1;145;145;нет;\n" + rows, 3, "второй раз"},
        };
        for (const auto& [text, line, says] : bad) {
            const ChannelCsvRead read = ParseChannelCsv(text);
            QVERIFY2(!read.ok && read.line == line && read.error.find(says) != std::string::npos,
                     (std::to_string(read.line) + ": " + read.error).c_str());
        }
        // Every row readable, but a frequency the build refuses.
        const ChannelCsvRead read = ParseChannelCsv(header + rows + "0;5;145;нет;\n");
        QVERIFY(read.ok);
        QCOMPARE(read.lineOf[15], 17);
        const LoadedFile f = Load(ReadData(QString(ZEKT_DEMO_DIR) + "/demo.prg"));
        const ChannelImport imported = ImportChannels(f.config, f.data, read.channels);
        QVERIFY(!imported.ok);
        QCOMPARE(imported.channel, 15);
        QCOMPARE(imported.error, "Канал 0, передача: " + std::string(msg::kSyntaxError));
    }
};

QTEST_APPLESS_MAIN(ChannelTableTest)
#include "ChannelTableTest.moc"
