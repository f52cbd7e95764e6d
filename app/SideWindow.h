#pragma once

#include <QSize>

class QBoxLayout;
class QDialog;
class QDialogButtonBox;

namespace zekt {

// The windows beside the main window (the guide, the journal): a Закрыть
// button that hides the window, ending its layout, and a size that keeps
// within the work area of a small screen.
QDialogButtonBox* AddCloseButton(QDialog& window, QBoxLayout& layout);
void ResizeWithinScreen(QDialog& window, QSize preferred);

} // namespace zekt
