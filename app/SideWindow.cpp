#include "SideWindow.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace zekt {

QDialogButtonBox* AddCloseButton(QDialog& window, QBoxLayout& layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
    buttons->button(QDialogButtonBox::Close)->setText("Закрыть");
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::hide);
    layout.addWidget(buttons);
    return buttons;
}

void ResizeWithinScreen(QDialog& window, QSize preferred) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect({}, preferred);
    window.resize(std::min(preferred.width(), area.width() * 9 / 10),
                  std::min(preferred.height(), area.height() * 9 / 10));
}

} // namespace zekt
