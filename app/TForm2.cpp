#include "TForm2.h"

#include "FrameWatch.h"
#include "OperatorDialogs.h"
#include "QtOperatorDialogs.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QWindow>
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
    ShowCaption();
}

void TForm2::ShowCaption() {
    // The caption itself stays empty between steps; the window system is
    // given the running command's name (or the program's) instead, since it
    // would otherwise show a nameless window.
    if (windowTitle().isEmpty() && windowHandle() != nullptr) {
        windowHandle()->setTitle(runName.isEmpty() ? kApplicationTitle : runName);
    }
}

void TForm2::changeEvent(QEvent* event) {
    RestoreIfMinimised(this, event);
    QDialog::changeEvent(event);
}

void TForm2::closeEvent(QCloseEvent* event) {
    // The window manager's close box or Alt+F4: the window stays while the
    // run goes on (the program closes it when the run ends); the operator
    // is asked whether to stop the run.
    if (event->spontaneous()) {
        event->ignore();
        AskToClose();
        return;
    }
    QDialog::closeEvent(event);
}

void TForm2::AskToClose() {
    if (closeAsked) {
        // After the event that asked: the question has a loop of its own.
        QMetaObject::invokeMethod(
            this, [this] { closeAsked(); }, Qt::QueuedConnection);
    }
}

void TForm2::Clear() {
    SetCaption("");
    ProgressBar->setValue(0);
}

void TForm2::SetRunName(const QString& name) {
    runName = name;
    ShowCaption();
}

void TForm2::SetMaximum(int maximum) {
    ProgressBar->setMaximum(maximum);
}

void TForm2::SetPosition(int position) {
    // Qt ignores values outside the range; beyond the end the bar is full.
    ProgressBar->setValue(std::clamp(position, ProgressBar->minimum(), ProgressBar->maximum()));
}

void TForm2::showEvent(QShowEvent* event) {
    ShowCaption();
    CenterOnScreen();
    QDialog::showEvent(event);
    shown = true;
    // Before its first framing the window's size lacks the title bar: centred
    // again once the window manager has framed it, at the same place every time.
    if (!IsFramed(this)) {
        // Looked for as long as the window shows: a busy machine's window
        // manager may tell the frame later than any fixed patience.
        WhenFramed(
            this,
            [this](bool framed) {
                if (framed && isVisible()) {
                    CenterOnScreen();
                }
            },
            kWhileShown);
    }
}

void TForm2::CenterOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = IsFramed(this) ? frameGeometry().size() : this->size();
        move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
    }
}

void TForm2::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    shown = false;
    // The run is over: the keys go to the main window again, also when the
    // last box gave the focus back to this one just before it hid.
    if (QWidget* owner = parentWidget(); owner != nullptr && owner->isVisible()) {
        owner->window()->raise();
        owner->window()->activateWindow();
    }
}

} // namespace zekt
