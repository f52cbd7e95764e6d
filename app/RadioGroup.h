#pragma once

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QRadioButton;

namespace zekt {

// An option group: a captioned box of radio buttons with one selected item.
// Click() is emitted whenever the selection changes, by the operator or by
// SetItemIndex, as the window's handlers expect.
class RadioGroup : public QGroupBox {
    Q_OBJECT

public:
    RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
               int columns, QWidget* parent = nullptr);

    int ItemIndex() const { return itemIndex; }
    // -1 selects nothing; an index past the last item selects the last one.
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const { return buttons.at(static_cast<std::size_t>(index)); }
    int Count() const { return static_cast<int>(buttons.size()); }

signals:
    void Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QButtonGroup* group;
    std::vector<QRadioButton*> buttons;
    int itemIndex = -1;

    void Select(int index);
    void KeepOneTabStop();
};

} // namespace zekt
