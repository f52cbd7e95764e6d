#include "FrameWatch.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

namespace zekt {

namespace {

constexpr int kLookEveryMs = 20;

} // namespace

bool IsFramed(const QWidget* window) {
    return window->isVisible() && window->frameGeometry().height() > window->height();
}

void WhenFramed(QWidget* window, std::function<void(bool framed)> then, int patienceMs) {
    // The offscreen platform never frames a window.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        patienceMs = 0;
    }
    auto* timer = new QTimer(window);
    timer->setInterval(kLookEveryMs);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(timer, &QTimer::timeout, window,
                     [window, timer, waited, patienceMs, then = std::move(then)] {
                         const bool framed = IsFramed(window);
                         if (!framed && waited.elapsed() < patienceMs) {
                             return;
                         }
                         timer->stop();
                         timer->deleteLater();
                         then(framed);
                     });
    timer->start();
}

} // namespace zekt
