#pragma once

#include "SafeFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zekt {

// A file the program reads or keeps (the journal, the settings file, an
// input, the firmware), which no output may name; a folder guards every file
// in it (the journal's radios/ copies).
struct GuardedFile {
    std::string what; // "журнал", "файл настроек", ...
    std::string path;
    bool folder = false;
};

// An output's name, made only by checking it against everything the program
// reads or keeps. The writers of outputs take this type, so no output can
// skip the check.
class OutputFile {
public:
    const std::string& Path() const { return named.path; }
    const std::string& What() const { return named.what; }

    // The output, or why it is refused: "--save и журнал называют один файл
    // PATH: он был бы испорчен.", "--save: PATH - в папке FOLDER, где журнал
    // хранит копии радиостанций: выберите другую папку.".
    using Checked = std::variant<OutputFile, std::string>;
    static Checked Guard(const NamedFile& output, const std::vector<GuardedFile>& guarded);

private:
    explicit OutputFile(NamedFile named) : named(std::move(named)) {}
    NamedFile named;
};

// Several outputs of one command: each is checked against the guarded files
// and against the others (two outputs on one file would lose one). Empty
// paths are no output and give none.
struct [[nodiscard]] OutputsChecked {
    std::vector<std::optional<OutputFile>> outputs; // in the order given; nothing for an empty path
    std::optional<std::string> refusal;             // the first clash
};
OutputsChecked GuardOutputs(const std::vector<NamedFile>& outputs,
                            const std::vector<GuardedFile>& guarded);

// The guarded files as plain named files, for the inputs' own clashes.
std::vector<GuardedFile> GuardedFiles(const std::vector<NamedFile>& files);

// Replaces the output's content safely (WriteFileSafely).
FileWrite SaveOutput(const OutputFile& output, std::string_view content);
// Writes the output as a stream where it is one (standard output, a
// terminal, a FIFO with a reader), else safely (WriteOutputFile).
FileWrite WriteOutput(const OutputFile& output, std::string_view content);
// Opens the output for writing from its start (a trace; OpenForWriting).
FileError OpenOutput(const OutputFile& output, int& fd);

} // namespace zekt
