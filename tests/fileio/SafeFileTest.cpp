#include "SafeFile.h"

#include "SystemFiles.h"
#include "TempFiles.h"

#include <QDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zekt;

namespace {

// The bytes of a regular file; other kinds are never opened (a FIFO blocks).
std::string Bytes(const std::string& path) {
    if (!QFileInfo(QString::fromStdString(path)).isFile()) {
        return "<not a file>";
    }
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

QStringList Listing(const TempFiles& files) {
    return QDir(QString::fromStdString(files.Path("")))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Writes are refused past this size while it is in force, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }

private:
    rlimit saved{};
    void (*previous)(int) = nullptr;
};

} // namespace

class SafeFileTest : public QObject {
    Q_OBJECT

private slots:
    void readingTakesOnlyBoundedRegularFiles() {
        TempFiles files;
        const std::string fifo = files.Path("pipe.prg");
        QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);
        QVERIFY(QDir().mkdir(QString::fromStdString(files.Path("folder.prg"))));
        const std::string big = files.Write("big.hex", std::string(1001, ':'));
        const struct {
            std::string path;
            FileError error;
        } cases[] = {
            {files.Write("ok.prg", "\xEF\xBB\xBFtext"), FileError::None},
            {files.Write("limit.prg", std::string(1000, 'x')), FileError::None},
            {big, FileError::TooLarge},
            {files.Path("absent.prg"), FileError::NotFound},
            {files.Path("folder.prg"), FileError::NotRegular},
            {fifo, FileError::NotRegular}, // must not block waiting for a writer
            {"/dev/zero", FileError::NotRegular},
            // Regular files that say they are empty: read as they grow, to the limit.
            {"/proc/self/cmdline", FileError::None},
            {"/proc/self/maps", FileError::TooLarge},
        };
        for (const auto& [path, error] : cases) {
            const FileRead read = ReadRegularFile(path, 1000);
            QVERIFY2(read.error == error, path.c_str());
            if (read.Ok()) {
                QCOMPARE(read.bytes, Bytes(path));
            }
        }
        QCOMPARE(SkipByteOrderMark("\xEF\xBB\xBFtext"), std::string_view("text"));
        QCOMPARE(SkipByteOrderMark("te\xEF\xBB\xBFxt"), std::string_view("te\xEF\xBB\xBFxt"));
    }

    // Every refused or failed write leaves the old bytes and nothing else.
    void refusedWritesKeepTheOldFile() {
        TempFiles files;
        const struct {
            const char* name;
            std::function<std::string(TempFiles&)> plant; // returns the path to write
            FileError error;
        } cases[] = {
            {"folder",
             [](TempFiles& f) {
                 QDir().mkdir(QString::fromStdString(f.Path("out.prg")));
                 return f.Path("out.prg");
             },
             FileError::NotRegular},
            {"fifo",
             [](TempFiles& f) {
                 mkfifo(f.Path("out.hex").c_str(), 0600);
                 return f.Path("out.hex");
             },
             FileError::NotRegular},
            {"link to a device",
             [](TempFiles& f) {
                 symlink("/dev/null", f.Path("null.hex").c_str());
                 return f.Path("null.hex");
             },
             FileError::NotRegular},
            {"read-only",
             [](TempFiles& f) {
                 const std::string path = f.Write("ro.prg", "old");
                 chmod(path.c_str(), 0444);
                 return path;
             },
             FileError::Permission},
            {"missing folder", [](TempFiles& f) { return f.Path("no/such/out.prg"); },
             FileError::NotFound},
            {"name too long", [](TempFiles& f) { return f.Path(std::string(256, 'n')); },
             FileError::NameTooLong},
            {"link loop",
             [](TempFiles& f) {
                 symlink(f.Path("b.prg").c_str(), f.Path("a.prg").c_str());
                 symlink(f.Path("a.prg").c_str(), f.Path("b.prg").c_str());
                 return f.Path("a.prg");
             },
             FileError::LinkLoop},
        };
        for (const auto& c : cases) {
            TempFiles scratch;
            const std::string path = c.plant(scratch);
            const QStringList before = Listing(scratch);
            const std::string old = Bytes(path);
            QCOMPARE(CheckWriteTarget(path), c.error);
            const FileWrite written = WriteFileSafely(path, "new");
            QVERIFY2(written.error == c.error, c.name);
            QCOMPARE(Listing(scratch), before);
            QCOMPARE(Bytes(path), old);
        }
        struct stat null {};
        QVERIFY(stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode));
    }

    void replacingKeepsModeAndFollowsLinks() {
        TempFiles files;
        const std::string target = files.Write("radio.prg", "old contents");
        chmod(target.c_str(), 0640);
        QVERIFY(QDir().mkdir(QString::fromStdString(files.Path("sub"))));
        const std::string link = files.Path("sub/link.prg");
        QCOMPARE(symlink("../radio.prg", link.c_str()), 0);
        // A planted name a fixed-name writer would follow is never touched.
        const std::string victim = files.Write("victim", "keep");
        QCOMPARE(symlink(victim.c_str(), files.Path("radio.prg.part").c_str()), 0);

        const FileWrite written = WriteFileSafely(link, "new contents");
        QVERIFY(written.Ok());
        QCOMPARE(written.target, files.Path("sub/../radio.prg"));
        QCOMPARE(Bytes(target), std::string("new contents"));
        QVERIFY(QFileInfo(QString::fromStdString(link)).isSymLink());
        QCOMPARE(Bytes(victim), std::string("keep"));
        struct stat info {};
        QCOMPARE(stat(target.c_str(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0640));
        QCOMPARE(Listing(files), (QStringList{"radio.prg", "radio.prg.part", "sub", "victim"}));

        QVERIFY(WriteFileSafely(files.Path("fresh"), "x").Ok());
        QVERIFY(QFile::exists(QString::fromStdString(files.Path("fresh"))));

        // /proc's links say they are 64 bytes long whatever they hold: a
        // longer name behind one is followed whole, never cut.
        const std::string deep = files.Write(std::string(80, 'n') + ".prg", "old");
        const int fd = open(deep.c_str(), O_RDONLY);
        QVERIFY(fd >= 0);
        const FileWrite viaDescriptor =
            WriteFileSafely("/proc/self/fd/" + std::to_string(fd), "through the descriptor");
        close(fd);
        QVERIFY(viaDescriptor.Ok());
        QCOMPARE(viaDescriptor.target, deep);
        QCOMPARE(Bytes(deep), std::string("through the descriptor"));
    }

    void fullDiskKeepsTheOldFile() {
        TempFiles files;
        const std::string path = files.Write("radio.hex", "old");
        const std::string big(64 * 1024, 'x');
        FileWrite written;
        {
            FileSizeLimit limit(4096);
            written = WriteFileSafely(path, big);
        }
        QCOMPARE(written.error, FileError::NoSpace);
        QCOMPARE(Bytes(path), std::string("old"));
        QCOMPARE(Listing(files), QStringList{"radio.hex"});
        QVERIFY(DescribeFileError(path, written.error).find("нет места на диске") !=
                std::string::npos);
        // Every writer names a full disk the same, a user's quota included.
        for (const int full : {ENOSPC, EFBIG, EDQUOT}) {
            QCOMPARE(FileErrorFromErrno(full), FileError::NoSpace);
        }
    }

    // The longest names a folder takes are saved through a temporary file
    // of a shorter name, and replaced whole (a new inode), not in place.
    void longestNamesAreReplacedWhole() {
        TempFiles files;
        for (const std::size_t length : {std::size_t(240), std::size_t(248), std::size_t(255)}) {
            const std::string path = files.Path(std::string(length - 4, 'n') + ".prg");
            QVERIFY(WriteFileSafely(path, "first").Ok());
            struct stat before {};
            stat(path.c_str(), &before);
            QVERIFY(WriteFileSafely(path, "second").Ok());
            struct stat after {};
            stat(path.c_str(), &after);
            QCOMPARE(Bytes(path), std::string("second"));
            QVERIFY(after.st_ino != before.st_ino);
        }
        QCOMPARE(Listing(files).size(), 3);
    }

    // A link another user planted in a shared sticky folder (as in /tmp)
    // is not followed; the user's own link is. The trace's opening follows
    // the same rules and never waits on a FIFO.
    void linksInSharedFoldersAndTraceOpening() {
        TempFiles files;
        const std::string shared = files.Path("shared");
        QVERIFY(QDir().mkdir(QString::fromStdString(shared)));
        chmod(shared.c_str(), 01777);
        const std::string victim = files.Write("victim", "keep");
        const std::string own = shared + "/own.hex";
        const std::string planted = shared + "/planted.hex";
        QCOMPARE(symlink(victim.c_str(), own.c_str()), 0);
        QCOMPARE(symlink(victim.c_str(), planted.c_str()), 0);
        int fd = -1;
        if (geteuid() == 0 && lchown(planted.c_str(), 65534, 65534) == 0) {
            QCOMPARE(WriteFileSafely(planted, "new").error, FileError::UnsafeLink);
            QCOMPARE(OpenForWriting(planted, fd), FileError::UnsafeLink);
            QCOMPARE(Bytes(victim), std::string("keep"));
        }
        QVERIFY(WriteFileSafely(own, "mine").Ok());
        QCOMPARE(Bytes(victim), std::string("mine"));

        QCOMPARE(mkfifo(files.Path("fifo").c_str(), 0600), 0);
        QCOMPARE(OpenForWriting(files.Path("fifo"), fd), FileError::NotRegular);
        QCOMPARE(OpenForWriting(files.Path("trace.txt"), fd), FileError::None);
        QVERIFY(fd >= 0);
        close(fd);
    }

    void inPlaceFallback() {
        TempFiles files;
        const std::string path = files.Write("radio.prg", "a much longer old text");
        chmod(path.c_str(), 0600);
        struct stat before {};
        stat(path.c_str(), &before);
        QVERIFY(WriteFileInPlace(path, "short").Ok());
        QCOMPARE(Bytes(path), std::string("short"));
        struct stat after {};
        stat(path.c_str(), &after);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode & 0777, mode_t(0600));
        {
            FileSizeLimit limit(8);
            QCOMPARE(WriteFileInPlace(path, std::string(4096, 'y')).error, FileError::NoSpace);
        }
        QCOMPARE(Bytes(path), std::string("short"));
    }
};

QTEST_APPLESS_MAIN(SafeFileTest)
#include "SafeFileTest.moc"
