#pragma once

#include <QComboBox>

namespace zekt {

// An editable list box whose selected item is the one its text names: typed
// text that matches no item selects none (-1).
class ChoiceBox : public QComboBox {
    Q_OBJECT

public:
    ChoiceBox(const QString& objectName, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    // -1 empties the text; an index beyond the list selects nothing either.
    void SetItemIndex(int index);
    // Shows a text that need not be an item (a read-back's tone code 20 to 37).
    void SetText(const QString& text);
};

} // namespace zekt
