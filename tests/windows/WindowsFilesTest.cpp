// The file rules where Windows differs from Linux: replacing a file that
// exists, bytes that text mode would change, names outside the ANSI code
// page, two journal writers at once, the per-user places, held names.
#include "Journal.h"
#include "NameHold.h"
#include "SafeFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <thread>
#include <vector>
#include <windows.h>

using namespace zekt;

class WindowsFilesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir scratch;

    // A path in the scratch folder, in a Cyrillic subfolder.
    std::string Path(const std::string& name) {
        const std::string folder = scratch.path().toStdString() + "\\Папка";
        [&] { QCOMPARE(MakeFolders(folder), FileError::None); }();
        return folder + "\\" + name;
    }

private slots:
    void ReplacesWithTheExactBytes_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::newRow("plain") << QByteArray("old\n") << QByteArray("new\n");
        // 0x1A ends a text-mode read; CR LF and LF must stay as written.
        QTest::newRow("ctrl-z and line ends")
            << QByteArray("a\x1A b\r\nc\n", 9) << QByteArray("\x1A\x1A\r\r\n", 5);
        QTest::newRow("shorter") << QByteArray(5000, 'x') << QByteArray("y");
    }
    void ReplacesWithTheExactBytes() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        const std::string path = Path(std::string("радио-") + QTest::currentDataTag() + ".hex");
        for (const QByteArray& content : {first, second}) {
            const FileWrite written = WriteFileSafely(path, content.toStdString());
            QCOMPARE(written.error, FileError::None);
            const FileRead read = ReadRegularFile(path, kHexFileLimit);
            QCOMPARE(read.error, FileError::None);
            QCOMPARE(QByteArray::fromStdString(read.bytes), content);
        }
        // No temporary file is left beside it.
        QDir folder(QString::fromStdString(TextOf(PathOf(path).parent_path())));
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::System)
                     .filter(QString::fromStdString(TextOf(PathOf(path).filename())))
                     .size(),
                 1);
    }

    void RefusesWhatIsNoFile() {
        QCOMPARE(WriteFileSafely(scratch.path().toStdString(), "x").error, FileError::NotRegular);
        QCOMPARE(WriteFileSafely("NUL", "x").error, FileError::NotRegular);
        QCOMPARE(ReadRegularFile(Path("нет.prg"), kConfigFileLimit).error, FileError::NotFound);
    }

    void TwoJournalWritersLoseNothing() {
        const std::string path = Path("журнал.csv");
        constexpr int kEach = 200;
        const auto writer = [&path](const char* command) {
            Journal journal(path);
            JournalRecord record;
            record.program = "test";
            record.command = command;
            record.result = kJournalOk;
            for (int k = 0; k < kEach; ++k) {
                QVERIFY(journal.Append(record));
            }
        };
        std::thread a(writer, "program");
        std::thread b(writer, "read");
        a.join();
        b.join();
        const FileRead read = ReadRegularFile(path, kHexFileLimit);
        QCOMPARE(read.error, FileError::None);
        const std::vector<std::string_view> lines = SplitLines(read.bytes);
        QCOMPARE(static_cast<int>(lines.size()), 1 + 2 * kEach);
        for (std::size_t n = 1; n < lines.size(); ++n) {
            QVERIFY2(lines[n].find(";test;") != std::string_view::npos,
                     std::string(lines[n]).c_str());
        }
    }

    // A journal a spreadsheet holds open without sharing loses nothing: the
    // records wait beside it, the warning names the cause (once), and they
    // go in when it is free again.
    void AJournalHeldOpenLosesNothing() {
        const std::string path = Path("открытый.csv");
        QVERIFY(Journal(path).Append(JournalRecord{}));
        const HANDLE held = CreateFileW(PathOf(path).c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        Journal journal(path);
        std::vector<std::string> warnings;
        journal.warn = [&warnings](const std::string& text) { warnings.push_back(text); };
        JournalRecord record;
        record.command = "held";
        QVERIFY(journal.Append(record));
        QVERIFY(journal.Append(record));
        CloseHandle(held);
        QCOMPARE(warnings.size(), std::size_t(1));
        QVERIFY2(warnings[0].find("открыт другой программой") != std::string::npos,
                 warnings[0].c_str());
        QVERIFY(journal.Append(JournalRecord{}));
        const FileRead read = ReadRegularFile(path, kHexFileLimit);
        const std::vector<std::string_view> lines = SplitLines(read.bytes);
        QCOMPARE(static_cast<int>(lines.size()), 5); // the header and four records
        QVERIFY(lines[2].find(";held;") != std::string_view::npos);
        QVERIFY(lines[3].find(";held;") != std::string_view::npos);
        QCOMPARE(ReadRegularFile(PendingPath(path), kHexFileLimit).error, FileError::NotFound);
    }

    void PerUserPlacesFollowAppData() {
        const std::wstring kept = _wgetenv(L"APPDATA");
        // The system's own, wide: a user name outside the ANSI code page.
        _wputenv_s(L"APPDATA", L"C:\\Пользователь\\AppData\\Roaming");
        QCOMPARE(QString::fromStdString(DefaultJournalPath()),
                 QString("C:\\Пользователь\\AppData\\Roaming\\zekt-programmer\\journal.csv"));
        _wputenv_s(L"APPDATA", kept.c_str());
    }

    void ANameIsHeldOnce() {
        auto first = std::make_unique<NameHold>("path:C:\\радио.hex");
        QVERIFY(!first->HeldElsewhere());
        QVERIFY(NameHold("path:C:\\радио.hex").HeldElsewhere());
        QVERIFY(!NameHold("path:C:\\другое.hex").HeldElsewhere());
        first.reset();
        QVERIFY(!NameHold("path:C:\\радио.hex").HeldElsewhere());
    }
};

QTEST_GUILESS_MAIN(WindowsFilesTest)
#include "WindowsFilesTest.moc"
