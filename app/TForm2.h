#pragma once

#include "RunInterfaces.h"

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;

namespace zekt {

// The progress window: a small dialog without border icons whose caption
// names the step under way and whose bar shows how far it has got.
class TForm2 : public QDialog, public ProgressView {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);

    bool shown = false;
    // The operator asked to close the window (Alt+F4, a close box the window
    // manager draws anyway): the run is asked about.
    std::function<void()> closeAsked;

    QLabel* Label = nullptr;
    QProgressBar* ProgressBar = nullptr;

    void SetCaption(const std::string& caption) override;
    void SetMaximum(int maximum) override;
    void SetPosition(int position) override;
    // Nothing of an earlier run: no step's caption, an empty bar.
    void Clear();
    // What the window system shows while no step has a caption: the command
    // that runs, so that no window goes nameless.
    void SetRunName(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowCaption();
    QString runName;
    void AskToClose();
    // The window (its frame, once the window manager has told it) in the
    // middle of the screen.
    void CenterOnScreen();
};

} // namespace zekt
