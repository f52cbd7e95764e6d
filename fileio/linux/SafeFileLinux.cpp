#include "ReadBuffer.h"
#include "SafeFile.h"
#include "SystemFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zekt {

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

constexpr int kMaxLinkHops = 40;              // as the kernel's own limit on symlink chains
constexpr std::size_t kMaxLinkLength = 65536; // PATH_MAX is 4096; room to spare

constexpr std::size_t kNameMax = 255; // bytes of one name on Linux file systems

class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int Get() const { return fd; }
    void Take(int opened) {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = opened;
    }
    int Release() {
        const int kept = fd;
        fd = -1;
        return kept;
    }
    // Closes now, so that a failing close is seen (some file systems report
    // a full disk only there).
    bool Close() {
        const int closing = fd;
        fd = -1;
        return ::close(closing) == 0;
    }

private:
    int fd;
};

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A link in a sticky folder that others may write (such as /tmp) is
// followed only when it belongs to the user or to the folder's owner, as the
// kernel's protected_symlinks does for an ordinary open.
bool LinkMayBeFollowed(const std::string& link, const struct stat& linkStat) {
    struct stat folder {};
    if (stat(ParentOf(link).c_str(), &folder) != 0) {
        return false;
    }
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || linkStat.st_uid == geteuid() || linkStat.st_uid == folder.st_uid;
}

// Follows a chain of symlinks to the path of the file they name (which may
// not exist yet).
FileError ResolveLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0) {
            return errno == ENOENT ? FileError::None : FileErrorFromErrno(errno);
        }
        if (!S_ISLNK(st.st_mode)) {
            return FileError::None;
        }
        if (!LinkMayBeFollowed(target, st)) {
            return FileError::UnsafeLink;
        }
        // The size lstat gives is a hint only: /proc's links say 64 whatever
        // they hold, and a link may change meanwhile; a target that fills the
        // buffer may be cut, so the buffer grows until it does not.
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = 0;
        while ((n = readlink(target.c_str(), link.data(), link.size())) >= 0 &&
               static_cast<std::size_t>(n) == link.size() && link.size() < kMaxLinkLength) {
            link.resize(link.size() * 2);
        }
        if (n < 0) {
            return FileErrorFromErrno(errno);
        }
        if (static_cast<std::size_t>(n) == link.size()) {
            return FileError::NameTooLong;
        }
        link.resize(static_cast<std::size_t>(n));
        target = link.starts_with('/') ? link : ParentOf(target) + "/" + link;
    }
    return FileError::LinkLoop;
}

// A temporary name beside the target that fits in one name: a long target
// name gets a short one.
std::string TemporaryTemplate(const std::string& target) {
    const std::string base = NameOf(target);
    std::string name;
    name.reserve(base.size() + 8);
    name.append(".").append(base).append(".XXXXXX");
    std::string path = ParentOf(target);
    path.append("/").append(name.size() <= kNameMax ? name : std::string(".zekt.XXXXXX"));
    return path;
}

bool WriteAll(int fd, std::string_view content, off_t offset, bool positioned) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = positioned ? pwrite(fd, content.data() + done, content.size() - done,
                                              offset + static_cast<off_t>(done))
                                     : write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// On disk; a file system that cannot sync (EINVAL) has nothing more to do.
bool Synced(int fd) {
    return fsync(fd) == 0 || errno == EINVAL;
}

// Read while the process is still one thread: umask(2) both reads and sets,
// and another thread creating a file in between would get the wrong mode.
mode_t ReadUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}
const mode_t kStartUmask = ReadUmask();

mode_t DefaultMode() {
    return 0666 & ~kStartUmask;
}

// A read-only file is refused even where the system would let root write it.
bool MayWrite(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) != 0 && access(path.c_str(), W_OK) == 0;
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd); // best effort: the rename is done either way
        close(fd);
    }
}

FileWrite Failed(FileError error, const std::string& target) {
    return {error, target};
}

} // namespace

