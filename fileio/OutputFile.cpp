#include "OutputFile.h"

#include "SystemFiles.h"

#include <filesystem>

namespace zekt {

namespace {

// Where a name's links lead (a dangling link: where it would create its file).
std::string Followed(const std::string& path) {
    std::string target;
    return ResolveSafeLinks(path, target) == FileError::None ? target : path;
}

// Whether two names, links followed, name one file: by identity when both
// exist; when neither does, by the identity of their folders and the same
// name in them (the file either would create, through a bind mount too).
bool SameName(const std::string& a, const std::string& b) {
    const std::string first = Followed(a);
    const std::string second = Followed(b);
    const bool firstThere = !FileIdentity(first).empty();
    const bool secondThere = !FileIdentity(second).empty();
    if (firstThere || secondThere) {
        return firstThere && secondThere && SameFile(first, second);
    }
    return PathOf(first).filename() == PathOf(second).filename() &&
           SameFile(ParentOf(first), ParentOf(second));
}

std::string Clash(const std::string& output, const std::string& what, const std::string& path) {
    return output + " и " + what + " называют один файл " + path + ": он был бы испорчен.";
}

// Whether the output would land in the folder: its own folder, links
// followed, is that one.
bool InFolder(const std::string& output, const std::string& folder) {
    const std::string target = Followed(output);
    return SameFile(ParentOf(target), folder) || SameFile(target, folder);
}

// Whether a file of the folder is the output under another name (a hard link).
bool HeldInFolder(const std::string& output, const std::string& folder) {
    const std::string identity = FileIdentity(output);
    if (identity.empty()) {
        return false;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder), ec)) {
        if (FileIdentity(TextOf(entry.path())) == identity) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> Refusal(const NamedFile& output, const GuardedFile& kept) {
    if (kept.path.empty()) {
        return std::nullopt;
    }
    if (kept.folder) {
        if (!FolderUsable(kept.path)) {
            return std::nullopt;
        }
        if (InFolder(output.path, kept.path)) {
            return output.what + ": " + output.path + " - в папке " + kept.path +
                   ", где журнал хранит " + kept.what + ": выберите другую папку.";
        }
        if (HeldInFolder(output.path, kept.path)) {
            return Clash(output.what, "файл из папки " + kept.path, output.path);
        }
        return std::nullopt;
    }
    if (SameName(output.path, kept.path)) {
        return Clash(output.what, kept.what, output.path);
    }
    return std::nullopt;
}

} // namespace

OutputFile::Checked OutputFile::Guard(const NamedFile& output,
                                      const std::vector<GuardedFile>& guarded) {
    for (const GuardedFile& kept : guarded) {
        if (std::optional<std::string> refusal = Refusal(output, kept)) {
            return *refusal;
        }
    }
    return OutputFile(output);
}

OutputsChecked GuardOutputs(const std::vector<NamedFile>& outputs,
                            const std::vector<GuardedFile>& guarded) {
    OutputsChecked checked;
    std::vector<GuardedFile> others = guarded;
    for (const NamedFile& output : outputs) {
        others.push_back({output.what, output.path});
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].path.empty()) {
            checked.outputs.emplace_back();
            continue;
        }
        // Every guarded file and every later output: an earlier output
        // already compared itself with this one.
        std::vector<GuardedFile> against(others.begin(), others.begin() + guarded.size());
        against.insert(against.end(), others.begin() + guarded.size() + i + 1, others.end());
        OutputFile::Checked one = OutputFile::Guard(outputs[i], against);
        if (const std::string* refusal = std::get_if<std::string>(&one)) {
            checked.refusal = *refusal;
            checked.outputs.clear();
            return checked;
        }
        checked.outputs.emplace_back(std::get<OutputFile>(std::move(one)));
    }
    return checked;
}

std::vector<GuardedFile> GuardedFiles(const std::vector<NamedFile>& files) {
    std::vector<GuardedFile> guarded;
    for (const NamedFile& file : files) {
        guarded.push_back({file.what, file.path});
    }
    return guarded;
}

FileWrite SaveOutput(const OutputFile& output, std::string_view content) {
    return WriteFileSafely(output.Path(), content);
}

FileWrite WriteOutput(const OutputFile& output, std::string_view content) {
    return WriteOutputFile(output.Path(), content);
}

FileError OpenOutput(const OutputFile& output, int& fd) {
    return OpenForWriting(output.Path(), fd);
}

} // namespace zekt
