// The file rules on Windows: paths are UTF-8 inside the program and UTF-16
// at the system; every file is binary; a replace is one MoveFileEx or
// ReplaceFile after FlushFileBuffers. Links and junctions are followed to
// their target, as symlinks are on Linux (Windows has no shared sticky
// folders, so no link is refused for its owner).
#include "ReadBuffer.h"
#include "SafeFile.h"
#include "SystemFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace zekt {

namespace {

std::wstring Wide(const std::string& utf8) {
    return PathOf(utf8).wstring();
}

std::string Utf8(const std::wstring& wide) {
    return TextOf(std::filesystem::path(wide));
}

FileError ErrorFromSystem(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return FileError::NotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FileError::InUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return FileError::Permission;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return FileError::NoSpace;
    case ERROR_FILENAME_EXCED_RANGE:
        return FileError::NameTooLong;
    case ERROR_CANT_RESOLVE_FILENAME:
        return FileError::LinkLoop;
    case ERROR_DIRECTORY:
        return FileError::NotRegular;
    default:
        return FileError::Io;
    }
}

FileError LastError() {
    return ErrorFromSystem(GetLastError());
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

class Handle {
public:
    explicit Handle(HANDLE h) : h(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE Get() const { return h; }
    bool Valid() const { return h != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        HANDLE kept = h;
        h = INVALID_HANDLE_VALUE;
        return kept;
    }
    bool Close() {
        const bool closed = !Valid() || CloseHandle(h) != 0;
        h = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE h;
};

HANDLE OpenExisting(const std::string& path, DWORD access) {
    return CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str());
}

bool IsFolder(DWORD attributes) {
    return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The final path of an open file, without the \\?\ the system puts first.
std::string FinalPath(HANDLE h) {
    std::wstring name(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, name.data(), static_cast<DWORD>(name.size()), 0);
    if (n >= name.size()) {
        name.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, name.data(), static_cast<DWORD>(name.size()), 0);
    }
    if (n == 0 || n >= name.size()) {
        return {};
    }
    name.resize(n);
    if (name.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        name = L"\\\\" + name.substr(8);
    } else if (name.rfind(L"\\\\?\\", 0) == 0) {
        name = name.substr(4);
    }
    return Utf8(name);
}

// A link or junction leads to its target; anything else is its own path.
FileError ResolveLinks(const std::string& path, std::string& target) {
    target = path;
    const DWORD attributes = Attributes(path);
    if (attributes == kNoAttributes || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return FileError::None;
    }
    Handle h(OpenExisting(path, 0));
    if (!h.Valid()) {
        const DWORD why = GetLastError();
        // A link to nothing yet: the file to write is the link's own name.
        return why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND ? FileError::None
                                                                          : ErrorFromSystem(why);
    }
    const std::string final = FinalPath(h.Get());
    if (final.empty()) {
        return LastError();
    }
    target = final;
    return FileError::None;
}

bool IsDiskFile(HANDLE h) {
    return GetFileType(h) == FILE_TYPE_DISK;
}

FileWrite Failed(FileError error, const std::string& target) {
    return {error, target};
}

bool WriteAllTo(HANDLE h, std::string_view content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1 << 20));
        DWORD written = 0;
        if (WriteFile(h, content.data() + done, chunk, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// A name beside the target that no file has yet.
HANDLE CreateTemporary(const std::string& target, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = ParentOf(target);
    const std::string base = TextOf(PathOf(target).filename());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08lx%04x", GetCurrentProcessId(),
                      counter.fetch_add(1) & 0xFFFF);
        temporary = TextOf(PathOf(folder) / PathOf("." + base + suffix));
        HANDLE h = CreateFileW(Wide(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return h;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// The temporary takes the target's place in one step, written through.
bool Replace(const std::string& temporary, const std::string& target, bool exists) {
    const std::wstring from = Wide(temporary);
    const std::wstring to = Wide(target);
    // ReplaceFile keeps the target's attributes and security.
    if (exists && ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                               nullptr, nullptr) != 0) {
        return true;
    }
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// A file with a reparse point (a symlink, a junction) or more than one name.
bool LinkedHandle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(h, &info) == 0 ||
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || info.nNumberOfLinks > 1;
}

// Opens a write target under the rules of WriteFileSafely as a binary
// descriptor, creating it when missing; never a device. An own file is
// opened by its name only (FILE_FLAG_OPEN_REPARSE_POINT: the link itself,
// whatever was put there since it was looked at), never a file with other names.
FileError OpenTarget(const std::string& path, DWORD access, int flags, int& fd, bool own = false) {
    fd = -1;
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
    const DWORD attributes = FILE_ATTRIBUTE_NORMAL | (own ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    Handle h(CreateFileW(Wide(inspected.path).c_str(), access, kShareAll, nullptr, OPEN_ALWAYS,
                         attributes, nullptr));
    if (!h.Valid()) {
        return LastError();
    }
    if (!IsDiskFile(h.Get())) {
        return FileError::NotRegular;
    }
    if (own && LinkedHandle(h.Get())) {
        return FileError::Linked;
    }
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.Get()), flags | _O_BINARY);
    if (fd < 0) {
        return FileError::Io;
    }
    h.Release(); // the descriptor owns it now
    return FileError::None;
}

} // namespace

FileError CheckOwnFile(const std::string& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == kNoAttributes) {
        const DWORD why = GetLastError();
        const bool missing = why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND;
        return missing ? FileError::None : ErrorFromSystem(why);
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return FileError::Linked;
    }
    if (IsFolder(attributes)) {
        return FileError::None; // refused as no regular file where it is opened
    }
    Handle h(CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return h.Valid() && LinkedHandle(h.Get()) ? FileError::Linked : FileError::None;
}

FileError OpenOwnForAppending(const std::string& path, int& fd) {
    return OpenTarget(path, GENERIC_READ | GENERIC_WRITE, _O_APPEND, fd, true);
}

std::string ParentOf(const std::string& path) {
    const std::filesystem::path parent = PathOf(path).parent_path();
    return parent.empty() ? std::string(".") : TextOf(parent);
}

WriteTarget InspectTarget(const std::string& path) {
    WriteTarget t;
    t.error = ResolveLinks(path, t.path);
    if (t.error != FileError::None) {
        return t;
    }
    const std::string name = TextOf(PathOf(t.path).filename());
    if (name.empty() || name == "." || name == "..") {
        t.error = FileError::NotRegular;
        return t;
    }
    const DWORD attributes = Attributes(t.path);
    t.exists = attributes != kNoAttributes;
    if (!t.exists) {
        const DWORD why = GetLastError();
        if (why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND) {
            t.error = ErrorFromSystem(why);
        } else if (!FolderUsable(ParentOf(t.path))) {
            t.error = FileError::NotFound;
        }
        return t;
    }
    if (IsFolder(attributes)) {
        t.error = FileError::NotRegular;
    } else if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        t.error = FileError::Permission;
    } else {
        Handle h(OpenExisting(t.path, GENERIC_WRITE));
        if (!h.Valid()) {
            t.error = LastError();
        } else if (!IsDiskFile(h.Get())) {
            t.error = FileError::NotRegular; // a device (CON, NUL, COM1) or a pipe
        }
    }
    return t;
}

FileRead ReadRegularFile(const std::string& path, std::size_t limit) {
    const DWORD attributes = Attributes(path);
    if (attributes == kNoAttributes) {
        return {LastError(), {}};
    }
    if (IsFolder(attributes)) {
        return {FileError::NotRegular, {}};
    }
    Handle h(OpenExisting(path, GENERIC_READ));
    if (!h.Valid()) {
        return {LastError(), {}};
    }
    if (!IsDiskFile(h.Get())) {
        return {FileError::NotRegular, {}};
    }
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h.Get(), &size) == 0) {
        return {LastError(), {}};
    }
    if (static_cast<unsigned long long>(size.QuadPart) > limit) {
        return {FileError::TooLarge, {}};
    }
    FileRead result{FileError::None, ReadBufferFor(size.QuadPart, limit)};
    std::size_t have = 0;
    while (RoomToRead(result.bytes, have, limit)) {
        DWORD n = 0;
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>(result.bytes.size() - have, 1 << 20));
        if (ReadFile(h.Get(), result.bytes.data() + have, want, &n, nullptr) == 0) {
            return {LastError(), {}};
        }
        if (n == 0) {
            break;
        }
        have += n;
    }
    if (have > limit) {
        return {FileError::TooLarge, {}};
    }
    result.bytes.resize(have);
    return result;
}

