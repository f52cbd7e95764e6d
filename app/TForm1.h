#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QFrame;

namespace zekt {

// The about window: shown modally, closed by any key, by ОК and by a click
// on one of its three texts.
class TForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* ButOK = nullptr;

    void ButOKClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool outerSizeFitted = false;

    bool FormKeyDown(QKeyEvent* event);
    bool FitOuterSize();
    // Fits the outer size once the window manager has framed the window.
    void FitWhenFramed();
};

} // namespace zekt
