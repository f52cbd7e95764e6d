#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zekt {

// Why a file could not be read or written.
enum class FileError {
    None,
    NotFound,
    NotRegular, // a folder, FIFO, device or socket
    TooLarge,   // above the reader's bound
    Permission, // the user may not read or write it, or it is read-only
    NoSpace,    // the disk (or the user's quota or file-size limit) is full
    UnsafeLink, // a link another user planted in a shared (sticky) folder
    NameTooLong,
    LinkLoop, // links that name each other, or too long a chain
    InUse,    // another program holds the file open without sharing it (Windows)
    Linked,   // a program's own file that is a link, or a second name of another file
    Io,       // any other system error
};

// The reason for a system error number.
FileError FileErrorFromErrno(int error);

// Read bounds: a configuration file is a few kilobytes, a full firmware
// file about 25 KB.
inline constexpr std::size_t kConfigFileLimit = 64 * 1024;
inline constexpr std::size_t kHexFileLimit = 4 * 1024 * 1024;

struct [[nodiscard]] FileRead {
    FileError error = FileError::None;
    std::string bytes; // the whole file when error is None
    bool Ok() const { return error == FileError::None; }
};

// Reads a regular file of at most limit bytes. Anything else (a folder, a
// FIFO, a device) is refused without blocking, and a larger file without
// reading it whole.
FileRead ReadRegularFile(const std::string& path, std::size_t limit);

// The text without a leading UTF-8 byte-order mark (as Windows editors save).
std::string_view SkipByteOrderMark(std::string_view text);

// The per-user places: the journal and its radio copies (Data), the
// settings file (Config).
enum class UserPlace { Data, Config };

// The program's file name in a per-user place; empty when the system names
// none. Linux: $XDG_DATA_HOME or ~/.local/share, $XDG_CONFIG_HOME or
// ~/.config. Windows: %APPDATA% (else %LOCALAPPDATA%) for both.
std::string UserFilePath(UserPlace place, const std::string& name);

// The per-user folder as help texts show it, with its trailing separator:
// "$XDG_DATA_HOME/zekt-programmer/", "%APPDATA%\zekt-programmer\".
const char* UserFolderShown(UserPlace place);
// Where libpq reads the shared journal's password, as help texts show it.
const char* PasswordFileShown();

// The variables UserFilePath reads, for a warning when none is set:
// "ни XDG_DATA_HOME, ни HOME".
const char* UserPlaceVariables(UserPlace place);

// A path the program keeps as UTF-8 text, for std::filesystem, and back:
// on Windows a plain std::string would be read in the ANSI code page.
std::filesystem::path PathOf(const std::string& utf8);
std::string TextOf(const std::filesystem::path& path);

// A text's lines: CR LF, LF and a lone CR all end a line.
std::vector<std::string_view> SplitLines(std::string_view text);
// The same lines one at a time, for a text too large to split at once: the
// line at `start` and start moved past its end; false after the last.
bool NextLine(std::string_view text, std::size_t& start, std::string_view& line);

struct [[nodiscard]] FileWrite {
    FileError error = FileError::None;
    std::string target; // the file actually written (a symlink's target)
    bool Ok() const { return error == FileError::None; }
};

// Replaces a file's content so that it is either the old or the new one:
// through symlinks to their target; refused when the target exists and is not
// a regular file, or may not be written; a uniquely named temporary file
// beside the target gets the target's mode, the content, fsync, and is
// renamed over the target. When the folder takes no temporary file, a
// writable target is rewritten in place (with its space reserved first).
// On failure the target is as it was and no temporary file is left.
FileWrite WriteFileSafely(const std::string& path, std::string_view content);

// Removes the temporary files of safe writes under way, for a process that
// is about to end at once (an insisted stop): none is left behind.
void RemoveTemporaryFiles();

// What WriteFileSafely would refuse before writing anything: a target that
// is not a regular file or may not be written, or a missing folder.
FileError CheckWriteTarget(const std::string& path);