std::string UserFilePath(UserPlace, const std::string& name) {
    for (const wchar_t* variable : {L"APPDATA", L"LOCALAPPDATA"}) {
        if (const wchar_t* set = _wgetenv(variable); set != nullptr && set[0] != L'\0') {
            return TextOf(std::filesystem::path(set) / "zekt-programmer" / PathOf(name));
        }
    }
    return {};
}

const char* UserFolderShown(UserPlace) {
    return "%APPDATA%\\zekt-programmer\\";
}

const char* PasswordFileShown() {
    return "%APPDATA%\\postgresql\\pgpass.conf";
}

const char* UserPlaceVariables(UserPlace) {
    return "ни APPDATA, ни LOCALAPPDATA";
}

bool FolderUsable(const std::string& path) {
    return IsFolder(Attributes(path));
}

TemporaryFile CreateTemporaryBeside(const WriteTarget& target) {
    TemporaryFile temporary;
    Handle h(CreateTemporary(target.path, temporary.path));
    if (!h.Valid()) {
        const DWORD why = GetLastError();
        temporary.error = ErrorFromSystem(why);
        temporary.folderTakesNoNewFile = why == ERROR_ACCESS_DENIED;
        return temporary;
    }
    temporary.fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.Get()), _O_BINARY);
    if (temporary.fd < 0) {
        temporary.error = FileError::Io;
        h.Close();
        DeleteFileW(Wide(temporary.path).c_str());
        return temporary;
    }
    h.Release(); // the descriptor owns it now
    return temporary;
}

