#include "SafeFile.h"

#include "SystemFiles.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace zekt {

namespace {

// The temporary files of the writes under way, for RemoveTemporaryFiles;
// never destroyed, since a stop may call it while the process exits.
std::mutex& temporariesMutex = *new std::mutex;
std::set<std::string>& temporaries = *new std::set<std::string>;
bool temporariesRemoved = false; // the process is ending: no new one is kept

// A temporary file beside the target, made and listed in one step under the
// list's lock, so that RemoveTemporaryFiles never misses one just made;
// none once the process is ending. Off the list when this goes.
class TemporaryHeld {
public:
    explicit TemporaryHeld(const WriteTarget& target) {
        const std::lock_guard<std::mutex> lock(temporariesMutex);
        if (temporariesRemoved) {
            file.error = FileError::Io;
            return;
        }
        file = CreateTemporaryBeside(target);
        if (file.fd >= 0) {
            temporaries.insert(file.path);
        }
    }
    ~TemporaryHeld() {
        const std::lock_guard<std::mutex> lock(temporariesMutex);
        temporaries.erase(file.path);
    }
    TemporaryHeld(const TemporaryHeld&) = delete;
    TemporaryHeld& operator=(const TemporaryHeld&) = delete;

    TemporaryFile file;
};

} // namespace

void RemoveTemporaryFiles() {
    const std::lock_guard<std::mutex> lock(temporariesMutex);
    for (const std::string& path : temporaries) {
        RemoveFile(path);
    }
    temporaries.clear();
    temporariesRemoved = true;
}

FileError CheckWriteTarget(const std::string& path) {
    return InspectTarget(path).error;
}

namespace {

FileWrite WriteToTarget(const WriteTarget& target, std::string_view content) {
    if (target.error != FileError::None) {
        return {target.error, target.path};
    }
    const TemporaryHeld held(target);
    const TemporaryFile& temporary = held.file;
    if (temporary.fd < 0) {
        // In place only where the folder takes no new file at all.
        if (target.exists && temporary.folderTakesNoNewFile) {
            return WriteFileInPlace(target.path, content);
        }
        return {temporary.error, target.path};
    }
    FileError error = WriteAndClose(temporary.fd, content);
    if (error == FileError::None) {
        error = ReplaceWithTemporary(temporary.path, target);
    }
    if (error != FileError::None) {
        RemoveFile(temporary.path);
    }
    return {error, target.path};
}

} // namespace

FileWrite WriteFileSafely(const std::string& path, std::string_view content) {
    return WriteToTarget(InspectTarget(path), content);
}

FileWrite WriteOwnFileSafely(const std::string& path, std::string_view content) {
    WriteTarget target{CheckOwnFile(path), path};
    if (target.error == FileError::None) {
        target = InspectTarget(path);
        // A link put in its place meanwhile: the temporary would replace
        // its target, not it.
        if (target.error == FileError::None && target.path != path) {
            target.error = FileError::Linked;
        }
    }
    return WriteToTarget(target, content);
}

FileRead ReadOwnFile(const std::string& path, std::size_t limit) {
    if (const FileError error = CheckOwnFile(path); error != FileError::None) {
        return {error, {}};
    }
    return ReadRegularFile(path, limit);
}

FileError MakeFolders(const std::string& path) {
    std::string folder;
    if (const FileError error = ResolveSafeLinks(path, folder); error != FileError::None) {
        return error;
    }
    bool exists = false;
    if (const FileError error = FolderAt(folder, exists); error != FileError::None || exists) {
        return error;
    }
    const std::string parent = ParentOf(folder);
    if (parent != folder && parent != ".") {
        if (const FileError error = MakeFolders(parent); error != FileError::None) {
            return error;
        }
    }
    return MakeOneFolder(folder);
}

FileError AppendAtOnce(int fd, std::string_view text, long long size) {
    errno = 0;
    if (WriteAtOnce(fd, text)) {
        return FileError::None;
    }
    const int why = errno != 0 ? errno : ENOSPC; // a short write is a full disk
    // Whole or not at all: a half line would glue the next one to it.
    (void)CutFileTo(fd, size);
    return FileErrorFromErrno(why);
}

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TextOf(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

FileError FileErrorFromErrno(int error) {
    switch (error) {
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT // a user's quota is a full disk too, where the system has quotas
    case EDQUOT:
#endif
        return FileError::NoSpace;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return FileError::Permission;
    case ENOENT:
    case ENOTDIR:
        return FileError::NotFound;
    case EISDIR:
        return FileError::NotRegular;
    case ENAMETOOLONG:
        return FileError::NameTooLong;
    case ELOOP:
        return FileError::LinkLoop;
    default:
        return FileError::Io;
    }
}

bool LockWholeFileWithin(int fd, std::chrono::milliseconds wait) {
    constexpr std::chrono::milliseconds kPoll{10}; // how often a held lock is tried
    const auto until = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const LockTry tried = TryLockWholeFile(fd);
        if (tried != LockTry::Held) {
            return true; // locked, or no locks here: as before, go on without
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

bool NextLine(std::string_view text, std::size_t& start, std::string_view& line) {
    if (start >= text.size()) {
        return false;
    }
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
        line = text.substr(start);
        start = text.size();
        return true;
    }
    line = text.substr(start, end - start);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::string_view line; NextLine(text, start, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string_view SkipByteOrderMark(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    return text.starts_with(kBom) ? text.substr(kBom.size()) : text;
}

std::optional<std::string> FilesClash(const std::vector<NamedFile>& written,
                                      const std::vector<NamedFile>& read) {
    for (std::size_t w = 0; w < written.size(); ++w) {
        const NamedFile& out = written[w];
        if (out.path.empty()) {
            continue;
        }
        std::vector<NamedFile> others = read;
        others.insert(others.end(), written.begin() + static_cast<std::ptrdiff_t>(w) + 1,
                      written.end());
        for (const NamedFile& other : others) {
            if (!other.path.empty() && SameFile(out.path, other.path)) {
                return out.what + " и " + other.what + " называют один файл " + out.path +
                       ": он был бы испорчен.";
            }
        }
    }
    return std::nullopt;
}

const char* FileErrorText(FileError error) {
    switch (error) {
    case FileError::None:
        return "";
    case FileError::NotFound:
        return "файл или папка не существует";
    case FileError::NotRegular:
        return "это не обычный файл";
    case FileError::TooLarge:
        return "файл слишком велик";
    case FileError::Permission:
        return "нет прав на запись или чтение, либо файл только для чтения";
    case FileError::NoSpace:
        return "нет места на диске";
    case FileError::UnsafeLink:
        return "это ссылка другого пользователя в общей папке, по ней не пишем";
    case FileError::NameTooLong:
        return "слишком длинное имя";
    case FileError::LinkLoop:
        return "ссылки замкнуты в кольцо";
    case FileError::InUse:
        return "файл открыт другой программой (например, таблицей): закройте его там";
    case FileError::Linked:
        return "это ссылка или второе имя другого файла; свои служебные файлы программа по "
               "ссылкам не открывает, чтобы не испортить чужой файл";
    case FileError::Io:
        break;
    }
    return "ошибка ввода-вывода";
}

std::string DescribeFileError(const std::string& path, FileError error) {
    return "Файл " + path + ": " + FileErrorText(error) + ".";
}

} // namespace zekt
