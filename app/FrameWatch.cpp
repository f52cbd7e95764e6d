#include "FrameWatch.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace zekt {

namespace {

constexpr int kLookEveryMs = 20;
// Looks between nudges of a window that stays unframed while shown.
constexpr int kLooksBeforeNudge = 25;

} // namespace

bool IsFramed(const QWidget* window) {
    return window->isVisible() && window->frameGeometry().height() > window->height();
}

namespace {

// Looks at each expose of the window (the first comes after the window
// manager has mapped the frame and before the first paint, so a fit made
// there is never seen) and on a timer for a frame told later.
class FrameWatcher : public QObject {
public:
    FrameWatcher(QWidget* window, std::function<void(bool)> then, int patienceMs)
        : QObject(window), window(window), then(std::move(then)), patienceMs(patienceMs) {
        waited.start();
        if (QWindow* handle = window->windowHandle()) {
            handle->installEventFilter(this);
        }
        connect(&timer, &QTimer::timeout, this, [this] { Look(); });
        timer.start(kLookEveryMs);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Expose && IsFramed(window)) {
            Finish(true);
        }
        return false; // the window paints as usual
    }

private:
    void Look() {
        const bool framed = IsFramed(window);
        const bool givenUp =
            patienceMs == kWhileShown ? !window->isVisible() : waited.elapsed() >= patienceMs;
        if (framed || givenUp) {
            Finish(framed);
        } else if (patienceMs == kWhileShown && ++looks % kLooksBeforeNudge == 0) {
            Nudge();
        }
    }
    // Qt on X11 reads the frame's extents again only after the window was
    // configured: a frame the window manager told after the last of those
    // stays unknown. A step aside and back has it configured again.
    void Nudge() {
        const QPoint at = window->pos();
        window->move(at + QPoint(1, 0));
        window->move(at);
    }
    void Finish(bool framed) {
        if (done) {
            return;
        }
        done = true;
        timer.stop();
        deleteLater();
        then(framed);
    }

    QWidget* window;
    std::function<void(bool)> then;
    int patienceMs;
    QElapsedTimer waited;
    QTimer timer;
    int looks = 0;
    bool done = false;
};

} // namespace

void WhenFramed(QWidget* window, std::function<void(bool framed)> then, int patienceMs) {
    // The offscreen platform never frames a window: the window is as fitted
    // as it will be.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        then(false);
        return;
    }
    new FrameWatcher(window, std::move(then), patienceMs);
}

} // namespace zekt
