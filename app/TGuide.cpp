#include "TGuide.h"

#include "SideWindow.h"

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
    AddCloseButton(*this, *layout);
    ResizeWithinScreen(*this, {kWidth, kHeight});
}

} // namespace zekt
