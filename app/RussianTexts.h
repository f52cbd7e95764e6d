#pragma once

class QCoreApplication;

namespace zekt {

// The operator reads Russian whatever the desktop's locale: Qt's own texts
// (file dialogs, standard buttons) from its Russian catalogue, the few that
// catalogue lacks from ours, and dates and month names in Russian.
void UseRussianTexts(QCoreApplication& app);

} // namespace zekt