WriteTarget InspectTarget(const std::string& path) {
    WriteTarget t;
    t.error = ResolveLinks(path, t.path);
    if (t.error != FileError::None) {
        return t;
    }
    const std::string name = NameOf(t.path);
    if (name.empty() || name == "." || name == "..") {
        t.error = FileError::NotRegular;
        return t;
    }
    struct stat st {};
    t.exists = stat(t.path.c_str(), &st) == 0;
    if (!t.exists && errno != ENOENT) {
        t.error = FileErrorFromErrno(errno);
    } else if (t.exists && !S_ISREG(st.st_mode)) {
        t.error = FileError::NotRegular;
    } else if (t.exists && !MayWrite(t.path, st)) {
        t.error = FileError::Permission;
    } else if (!t.exists && !FolderUsable(ParentOf(t.path))) {
        t.error = FileError::NotFound;
    } else if (!t.exists && access(ParentOf(t.path).c_str(), W_OK) != 0) {
        t.error = FileError::Permission; // a new file needs a folder it may write
    }
    return t;
}

FileRead ReadRegularFile(const std::string& path, std::size_t limit) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        return {FileErrorFromErrno(errno), {}};
    }
    // Checked before opening: opening a device or a FIFO may block or act.
    if (!S_ISREG(st.st_mode)) {
        return {FileError::NotRegular, {}};
    }
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return {FileErrorFromErrno(errno), {}};
    }
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {FileError::NotRegular, {}};
    }
    if (static_cast<unsigned long long>(st.st_size) > limit) {
        return {FileError::TooLarge, {}};
    }
    FileRead result{FileError::None, ReadBufferFor(st.st_size, limit)};
    std::size_t have = 0;
    while (RoomToRead(result.bytes, have, limit)) {
        const ssize_t n = read(fd.Get(), result.bytes.data() + have, result.bytes.size() - have);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return {FileErrorFromErrno(errno), {}};
        }
        if (n == 0) {
            break;
        }
        have += static_cast<std::size_t>(n);
    }
    if (have > limit) {
        return {FileError::TooLarge, {}};
    }
    result.bytes.resize(have);
    return result;
}

namespace {

struct PlaceOnLinux {
    const char* variable;
    const char* underHome;
};

PlaceOnLinux LinuxPlace(UserPlace place) {
    return place == UserPlace::Data ? PlaceOnLinux{"XDG_DATA_HOME", ".local/share"}
                                    : PlaceOnLinux{"XDG_CONFIG_HOME", ".config"};
}

} // namespace

std::string UserFilePath(UserPlace place, const std::string& name) {
    const PlaceOnLinux where = LinuxPlace(place);
    std::string base;
    if (const char* set = std::getenv(where.variable); set != nullptr && set[0] == '/') {
        base = set;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = std::string(home) + "/" + where.underHome;
    } else {
        return {};
    }
    return base + "/zekt-programmer/" + name;
}

const char* UserFolderShown(UserPlace place) {
    return place == UserPlace::Data ? "$XDG_DATA_HOME/zekt-programmer/"
                                    : "$XDG_CONFIG_HOME/zekt-programmer/";
}

const char* PasswordFileShown() {
    return "~/.pgpass";
}

const char* UserPlaceVariables(UserPlace place) {
    return place == UserPlace::Data ? "ни XDG_DATA_HOME, ни HOME" : "ни XDG_CONFIG_HOME, ни HOME";
}

