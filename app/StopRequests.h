#pragma once

#include <QCoreApplication>

// A stop from outside the window (POSIX: SIGTERM, SIGHUP, SIGINT from a
// terminal; Windows: the session ending) stops a run at its next frame as
// cancelled, then ends the program; a second one ends it at once.
void QuitOnStopRequests(QCoreApplication& app);
