#include "RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QKeyEvent>
#include <QRadioButton>
#include <algorithm>

namespace zekt {

RadioGroup::RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                       int columns, QWidget* parent)
    : QGroupBox(caption, parent), group(new QButtonGroup(this)) {
    setObjectName(objectName);
    QString name = caption.trimmed();
    name.remove('&'); // the mnemonic's mark
    setAccessibleName(name.isEmpty() ? items.join(", ") : name);
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
        button->installEventFilter(this);
        // Items run down the first column, then the next.
        layout->addWidget(button, i % rows, i / rows);
        buttons.push_back(button);
    }
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            Select(id);
        }
    });
    KeepOneTabStop();
}

void RadioGroup::Select(int index) {
    if (index == itemIndex) {
        return;
    }
    itemIndex = index;
    KeepOneTabStop();
    emit Click();
}

void RadioGroup::KeepOneTabStop() {
    // Tab enters the group on its checked item (the first when none is),
    // so that Space there changes nothing; the arrows move within.
    const int stop = itemIndex >= 0 ? itemIndex : 0;
    for (int i = 0; i < Count(); ++i) {
        buttons[static_cast<std::size_t>(i)]->setFocusPolicy(i == stop ? Qt::StrongFocus
                                                                       : Qt::ClickFocus);
    }
}

bool RadioGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QGroupBox::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1
                     : key == Qt::Key_Up || key == Qt::Key_Left  ? -1
                                                                 : 0;
    const auto at = std::find(buttons.begin(), buttons.end(), watched);
    if (step == 0 || at == buttons.end()) {
        return QGroupBox::eventFilter(watched, event);
    }
    // The next enabled item, round the group, is chosen and focused.
    const int from = static_cast<int>(at - buttons.begin());
    for (int k = 1; k < Count(); ++k) {
        QRadioButton* next =
            buttons[static_cast<std::size_t>((from + step * k + Count()) % Count())];
        if (next->isEnabled()) {
            next->setChecked(true);
            next->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    return true;
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