bool FolderUsable(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

TemporaryFile CreateTemporaryBeside(const WriteTarget& target) {
    TemporaryFile temporary;
    temporary.path = TemporaryTemplate(target.path);
    temporary.fd = mkstemp(temporary.path.data()); // O_EXCL: never an existing file
    if (temporary.fd < 0) {
        const int why = errno;
        temporary.error = FileErrorFromErrno(why);
        temporary.folderTakesNoNewFile = why == EACCES || why == EPERM || why == EROFS;
        return temporary;
    }
    // The old file's mode (and owner, for root) where the file system keeps
    // them; a USB stick's FAT may refuse, which must not refuse the save.
    struct stat st {};
    const bool exists = target.exists && stat(target.path.c_str(), &st) == 0;
    const mode_t mode = exists ? (st.st_mode & 07777) : DefaultMode();
    if (exists && geteuid() == 0) {
        (void)!fchown(temporary.fd, st.st_uid, st.st_gid);
    }
    (void)!fchmod(temporary.fd, mode); // after chown, which clears set-id bits
    return temporary;
}

FileError WriteAndClose(int fd, std::string_view content) {
    Descriptor written(fd);
    const bool ok = WriteAll(fd, content, 0, false) && Synced(fd);
    const int why = errno;
    if (!written.Close() || !ok) {
        return FileErrorFromErrno(ok ? errno : why);
    }
    return FileError::None;
}

FileError ReplaceWithTemporary(const std::string& temporary, const WriteTarget& target) {
    if (std::rename(temporary.c_str(), target.path.c_str()) != 0) {
        return FileErrorFromErrno(errno);
    }
    SyncFolder(ParentOf(target.path));
    return FileError::None;
}

FileWrite WriteOutputFile(const std::string& path, std::string_view content) {
    struct stat named {};
    struct stat out {};
    if (stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &out) == 0 &&
        named.st_dev == out.st_dev && named.st_ino == out.st_ino) {
        if (!WriteAll(STDOUT_FILENO, content, 0, false)) {
            return Failed(FileErrorFromErrno(errno), path);
        }
        return {FileError::None, path};
    }
    if (stat(path.c_str(), &named) != 0 || !(S_ISCHR(named.st_mode) || S_ISFIFO(named.st_mode))) {
        return WriteFileSafely(path, content);
    }
    // O_NONBLOCK: a FIFO nobody reads fails at once instead of waiting.
    Descriptor fd(open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        return Failed(FileErrorFromErrno(errno), path);
    }
    (void)!fcntl(fd.Get(), F_SETFL, fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    bool ok = WriteAll(fd.Get(), content, 0, false);
    const int why = errno;
    ok = fd.Close() && ok;
    if (!ok) {
        return Failed(FileErrorFromErrno(why), path);
    }
    return {FileError::None, path};
}

namespace {

// Opens a write target under the rules of WriteFileSafely with the given
// access flags, creating it when missing; never a FIFO or device. An own
// file is opened by its name only: never through a symlink (O_NOFOLLOW,
// whatever was put there since it was looked at), never a file with other names.
FileError OpenTarget(const std::string& path, int access, Descriptor& opened, bool own = false) {
    if (const FileError error = own ? CheckOwnFile(path) : FileError::None;
        error != FileError::None) {
        return error;
    }
    const WriteTarget inspected = InspectTarget(path);
    if (inspected.error != FileError::None) {
        return inspected.error;
    }
    if (own && inspected.path != path) {
        return FileError::Linked;
    }
    // O_NONBLOCK: a FIFO put in its place meanwhile fails instead of waiting.
    const int flags = access | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (own ? O_NOFOLLOW : 0);
    opened.Take(open(inspected.path.c_str(), flags, 0666));
    if (opened.Get() < 0) {
        return own && errno == ELOOP ? FileError::Linked : FileErrorFromErrno(errno);
    }
    struct stat st {};
    if (fstat(opened.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return FileError::NotRegular;
    }
    return own && st.st_nlink > 1 ? FileError::Linked : FileError::None;
}

} // namespace

FileError CheckOwnFile(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? FileError::None : FileErrorFromErrno(errno);
    }
    const bool secondName = S_ISREG(st.st_mode) && st.st_nlink > 1;
    return S_ISLNK(st.st_mode) || secondName ? FileError::Linked : FileError::None;
}

FileError OpenOwnForAppending(const std::string& path, int& fd) {
    fd = -1;
    Descriptor opened(-1);
    if (const FileError error = OpenTarget(path, O_RDWR | O_APPEND, opened, true);
        error != FileError::None) {
        return error;
    }
    fd = opened.Release();
    return FileError::None;
}

FileError OpenForWriting(const std::string& path, int& fd) {
    fd = -1;
    Descriptor opened(-1);
    if (const FileError error = OpenTarget(path, O_WRONLY, opened); error != FileError::None) {
        return error;
    }
    if (ftruncate(opened.Get(), 0) != 0) {
        return FileErrorFromErrno(errno);
    }
    fd = opened.Release();
    return FileError::None;
}

FileError OpenForAppending(const std::string& path, int& fd) {
    fd = -1;
    Descriptor opened(-1);
    // Read too: an appender looks at the last byte before it writes.
    if (const FileError error = OpenTarget(path, O_RDWR | O_APPEND, opened);
        error != FileError::None) {
        return error;
    }
    fd = opened.Release();
    return FileError::None;
}

FileError ResolveSafeLinks(const std::string& path, std::string& target) {
    return ResolveLinks(path, target);
}

FileError FolderAt(const std::string& folder, bool& exists) {
    struct stat st {};
    exists = stat(folder.c_str(), &st) == 0;
    if (exists) {
        return S_ISDIR(st.st_mode) ? FileError::None : FileError::NotRegular;
    }
    return errno == ENOENT ? FileError::None : FileErrorFromErrno(errno);
}

FileError MakeOneFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        return FileErrorFromErrno(errno);
    }
    return FileError::None;
}