FileError WriteAndClose(int fd, std::string_view content) {
    const HANDLE h = HandleOf(fd);
    const bool ok = WriteAllTo(h, content) && FlushFileBuffers(h) != 0;
    const DWORD why = ok ? ERROR_SUCCESS : GetLastError();
    const bool closed = _close(fd) == 0;
    if (!ok) {
        return ErrorFromSystem(why);
    }
    return closed ? FileError::None : FileErrorFromErrno(errno);
}

FileError ReplaceWithTemporary(const std::string& temporary, const WriteTarget& target) {
    return Replace(temporary, target.path, target.exists) ? FileError::None : LastError();
}

FileWrite WriteOutputFile(const std::string& path, std::string_view content) {
    if (path == "/dev/stdout" || path == "-") {
        std::fflush(stdout);
        if (_write(_fileno(stdout), content.data(), static_cast<unsigned>(content.size())) !=
            static_cast<int>(content.size())) {
            return Failed(FileErrorFromErrno(errno), path);
        }
        return {FileError::None, path};
    }
    Handle h(OpenExisting(path, GENERIC_WRITE));
    if (!h.Valid() || IsDiskFile(h.Get())) {
        h.Close();
        return WriteFileSafely(path, content);
    }
    // A device (CON, NUL) or a pipe takes the content as a stream.
    if (!WriteAllTo(h.Get(), content)) {
        return Failed(LastError(), path);
    }
    return {FileError::None, path};
}

FileError OpenForWriting(const std::string& path, int& fd) {
    if (const FileError error = OpenTarget(path, GENERIC_WRITE, 0, fd); error != FileError::None) {
        return error;
    }
    if (_chsize_s(fd, 0) != 0) {
        const int why = errno;
        _close(fd);
        fd = -1;
        return FileErrorFromErrno(why);
    }
    return FileError::None;
}

FileError OpenForAppending(const std::string& path, int& fd) {
    // Read too: an appender looks at the last byte before it writes.
    return OpenTarget(path, GENERIC_READ | GENERIC_WRITE, _O_APPEND, fd);
}

FileError ResolveSafeLinks(const std::string& path, std::string& target) {
    return ResolveLinks(path, target);
}

FileError FolderAt(const std::string& folder, bool& exists) {
    const DWORD attributes = Attributes(folder);
    exists = attributes != kNoAttributes;
    return !exists || IsFolder(attributes) ? FileError::None : FileError::NotRegular;
}

FileError MakeOneFolder(const std::string& folder) {
    if (CreateDirectoryW(Wide(folder).c_str(), nullptr) == 0 &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        return LastError();
    }
    return FileError::None;
}

