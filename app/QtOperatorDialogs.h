#pragma once

#include "OperatorDialogs.h"

class QWidget;

namespace zekt {

// Turns a "description|patterns|..." filter into Qt's "description (patterns);;..." form.
QString QtFileFilter(const QString& filter);

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
