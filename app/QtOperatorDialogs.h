#pragma once

#include "OperatorDialogs.h"

#include <QDialog>

class QLabel;
class QWidget;

namespace zekt {

// Turns a "description|patterns|..." filter into Qt's "description (patterns);;..." form.
QString QtFileFilter(const QString& filter);

// A message box that shows its text with exactly the text's own line breaks
// (wrapping only where the screen is narrower than a line), wide enough for
// its title, with a title bar and a close button but no minimise or maximise.
// OK returns Accepted; Cancel, Escape or closing return Rejected, which a box
// with OK alone counts as OK.
class OperatorBox : public QDialog {
    Q_OBJECT

public:
    OperatorBox(const QString& text, const QString& title, BoxIcon icon, BoxButtons buttons,
                QWidget* parent);
    QLabel* TextLabel() const { return label; }

private:
    QLabel* label;
};

// The operator's real message boxes and file dialogs.
class QtOperatorDialogs : public OperatorDialogs {
public:
    explicit QtOperatorDialogs(QWidget* parent) : parent(parent) {}

    BoxResult Message(const QString& text, const QString& title, BoxIcon icon,
                      BoxButtons buttons) override;
    std::optional<QString> OpenFile(const FileDialogRequest& request) override;
    std::optional<QString> SaveFile(const FileDialogRequest& request) override;
    void Beep() override;

private:
    QWidget* parent;
};

} // namespace zekt
