#pragma once

#include <QPixmap>

namespace zekt {

inline constexpr int kMainPictureWidth = 810;
inline constexpr int kMainPictureHeight = 705;

// Our own drawings: a vehicle radio on its programming bench for the main
// window, and a small programmer unit for the about window.
// withHint: the first picture, which tells where to begin; behind a command's
// prompts and progress the picture says nothing that could contradict them.
QPixmap MainPicture(bool withHint = true);
QPixmap AboutPicture();

} // namespace zekt
