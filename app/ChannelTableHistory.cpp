#include "ChannelTableHistory.h"

#include "ChannelMarks.h"
#include "LatinMnemonics.h"
#include "TFUser.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QUndoCommand>
#include <algorithm>
#include <functional>

namespace zekt {

namespace {

// A step holds the whole table before and after: the table is small, and
// a change of one field may change the marks of its neighbour.
class TableStep : public QUndoCommand {
public:
    TableStep(std::function<void(const ChannelTableState&)> restore, ChannelTableState before,
              ChannelTableState after, const QString& text)
        : QUndoCommand(text), restore(std::move(restore)), before(std::move(before)),
          after(std::move(after)) {}

    void undo() override { restore(before); }
    void redo() override {
        if (done) { // pushed: the table is already so
            restore(after);
        }
        done = true;
    }

private:
    std::function<void(const ChannelTableState&)> restore;
    ChannelTableState before;
    ChannelTableState after;
    bool done = false;
};

enum class HistoryKey { None, Undo, Redo };

HistoryKey KeyOf(const QKeyEvent* key) {
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    // On the same keys whichever layout is active.
    const bool z = IsOnLatinKey(key->key(), Qt::Key_Z);
    const bool y = IsOnLatinKey(key->key(), Qt::Key_Y);
    if (z && modifiers == Qt::ControlModifier) {
        return HistoryKey::Undo;
    }
    if ((z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) ||
        (y && modifiers == Qt::ControlModifier)) {
        return HistoryKey::Redo;
    }
    return HistoryKey::None;
}

} // namespace

ChannelTableHistory::ChannelTableHistory(TFUser& window, ChannelMarks& channelMarks)
    : w(window), marks(channelMarks) {
    for (QLineEdit* edit : w.channelEdits) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { Edited(edit, false); });
    }
    for (std::size_t k = 0; k < w.scanBoxes.size(); ++k) {
        QCheckBox* box = w.scanBoxes[k];
        connect(box, &QCheckBox::clicked, this, [this, box, k] {
            if (visited != box) { // clicked without a press, as click() does
                ChannelTableState before = Snapshot();
                before.rows[k].scan = !before.rows[k].scan;
                Visit(box, before);
            }
            Edited(box, true);
        });
    }
    for (ChoiceBox* box : w.ctcssBoxes) {
        connect(box, &QComboBox::activated, this, [this, box] { Edited(box, true); });
        connect(box->lineEdit(), &QLineEdit::textEdited, this, [this, box] { Edited(box, false); });
    }
    // The keys wherever the focus is in the window: the application's
    // filter sees them before any field.
    qApp->installEventFilter(this);
}

ChannelTableHistory::~ChannelTableHistory() = default;

ChannelTableState ChannelTableHistory::Snapshot() const {
    ChannelTableState state;
    for (std::size_t i = 0; i < state.fields.size(); ++i) {
        const QLineEdit* edit = w.channelEdits[i];
        state.fields[i] = {edit->text(), edit->isEnabledTo(edit->parentWidget()),
                           w.FieldColourOf(edit), marks.Refused(i)};
    }
    for (std::size_t k = 0; k < state.rows.size(); ++k) {
        const QCheckBox* scan = w.scanBoxes[k];
        const ChoiceBox* tone = w.ctcssBoxes[k];
        state.rows[k] = {scan->isChecked(), scan->isEnabledTo(scan->parentWidget()),
                         tone->currentText(), tone->isEnabledTo(tone->parentWidget())};
    }
    return state;
}

void ChannelTableHistory::Restore(const ChannelTableState& state) {
    restoring = true;
    marks.Hold(true); // the colours come with the state, not from the texts
    for (std::size_t i = 0; i < state.fields.size(); ++i) {
        QLineEdit* edit = w.channelEdits[i];
        const ChannelTableState::Field& field = state.fields[i];
        if (edit->text() != field.text) {
            edit->setText(field.text);
        }
        edit->setEnabled(field.enabled);
        w.SetFieldColour(edit, field.colour);
        marks.SetRefused(i, field.refused);
    }
    for (std::size_t k = 0; k < state.rows.size(); ++k) {
        const ChannelTableState::Row& row = state.rows[k];
        w.scanBoxes[k]->setChecked(row.scan);
        w.scanBoxes[k]->setEnabled(row.scanEnabled);
        if (w.ctcssBoxes[k]->currentText() != row.tone) {
            w.ctcssBoxes[k]->SetText(row.tone);
        }
        w.ctcssBoxes[k]->setEnabled(row.toneEnabled);
    }
    marks.Hold(false);
    restoring = false;
    if (visited != nullptr) {
        visitBefore = state; // the operator's next edit starts from here
        edited = false;
    }
}

