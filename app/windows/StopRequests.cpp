#include "StopRequests.h"

#include "RunStop.h"
#include "StopEvents.h"

#include <QGuiApplication>
#include <QSessionManager>

// The window has no console: the one stop from outside is the session
// ending (log-off, shutdown), which the system asks the program about first.
void QuitOnStopRequests(QCoreApplication& app) {
    auto* gui = qobject_cast<QGuiApplication*>(&app);
    if (gui == nullptr) {
        return;
    }
    QObject::connect(gui, &QGuiApplication::commitDataRequest, gui, [gui](QSessionManager&) {
        zekt::TakeStopRequest(zekt::kStopHangUp);
        gui->quit(); // a run in progress is waited for (it stops at its next frame)
    });
}
