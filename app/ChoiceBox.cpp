#include "ChoiceBox.h"

#include <QLineEdit>

namespace zekt {

ChoiceBox::ChoiceBox(const QString& objectName, const QStringList& items, QWidget* parent)
    : QComboBox(parent) {
    setObjectName(objectName);
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    addItems(items);
    setAccessibleDescription(objectName);
}

int ChoiceBox::ItemIndex() const {
    const QString text = currentText();
    return text.isEmpty() ? -1 : findText(text, Qt::MatchExactly);
}

void ChoiceBox::SetItemIndex(int index) {
    if (index < 0 || index >= count()) {
        setCurrentIndex(-1);
        setEditText(QString());
        return;
    }
    setCurrentIndex(index);
    setEditText(itemText(index));
}

void ChoiceBox::SetText(const QString& text) {
    const int index = findText(text, Qt::MatchExactly);
    setCurrentIndex(index);
    setEditText(text);
}

} // namespace zekt