void OpenClosedStandardStreams() {
    for (int stream = 0; stream <= 2; ++stream) {
        if (fcntl(stream, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free descriptor is this one.
            (void)!open("/dev/null", stream == 0 ? O_RDONLY : O_WRONLY);
        }
    }
}

FileWrite WriteFileInPlace(const std::string& path, std::string_view content) {
    Descriptor fd(open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0) {
        return Failed(FileErrorFromErrno(errno), path);
    }
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return Failed(FileError::NotRegular, path);
    }
    // Reserving the space first keeps the old content whole on a full disk.
    if (!content.empty()) {
        const int reserved = posix_fallocate(fd.Get(), 0, static_cast<off_t>(content.size()));
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
            return Failed(FileErrorFromErrno(reserved), path);
        }
    }
    bool ok = WriteAll(fd.Get(), content, 0, true) &&
              ftruncate(fd.Get(), static_cast<off_t>(content.size())) == 0 && Synced(fd.Get());
    const int why = errno;
    ok = fd.Close() && ok;
    if (!ok) {
        return Failed(FileErrorFromErrno(why), path);
    }
    return {FileError::None, path};
}

std::string FileIdentity(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        return {};
    }
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    std::error_code ec;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

void LockWholeFile(int fd) {
    (void)!flock(fd, LOCK_EX);
}

LockTry TryLockWholeFile(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return LockTry::Locked;
    }
    return errno == EWOULDBLOCK || errno == EINTR ? LockTry::Held : LockTry::NoLocks;
}

bool WriteAtOnce(int fd, std::string_view text) {
    // One write: O_APPEND places it whole after whatever others wrote.
    ssize_t n;
    do {
        n = write(fd, text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(text.size());
}

bool FileSizeOf(int fd, long long& size) {
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return false;
    }
    size = st.st_size;
    return true;
}

std::size_t BytesAt(int fd, long long offset, char* into, std::size_t count) {
    const ssize_t n = pread(fd, into, count, static_cast<off_t>(offset));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool StillNamed(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return fstat(fd, &open) == 0 && stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

bool CutFileTo(int fd, long long size) {
    return ftruncate(fd, static_cast<off_t>(size)) == 0;
}

bool SyncFile(int fd) {
    return fsync(fd) == 0;
}

void CloseFile(int fd) {
    close(fd);
}

FileError CreateNewFile(const std::string& path, int& fd, bool& existed) {
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    existed = fd < 0 && errno == EEXIST;
    return fd < 0 ? FileErrorFromErrno(errno) : FileError::None;
}

void RemoveFile(const std::string& path) {
    unlink(path.c_str());
}

} // namespace zekt
