#include "QtOperatorDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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

} // namespace

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << parts[i] + " (" + patterns + ")";
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
    return box.exec() == QMessageBox::Ok ? BoxResult::Ok : BoxResult::Cancel;
}

std::optional<QString> QtOperatorDialogs::OpenFile(const FileDialogRequest& request) {
    const QString path = QFileDialog::getOpenFileName(parent, request.title, InitialPath(request),
                                                      QtFileFilter(request.filter));
    return Chosen(path, request);
}

std::optional<QString> QtOperatorDialogs::SaveFile(const FileDialogRequest& request) {
    // No default suffix: a name typed without one is used as typed.
    const QString path = QFileDialog::getSaveFileName(parent, request.title, InitialPath(request),
                                                      QtFileFilter(request.filter));
    return Chosen(path, request);
}

void QtOperatorDialogs::Beep() {
    QApplication::beep();
}

} // namespace zekt
