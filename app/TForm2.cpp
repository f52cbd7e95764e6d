#include "TForm2.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <algorithm>

namespace zekt {

namespace {

constexpr int kClientWidth = 541;
constexpr int kClientHeight = 135;
constexpr int kFontPixels = 13;

} // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("Form2");
    setFixedSize(kClientWidth, kClientHeight);
    setWindowTitle(QString());
    QFont font = this->font();
    font.setPixelSize(kFontPixels);
    setFont(font);

    Label = new QLabel(this);
    Label->setObjectName("Label");
    QFont bold = font;
    bold.setBold(true);
    Label->setFont(bold);
    Label->setGeometry(40, 16, 457, 20);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setGeometry(40, 72, 457, 33);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setAccessibleName("Ход операции");
    ProgressBar->setAccessibleDescription("ProgressBar");
}

void TForm2::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void TForm2::SetMaximum(int maximum) {
    ProgressBar->setMaximum(maximum);
}

void TForm2::SetPosition(int position) {
    // Qt ignores values outside the range; beyond the end the bar is full.
    ProgressBar->setValue(std::clamp(position, ProgressBar->minimum(), ProgressBar->maximum()));
    // The step holds the user-interface thread: paint now, not later.
    ProgressBar->repaint();
}

void TForm2::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
    shown = true;
}

void TForm2::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    shown = false;
}

} // namespace zekt
