#pragma once

#include "OperatorDialogs.h"

#include <QDialog>
#include <QIdentityProxyModel>

class QFileDialog;
class QLabel;
class QWidget;

namespace zekt {

// Turns a "description|patterns|..." filter into Qt's "description (patterns);;..." form.
QString QtFileFilter(const QString& filter);

// The file dialog's size and date columns in Russian (decimal comma,
// day.month.year) whatever the system's locale says.
class RussianFileDetails : public QIdentityProxyModel {
    Q_OBJECT

public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;
};

// A message box that shows its text with exactly the text's own line breaks
// (wrapping only where the screen is narrower than a line), wide enough for
// its title, with a title bar and a close button but no minimise or maximise.
// OK returns Accepted; Cancel, Escape or closing return Rejected, which a box
// with OK alone counts as OK.
class OperatorBox : public QDialog {
    Q_OBJECT

public:
    OperatorBox(const QString& text, const QString& title, BoxIcon icon, BoxButtons buttons,
                QWidget* parent, const QString& advice = {});
    QLabel* TextLabel() const { return label; }
    QLabel* AdviceLabel() const { return adviceLabel; } // nullptr without advice

protected:
    // A window manager may still offer to minimise a box: it would hide the
    // program behind a question nobody sees, so the box comes back at once.
    void changeEvent(QEvent* event) override;

private:
    QLabel* label;
    QLabel* adviceLabel = nullptr;
};

// Qt's own file dialog sizes its detail columns for its own texts, and the
// date column only gets what the last column is left: the Russian type names
// and the date with its time are wider, and the year was cut ("08.12.2…6").
// Each column gets its room; nothing happens to a system's own dialog.
void FitDetailColumns(QFileDialog& dialog);

// Brings a window back when the window manager minimised it.
void RestoreIfMinimised(QWidget* window, QEvent* event);

// The operator's real message boxes and file dialogs.
class QtOperatorDialogs : public OperatorDialogs {
public:
    explicit QtOperatorDialogs(QWidget* parent) : parent(parent) {}

    BoxResult Message(const QString& text, const QString& title, BoxIcon icon, BoxButtons buttons,
                      const QString& advice = {}) override;
    std::optional<QString> OpenFile(const FileDialogRequest& request) override;
    void Beep() override;
    std::optional<QString> AskLine(const QString& label, const QString& title) override;

protected:
    std::optional<QString> SaveFile(SaveDialog which, const FileDialogRequest& request) override;

private:
    QWidget* parent;
};

} // namespace zekt
