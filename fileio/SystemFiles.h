#pragma once

// What each system half (linux/, windows/) does for the file rules of
// SafeFile.cpp; the rules themselves are written once there.
#include "SafeFile.h"

#include <string>
#include <string_view>

namespace zekt {

// Where a write to a path goes (links followed) and whether it may: a
// regular file or a new one in a folder the user may write.
struct WriteTarget {
    FileError error = FileError::None;
    std::string path;
    bool exists = false;
};
WriteTarget InspectTarget(const std::string& path);

// A new file beside the target that no file had, to take its place; the
// target's mode (and owner) where the system keeps them.
struct TemporaryFile {
    int fd = -1; // -1: none made
    std::string path;
    FileError error = FileError::None;
    bool folderTakesNoNewFile = false; // the folder refuses new files, not this one
};
TemporaryFile CreateTemporaryBeside(const WriteTarget& target);

// All of the content written and on disk, then the descriptor closed.
FileError WriteAndClose(int fd, std::string_view content);

// The temporary takes the target's place in one step, and the step is on disk.
FileError ReplaceWithTemporary(const std::string& temporary, const WriteTarget& target);

// The folder a path is in ("." for a bare name).
std::string ParentOf(const std::string& path);

// Whether a folder is there (`exists`); NotRegular when something else is.
FileError FolderAt(const std::string& folder, bool& exists);
// One folder made in a parent that exists; one made meanwhile is no error.
FileError MakeOneFolder(const std::string& folder);

// The writers behind OutputFile: outputs reach them only through it.
// A command's output named on the command line: standard output itself
// (/dev/stdout, whatever it is), a terminal or another character device, or
// a FIFO with a reader is written in place, as a stream; a regular file
// safely, as above. Never renamed over the file behind standard output.
FileWrite WriteOutputFile(const std::string& path, std::string_view content);

// Opens a file for writing from its start (a trace) under the same rules as
// WriteFileSafely: through safe links to a regular file the user may write,
// never a FIFO or device (nothing blocks); truncated once open. fd is the
// open descriptor when the result is None.
FileError OpenForWriting(const std::string& path, int& fd);

} // namespace zekt
