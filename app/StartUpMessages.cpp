#include "StartUpMessages.h"

#include "AppMessages.h"
#include "Console.h"

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace zekt {

namespace {

QtMessageHandler qtHandler = nullptr;
std::atomic<bool> startingUp{true};
// The platform plugin's lines while the window starts: said only when a
// display is set and still cannot be reached, for whoever set it up.
QString platformLines;

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Qt's own line on the run-time folder it picks: nothing for an operator to do.
bool Unsaid(const QString& text) {
    return text.contains(QLatin1String("XDG_RUNTIME_DIR"));
}

void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && startingUp) {
        // Only the platform fails this early: no display, or none reachable.
        const bool displaySet = Set("DISPLAY") || Set("WAYLAND_DISPLAY");
        Print(stderr, "zekt-programmer: %s\n",
              displaySet ? msg::kDisplayUnreachable : msg::kNoDisplay);
        if (displaySet) {
            WriteText(stderr, platformLines.toStdString());
        }
        std::fflush(stderr);
        std::_Exit(2);
    }
    if (type == QtWarningMsg && Unsaid(text)) {
        return;
    }
    if (startingUp && QLatin1String(context.category).startsWith(QLatin1String("qt.qpa"))) {
        platformLines += text + '\n';
        return;
    }
    qtHandler(type, context, text);
}

} // namespace

void InstallStartUpMessages() {
    qtHandler = qInstallMessageHandler(OnMessage);
}

void StartUpDone() {
    startingUp = false;
}

} // namespace zekt
