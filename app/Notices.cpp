#include "Notices.h"

#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace zekt {

namespace {

// How long a note stays: long enough to be read across the room.
constexpr int kNoteShownMs = 15000;
// The most notices one note shows; older ones stay in the journal view.
constexpr int kNoteLines = 3;
constexpr int kNoteMargin = 8;
constexpr int kNoteMinWidth = 240;

} // namespace

Notices::Notices(QWidget* window)
    : QObject(window), window(window),
      // A tool tip's window: no frame, never activated, above the window.
      note(new QLabel(nullptr,
                      Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)),
      hideTimer(new QTimer(this)) {
    note->setObjectName("Notice");
    note->setAttribute(Qt::WA_ShowWithoutActivating);
    note->setFocusPolicy(Qt::NoFocus);
    note->setWordWrap(true);
    note->setMargin(kNoteMargin);
    note->setStyleSheet("QLabel { background: #ffffe1; color: black; border: 1px solid #767676; }");
    hideTimer->setSingleShot(true);
    connect(hideTimer, &QTimer::timeout, this, [this] {
        note->hide();
        shown.clear();
    });
}

Notices::~Notices() {
    delete note; // a window of its own, not the main window's child
}

void Notices::Tell(const QString& text) {
    const QString line = QDateTime::currentDateTime().toString("dd.MM.yyyy HH:mm:ss") + "  " + text;
    kept << line;
    if (onKept) {
        onKept(line);
    }
    shown << text;
    while (shown.size() > kNoteLines) {
        shown.removeFirst();
    }
    note->setText(shown.join('\n'));
    // As wide as its longest line, within two thirds of the window: a long
    // message wraps rather than leaving the screen.
    int widest = 0;
    for (const QString& each : shown) {
        widest = std::max(widest, note->fontMetrics().horizontalAdvance(each));
    }
    const int room = window->width() * 2 / 3;
    note->setFixedWidth(std::min(widest + 2 * kNoteMargin + 2, std::max(room, kNoteMinWidth)));
    note->setFixedHeight(note->heightForWidth(note->width()));
    Place();
    note->show();
    hideTimer->start(kNoteShownMs);
}

void Notices::Place() {
    const QRect frame = window->frameGeometry();
    const QRect inside = window->geometry();
    note->move(inside.right() - note->width() - kNoteMargin,
               std::max(frame.top(), inside.top()) + kNoteMargin);
}

} // namespace zekt
