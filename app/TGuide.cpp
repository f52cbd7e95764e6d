#include "TGuide.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace zekt {

namespace {
constexpr int kWidth = 760;
constexpr int kHeight = 600;
} // namespace

TGuide::TGuide(QWidget* parent) : QDialog(parent) {
    setObjectName("Guide");
    setWindowTitle("Руководство оператора");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    Text = new QTextBrowser(this);
    Text->setObjectName("GuideText");
    Text->setAccessibleName("Руководство оператора");
    Text->setOpenLinks(false);
    Text->setMarkdown(QString::fromUtf8(kGuideText));
    layout->addWidget(Text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText("Закрыть");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);
    // Within the work area of a small screen too.
    const QRect area = QGuiApplication::primaryScreen() != nullptr
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, kWidth, kHeight);
    resize(std::min(kWidth, area.width() * 9 / 10), std::min(kHeight, area.height() * 9 / 10));
}

} // namespace zekt
