#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLabel;
class QTimer;
class QWidget;

namespace zekt {

// News that needs no answer (the shared journal gone or back, no driver at
// start-up): shown for a while in a note over the window's top right corner
// that takes neither the focus nor a click, and kept, with its time, for the
// journal view. The window gets no bar of its own for it.
class Notices : public QObject {
public:
    explicit Notices(QWidget* window);
    ~Notices() override;

    void Tell(const QString& text);
    // Every notice told, oldest first, as "08.12.2026 23:30:03  text".
    const QStringList& Kept() const { return kept; }
    // Called with each kept line as it is told.
    std::function<void(const QString& line)> onKept;
    // The note itself: shown while a notice is fresh.
    QLabel* Note() const { return note; }

private:
    QWidget* window;
    QLabel* note;
    QTimer* hideTimer;
    QStringList kept;
    QStringList shown; // the notices the note shows now
    void Place();
};

} // namespace zekt
