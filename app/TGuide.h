#pragma once

#include <QDialog>

class QTextBrowser;

namespace zekt {

// The operator's guide (Russian, built into the program): what Помощь and F1
// open. A window of its own beside the main window, not a box that blocks it.
class TGuide : public QDialog {
    Q_OBJECT

public:
    explicit TGuide(QWidget* parent = nullptr);

    QTextBrowser* Text = nullptr;
};

// The guide's Markdown text.
extern const char* const kGuideText;

} // namespace zekt
