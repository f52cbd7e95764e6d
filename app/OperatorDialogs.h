#pragma once

#include "BoxKind.h"

#include <QString>
#include <optional>

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
    // Asks before an existing file is replaced.
    virtual std::optional<QString> SaveFile(const FileDialogRequest& request) = 0;
    // A short beep before some error boxes.
    virtual void Beep() = 0;
    // One line of text (a radio's number, typed or scanned: Enter is OK);
    // nullopt when the operator cancels.
    virtual std::optional<QString> AskLine(const QString& label, const QString& title) = 0;
};

// The title of plain messages and of the standard error box.
inline const QString kApplicationTitle = QStringLiteral("Программатор ЗЕКТ");

inline BoxResult PlainMessage(OperatorDialogs& dialogs, const QString& text) {
    return dialogs.Message(text, kApplicationTitle, BoxIcon::None, BoxButtons::Ok);
}

inline BoxResult ErrorMessage(OperatorDialogs& dialogs, const QString& text) {
    return dialogs.Message(text, kApplicationTitle, BoxIcon::Error, BoxButtons::Ok);
}

} // namespace zekt