void OpenClosedStandardStreams() {
    // The window has no console of its own: started from cmd.exe, its
    // --help and --version go to that one.
    if (GetStdHandle(STD_OUTPUT_HANDLE) == nullptr && AttachConsole(ATTACH_PARENT_PROCESS) != 0) {
        (void)!std::freopen("CONOUT$", "w", stdout);
        (void)!std::freopen("CONOUT$", "w", stderr);
    }
    for (int stream = 0; stream <= 2; ++stream) {
        if (_get_osfhandle(stream) == -1 || _get_osfhandle(stream) == -2) {
            const int fd = _wopen(L"NUL", stream == 0 ? _O_RDONLY : _O_WRONLY);
            if (fd >= 0 && fd != stream) {
                _dup2(fd, stream);
                _close(fd);
            }
        }
    }
    // The bytes the program writes are the bytes that arrive, as on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

FileWrite WriteFileInPlace(const std::string& path, std::string_view content) {
    Handle h(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
        return Failed(LastError(), path);
    }
    if (!IsDiskFile(h.Get())) {
        return Failed(FileError::NotRegular, path);
    }
    // Reserving the space first keeps the old content whole on a full disk.
    LARGE_INTEGER size{};
    LARGE_INTEGER wanted{};
    wanted.QuadPart = static_cast<LONGLONG>(content.size());
    if (GetFileSizeEx(h.Get(), &size) != 0 && size.QuadPart < wanted.QuadPart &&
        (SetFilePointerEx(h.Get(), wanted, nullptr, FILE_BEGIN) == 0 ||
         SetEndOfFile(h.Get()) == 0)) {
        return Failed(LastError(), path);
    }
    LARGE_INTEGER start{};
    bool ok = SetFilePointerEx(h.Get(), start, nullptr, FILE_BEGIN) != 0 &&
              WriteAllTo(h.Get(), content) && SetEndOfFile(h.Get()) != 0 &&
              FlushFileBuffers(h.Get()) != 0;
    const DWORD why = GetLastError();
    ok = h.Close() && ok;
    if (!ok) {
        return Failed(ErrorFromSystem(why), path);
    }
    return {FileError::None, path};
}

static std::string IdentityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(handle, &info) == 0) {
        return {};
    }
    return std::to_string(info.dwVolumeSerialNumber) + ":" +
           std::to_string((static_cast<unsigned long long>(info.nFileIndexHigh) << 32) |
                          info.nFileIndexLow);
}

std::string FileIdentity(const std::string& path) {
    Handle h(OpenExisting(path, 0));
    return h.Valid() ? IdentityOf(h.Get()) : std::string();
}

bool SameFile(const std::string& a, const std::string& b) {
    const std::string ia = FileIdentity(a);
    const std::string ib = FileIdentity(b);
    if (!ia.empty() && !ib.empty()) {
        return ia == ib;
    }
    std::error_code ec;
    return std::filesystem::weakly_canonical(PathOf(a), ec) ==
           std::filesystem::weakly_canonical(PathOf(b), ec);
}

void LockWholeFile(int fd) {
    OVERLAPPED whole{};
    LockFileEx(HandleOf(fd), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
}

LockTry TryLockWholeFile(int fd) {
    OVERLAPPED whole{};
    if (LockFileEx(HandleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                   MAXDWORD, &whole)) {
        return LockTry::Locked;
    }
    return GetLastError() == ERROR_LOCK_VIOLATION ? LockTry::Held : LockTry::NoLocks;
}

bool WriteAtOnce(int fd, std::string_view text) {
    // One write: _O_APPEND places it after whatever others wrote, under the lock.
    return _write(fd, text.data(), static_cast<unsigned>(text.size())) ==
           static_cast<int>(text.size());
}

bool FileSizeOf(int fd, long long& size) {
    size = _filelengthi64(fd);
    return size >= 0;
}

std::size_t BytesAt(int fd, long long offset, char* into, std::size_t count) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    return ReadFile(HandleOf(fd), into, static_cast<DWORD>(count), &n, &at) != 0 ? n : 0;
}

bool StillNamed(int fd, const std::string& path) {
    const std::string named = FileIdentity(path);
    return !named.empty() && named == IdentityOf(HandleOf(fd));
}

bool CutFileTo(int fd, long long size) {
    return _chsize_s(fd, size) == 0;
}

bool SyncFile(int fd) {
    return FlushFileBuffers(HandleOf(fd)) != 0;
}

void CloseFile(int fd) {
    _close(fd);
}

FileError CreateNewFile(const std::string& path, int& fd, bool& existed) {
    fd = -1;
    existed = false;
    Handle h(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
        existed = GetLastError() == ERROR_FILE_EXISTS;
        return LastError();
    }
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.Get()), _O_BINARY);
    if (fd < 0) {
        return FileError::Io;
    }
    h.Release();
    return FileError::None;
}

void RemoveFile(const std::string& path) {
    DeleteFileW(Wide(path).c_str());
}

} // namespace zekt