// Opens a file for appending (a journal) under the same rules, creating it
// when missing; fd is the open descriptor when the result is None.
FileError OpenForAppending(const std::string& path, int& fd);

// The program's own files beside its journal (the shared journal's queue,
// its lock, its refused records) are never reached through a link: one that
// is a symlink (a reparse point on Windows) or a second name of a file (a
// hard link) is refused as Linked, and the file it leads to is neither read
// nor written nor emptied. Otherwise as ReadRegularFile, OpenForAppending
// and WriteFileSafely.
FileError CheckOwnFile(const std::string& path);
FileRead ReadOwnFile(const std::string& path, std::size_t limit);
FileError OpenOwnForAppending(const std::string& path, int& fd);
FileWrite WriteOwnFileSafely(const std::string& path, std::string_view content);

// Where a path's links lead, followed only under the rules above (a link
// another user planted in a shared folder is refused); the path itself when
// it is no link.
FileError ResolveSafeLinks(const std::string& path, std::string& target);

// Creates a folder and its parents through safe links; the true reason when
// it cannot.
FileError MakeFolders(const std::string& path);

// A journal's own file operations on an open descriptor: an exclusive lock
// on the whole file (waits; released by closing), the same waiting at most
// `wait` (false: another program still holds it), one write of the whole
// text, the size, the byte at an offset, a cut back to a size, a sync. A
// file system without locks counts as locked.
void LockWholeFile(int fd);
[[nodiscard]] bool LockWholeFileWithin(int fd, std::chrono::milliseconds wait);
// One try, without waiting (each system's half).
enum class LockTry { Locked, Held, NoLocks };
LockTry TryLockWholeFile(int fd);
bool WriteAtOnce(int fd, std::string_view text);
bool FileSizeOf(int fd, long long& size);
std::size_t BytesAt(int fd, long long offset, char* into, std::size_t count); // bytes read
inline bool ByteAt(int fd, long long offset, char& byte) {
    return BytesAt(fd, offset, &byte, 1) == 1;
}
// Whether the path still names the open file: a file replaced whole (by a
// rename) leaves whoever waited on its lock with the old one.
bool StillNamed(int fd, const std::string& path);
bool CutFileTo(int fd, long long size);
bool SyncFile(int fd);
void CloseFile(int fd);
// Appends text to an open file of `size` bytes in one write, whole or not at
// all: a write cut short (a full disk) is cut back to size.
FileError AppendAtOnce(int fd, std::string_view text, long long size);

// Creates a file that did not exist, never through a link; existed tells
// a name already taken from any other failure.
FileError CreateNewFile(const std::string& path, int& fd, bool& existed);
void RemoveFile(const std::string& path);

// Descriptors 0 to 2 that are closed are opened on /dev/null, so that no
// file or event descriptor opened later takes their place (and a prompt
// never reads one as the operator's answer).
void OpenClosedStandardStreams();

// A folder that exists and can be entered.
bool FolderUsable(const std::string& path);

// The in-place fallback on its own: space reserved before the first byte
// changes, then written, cut to length and synced.
FileWrite WriteFileInPlace(const std::string& path, std::string_view content);

// Two names of one file: the same device and inode when both exist (hard
// links and symlinks included), else the same path once resolved.
bool SameFile(const std::string& a, const std::string& b);

// What tells a file apart on its disk (device and inode on Linux, volume and
// file index on Windows) as text; empty when it does not exist.
std::string FileIdentity(const std::string& path);

// A file a command names, with the option or role that names it.
struct NamedFile {
    std::string what; // "--trace", "входной файл", ...
    std::string path;
};
// The first file written that is also read, or written twice: "--trace и
// входной файл называют один файл PATH: он был бы испорчен."; nothing when
// every output is apart. Empty paths are skipped.
std::optional<std::string> FilesClash(const std::vector<NamedFile>& written,
                                      const std::vector<NamedFile>& read);

// The reason in the operator's words, for messages that name the file.
const char* FileErrorText(FileError error);

// "Файл PATH: REASON." for the command line.
std::string DescribeFileError(const std::string& path, FileError error);

} // namespace zekt
