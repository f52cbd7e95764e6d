#include "TForm1.h"

#include "AppMessages.h"
#include "Artwork.h"
#include "FrameWatch.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>

namespace zekt {

namespace {

QFont PixelFont(int pixels, bool bold = false) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setAccessibleName(text);
    label->setAccessibleDescription(name);
    return label;
}

// The window's design: its outer size and the places of its controls in a
// client area of kDesignClient. Label3 and ButOK follow the window's edges.
constexpr QSize kOuterSize(612, 316);
constexpr QSize kDesignClient(604, 282);
constexpr QRect kImageRect(9, 9, 69, 76);
constexpr QRect kLabel1Rect(105, 16, 454, 20);
constexpr QRect kLabel2Rect(105, 57, 208, 20);
constexpr QRect kLabel3Rect(32, 105, 521, 56);
constexpr QRect kButOkRect(240, 208, 97, 33);

// A one-line label sizes itself to its text from its place, never smaller
// than its design, so a wider font never cuts it.
QRect AutoSized(const QLabel* label, const QRect& design) {
    return QRect(design.topLeft(), design.size().expandedTo(label->sizeHint()));
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("Form1");
    setWindowTitle(msg::kAboutCaption);
    setModal(true);
    setFixedSize(kOuterSize); // until the window system tells its frame; never maximised
    setFont(PixelFont(13));

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setGeometry(kImageRect);
    Image1->setPixmap(AboutPicture());
    Image1->setAccessibleName("Рисунок программатора");
    Image1->setAccessibleDescription("Image1");

    Label1 = MakeLabel(Panel1, "Label1", QString::fromStdString(msg::AboutTitle(ZEKT_VERSION)),
                       PixelFont(18));
    Label2 = MakeLabel(Panel1, "Label2", msg::kAboutMaker, PixelFont(18));
    Label1->setGeometry(AutoSized(Label1, kLabel1Rect));
    Label2->setGeometry(AutoSized(Label2, kLabel2Rect));
    Label3 = MakeLabel(Panel1, "Label3", msg::kAboutPurpose, PixelFont(15, true));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLabel* label : {Label1, Label2, Label3}) {
        label->installEventFilter(this);
    }

    ButOK = new QPushButton("ОК", Panel1);
    ButOK->setObjectName("ButOK");
    ButOK->setFont(PixelFont(18));
    ButOK->setAccessibleName("ОК");
    ButOK->setAccessibleDescription("ButOK");
    connect(ButOK, &QPushButton::clicked, this, &TForm1::ButOKClick);

    // Key presses reach the window before its controls.
    ButOK->installEventFilter(this);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    // Panel1 fills the window; Label3 stretches with its width; ButOK keeps
    // its distances to the left, right and bottom edges.
    const QSize grown = size() - kDesignClient;
    Panel1->setGeometry(rect());
    // Taller than its design only where the platform's font needs more lines.
    const int width = kLabel3Rect.width() + grown.width();
    Label3->setGeometry(kLabel3Rect.x(), kLabel3Rect.y(), width,
                        std::max(kLabel3Rect.height(), Label3->heightForWidth(width)));
    ButOK->setGeometry(kButOkRect.translated(0, grown.height()).adjusted(0, 0, grown.width(), 0));
    QDialog::resizeEvent(event);
}

bool TForm1::FitOuterSize() {
    // The outer size is the frame's: the client area is what it leaves. A
    // frame the window system has not told yet reads as nothing or as less
    // than nothing; only a real one counts.
    const QSize frame = frameGeometry().size() - size();
    const bool known = frame.width() >= 0 && frame.height() > 0 &&
                       frame.width() < kOuterSize.width() / 2 &&
                       frame.height() < kOuterSize.height() / 2;
    if (known) {
        setFixedSize(kOuterSize - frame);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    }
    return known;
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
    FitOuterSize();
    QDialog::showEvent(event);
    if (!outerSizeFitted) {
        FitWhenFramed();
    }
}

void TForm1::FitWhenFramed() {
    // However slow the window manager: the window is watched while it is shown.
    WhenFramed(
        this, [this](bool framed) { outerSizeFitted = framed && FitOuterSize(); }, kWhileShown);
}

} // namespace zekt