void ChannelTableHistory::Push(const ChannelTableState& before, const ChannelTableState& after,
                               const QString& text) {
    if (before != after) {
        stack.push(new TableStep([this](const ChannelTableState& state) { Restore(state); }, before,
                                 after, text));
    }
}

ChannelTableHistory::Step::Step(ChannelTableHistory& owner, const QString& stepText)
    : history(owner), text(stepText), outermost(history.recording == 0) {
    if (outermost) {
        history.EndVisit(); // an edit under way is a step of its own
        before = history.Snapshot();
    }
    ++history.recording;
}

ChannelTableHistory::Step::~Step() {
    --history.recording;
    if (!outermost) {
        return;
    }
    const ChannelTableState after = history.Snapshot();
    history.Push(before, after, text);
    // The focus may have moved meanwhile (a clear goes to its first field).
    if (QWidget* now = history.TableWidget(history.w.focusWidget())) {
        history.Visit(now, after);
    }
}

QWidget* ChannelTableHistory::TableWidget(QObject* object) const {
    if (object == nullptr) {
        return nullptr;
    }
    if (const auto edit = std::find(w.channelEdits.begin(), w.channelEdits.end(), object);
        edit != w.channelEdits.end()) {
        return *edit;
    }
    if (const auto box = std::find(w.scanBoxes.begin(), w.scanBoxes.end(), object);
        box != w.scanBoxes.end()) {
        return *box;
    }
    for (ChoiceBox* tone : w.ctcssBoxes) {
        if (object == tone || object == tone->lineEdit()) {
            return tone;
        }
    }
    return nullptr;
}

void ChannelTableHistory::Visit(QWidget* widget) {
    Visit(widget, Snapshot());
}

void ChannelTableHistory::Visit(QWidget* widget, const ChannelTableState& before) {
    visited = widget;
    visitBefore = before;
    edited = false;
}

void ChannelTableHistory::EndVisit() {
    if (visited != nullptr && edited) {
        const ChannelTableState after = Snapshot();
        Push(visitBefore, after, "Правка таблицы каналов");
        visitBefore = after;
    }
    edited = false;
}

void ChannelTableHistory::Edited(QWidget* widget, bool stepNow) {
    if (visited != widget || restoring || recording > 0) {
        return;
    }
    edited = true;
    if (stepNow) {
        EndVisit(); // the visit goes on from the new state
    }
}

bool ChannelTableHistory::Busy() const {
    return !w.PanButton->isEnabled() || w.GuardsInput();
}

void ChannelTableHistory::Undo() {
    if (Busy()) {
        return;
    }
    EndVisit();
    stack.undo();
}

void ChannelTableHistory::Redo() {
    if (Busy()) {
        return;
    }
    EndVisit();
    stack.redo();
}

bool ChannelTableHistory::TakeKey(QObject* watched, QEvent* event) {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr || widget->window() != &w) {
        return false;
    }
    const HistoryKey key = KeyOf(static_cast<const QKeyEvent*>(event));
    if (key == HistoryKey::None) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Taken from every field's own undo: the key comes as a key press.
        event->accept();
        return true;
    }
    key == HistoryKey::Undo ? Undo() : Redo();
    return true;
}

bool ChannelTableHistory::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        return TakeKey(watched, event);
    case QEvent::KeyPress:
        if (TakeKey(watched, event)) {
            return true;
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::Drop:
        break;
    default:
        return false;
    }
    if (restoring || recording > 0) {
        return false;
    }
    QWidget* widget = TableWidget(watched);
    if (widget == nullptr) {
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        // A tone's list opening keeps the operator in the box.
        if (widget == visited &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            EndVisit();
            visited = nullptr;
        }
    } else if (widget != visited) {
        EndVisit();
        Visit(widget);
    }
    return false;
}

} // namespace zekt
