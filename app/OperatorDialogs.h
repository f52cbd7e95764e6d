#pragma once

#include "BoxKind.h"
#include "OutputFile.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace zekt {

using BoxIcon = BoxKind; // the same icons as the command flow's boxes
enum class BoxButtons { Ok, OkCancel };
enum class BoxResult { Ok, Cancel };

// A file dialog as the window asks for it. The filter is written as
// "description|patterns|description|patterns", patterns separated by ';'.
struct FileDialogRequest {
    QString title; // empty for the system's default title
    QString filter;
    QString initialDir;
    QString fileName; // preset in the name field
    bool changesWorkingDir = true;
};

// The window's save dialogs: every file the window writes is named in one.
enum class SaveDialog {
    ConfigFile, // "Сохранить в файле"
    RadioCopy,  // the journal's "Сохранить копию радиостанции"
    Report,     // the journal's "Сохранить отчёт"
};
inline constexpr SaveDialog kSaveDialogs[] = {SaveDialog::ConfigFile, SaveDialog::RadioCopy,
                                              SaveDialog::Report};

// Every message box and file dialog of the program goes through this, so
// that tests can answer them and record what was shown.
class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;
    // advice: what to do, shown below the text (none when empty).
    virtual BoxResult Message(const QString& text, const QString& title, BoxIcon icon,
                              BoxButtons buttons, const QString& advice = {}) = 0;
    // nullopt when the operator cancels.
    virtual std::optional<QString> OpenFile(const FileDialogRequest& request) = 0;
    // A save dialog's answer as an output, checked against the files the
    // guard names (GuardOutputsWith): one the program reads or keeps is
    // refused in an error box. Nothing when refused or cancelled.
    std::optional<OutputFile> SaveOutput(SaveDialog which, const FileDialogRequest& request);
    void GuardOutputsWith(std::function<std::vector<GuardedFile>()> guarded) {
        guard = std::move(guarded);
    }
    // A short beep before some error boxes.
    virtual void Beep() = 0;
    // One line of text (a radio's number, typed or scanned: Enter is OK);
    // nullopt when the operator cancels.
    virtual std::optional<QString> AskLine(const QString& label, const QString& title) = 0;

protected:
    // Asks before an existing file is replaced; only SaveOutput asks it.
    virtual std::optional<QString> SaveFile(SaveDialog which, const FileDialogRequest& request) = 0;

private:
    std::function<std::vector<GuardedFile>()> guard;
};

// The title of plain messages and of the standard error box.
inline const QString kApplicationTitle = QStringLiteral("Программатор ЗЕКТ");

inline BoxResult PlainMessage(OperatorDialogs& dialogs, const QString& text) {
    return dialogs.Message(text, kApplicationTitle, BoxIcon::None, BoxButtons::Ok);
}

inline BoxResult ErrorMessage(OperatorDialogs& dialogs, const QString& text) {
    return dialogs.Message(text, kApplicationTitle, BoxIcon::Error, BoxButtons::Ok);
}

inline std::optional<OutputFile> OperatorDialogs::SaveOutput(SaveDialog which,
                                                             const FileDialogRequest& request) {
    const std::optional<QString> path = SaveFile(which, request);
    if (!path) {
        return std::nullopt;
    }
    const std::vector<GuardedFile> guarded = guard ? guard() : std::vector<GuardedFile>{};
    OutputFile::Checked checked =
        OutputFile::Guard({"Выбранный файл", path->toStdString()}, guarded);
    if (const std::string* refusal = std::get_if<std::string>(&checked)) {
        ErrorMessage(*this, QString::fromStdString(*refusal));
        return std::nullopt;
    }
    return std::get<OutputFile>(std::move(checked));
}

} // namespace zekt
