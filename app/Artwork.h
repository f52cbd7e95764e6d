#pragma once

#include <QPixmap>

namespace zekt {

inline constexpr int kMainPictureWidth = 810;
inline constexpr int kMainPictureHeight = 705;

// Our own drawings: a vehicle radio on its programming bench for the main
// window, and a small programmer unit for the about window.
QPixmap MainPicture();
QPixmap AboutPicture();

} // namespace zekt
