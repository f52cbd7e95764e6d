#include "TForm1.h"

#include "AppMessages.h"
#include "Artwork.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace zekt {

namespace {

QFont PixelFont(int pixels, bool bold = false) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry,
                  const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setFont(font);
    label->setAccessibleName(text);
    label->setAccessibleDescription(name);
    return label;
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("Form1");
    setWindowTitle(msg::kAboutCaption);
    setModal(true);
    resize(612, 316);
    setFont(PixelFont(13));

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setGeometry(rect());

    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setGeometry(9, 9, 69, 76);
    Image1->setPixmap(AboutPicture());
    Image1->setAccessibleName("Рисунок программатора");
    Image1->setAccessibleDescription("Image1");

    Label1 = MakeLabel(Panel1, "Label1", msg::kAboutTitle, {92, 16, 516, 24}, PixelFont(18));
    Label2 = MakeLabel(Panel1, "Label2", msg::kAboutMaker, {92, 57, 516, 24}, PixelFont(18));
    Label3 =
        MakeLabel(Panel1, "Label3", msg::kAboutPurpose, {32, 100, 550, 100}, PixelFont(15, true));
    // Wider than the original layout: the platform's fonts run wider.
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLabel* label : {Label1, Label2, Label3}) {
        label->installEventFilter(this);
    }

    ButOK = new QPushButton("ОК", Panel1);
    ButOK->setObjectName("ButOK");
    ButOK->setGeometry(240, 208, 97, 33);
    ButOK->setFont(PixelFont(18));
    ButOK->setAccessibleName("ОК");
    ButOK->setAccessibleDescription("ButOK");
    connect(ButOK, &QPushButton::clicked, this, &TForm1::ButOKClick);

    // Key presses reach the window before its controls.
    ButOK->installEventFilter(this);
}

void TForm1::ButOKClick() {
    hide();
}

bool TForm1::FormKeyDown(QKeyEvent*) {
    hide();
    return true;
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        return FormKeyDown(static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == Label1 || watched == Label2 || watched == Label3)) {
        hide();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}

} // namespace zekt
