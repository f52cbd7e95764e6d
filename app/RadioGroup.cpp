#include "RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace zekt {

RadioGroup::RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                       int columns, QWidget* parent)
    : QGroupBox(caption, parent), group(new QButtonGroup(this)) {
    setObjectName(objectName);
    setAccessibleName(caption.trimmed().isEmpty() ? items.join(", ") : caption.trimmed());
    setAccessibleDescription(objectName);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->setVerticalSpacing(0);
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QString("%1_%2").arg(objectName).arg(i));
        button->setAccessibleName(items[i]);
        button->setAccessibleDescription(objectName);
        group->addButton(button, i);
        // Items run down the first column, then the next.
        layout->addWidget(button, i % rows, i / rows);
        buttons.push_back(button);
    }
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            Select(id);
        }
    });
}

void RadioGroup::Select(int index) {
    if (index == itemIndex) {
        return;
    }
    itemIndex = index;
    emit Click();
}

void RadioGroup::SetItemIndex(int index) {
    if (index >= Count()) {
        index = Count() - 1;
    }
    if (index < 0) {
        group->setExclusive(false);
        for (QRadioButton* b : buttons) {
            b->setChecked(false);
        }
        group->setExclusive(true);
        Select(-1);
        return;
    }
    buttons[static_cast<std::size_t>(index)]->setChecked(true);
    Select(index);
}

} // namespace zekt
