#pragma once

namespace zekt {

// Qt's start-up lines kept from the operator: a window with no display to
// open on says so in Russian and ends with status 2 instead of aborting, and
// the run-time folder Qt picks for itself goes unsaid. Other messages pass
// on as before. Installed first thing in main.
void InstallStartUpMessages();

// Once the window is up a fatal message is Qt's own again.
void StartUpDone();

} // namespace zekt
