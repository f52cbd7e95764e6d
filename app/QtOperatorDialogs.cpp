#include "QtOperatorDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

namespace zekt {

namespace {

QMessageBox::Icon ToQt(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Error:
        return QMessageBox::Critical;
    case BoxIcon::Warning:
        return QMessageBox::Warning;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

std::optional<QString> Chosen(const QString& path, const FileDialogRequest& request) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    if (request.changesWorkingDir) {
        QDir::setCurrent(QFileInfo(path).absolutePath());
    }
    return path;
}

QString InitialPath(const FileDialogRequest& request) {
    return request.fileName.isEmpty() ? request.initialDir
                                      : QDir(request.initialDir).filePath(request.fileName);
}

constexpr QFileDialog::Options kDialogOptions = QFileDialog::HideNameFilterDetails;

} // namespace

QString QtFileFilter(const QString& filter) {
    // Qt reads the patterns from the parentheses at the end and, with
    // HideNameFilterDetails, shows only what stands before them: the
    // description exactly as written. "*.*" means every file, with a dot in
    // its name or not.
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern == "*.*" ? "*" : pattern;
        }
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

BoxResult QtOperatorDialogs::Message(const QString& text, const QString& title, BoxIcon icon,
                                     BoxButtons buttons) {
    QMessageBox box(ToQt(icon), title, text,
                    buttons == BoxButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                    : QMessageBox::Ok,
                    parent);
    box.setAccessibleName(title);
    box.setAccessibleDescription(text);
    // A text with its own line breaks keeps them, and only them.
    if (text.contains('\n')) {
        if (auto* label = box.findChild<QLabel*>("qt_msgbox_label")) {
            label->setWordWrap(false);
        }
    }
    return box.exec() == QMessageBox::Ok ? BoxResult::Ok : BoxResult::Cancel;
}

std::optional<QString> QtOperatorDialogs::OpenFile(const FileDialogRequest& request) {
    const QString path =
        QFileDialog::getOpenFileName(parent, request.title, InitialPath(request),
                                     QtFileFilter(request.filter), nullptr, kDialogOptions);
    return Chosen(path, request);
}

std::optional<QString> QtOperatorDialogs::SaveFile(const FileDialogRequest& request) {
    // No default suffix: a name typed without one is used as typed.
    const QString path =
        QFileDialog::getSaveFileName(parent, request.title, InitialPath(request),
                                     QtFileFilter(request.filter), nullptr, kDialogOptions);
    return Chosen(path, request);
}

void QtOperatorDialogs::Beep() {
    QApplication::beep();
}

} // namespace zekt
