#pragma once

#include "RadioConfig.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <array>
#include <cstddef>

class QWidget;

namespace zekt {

class ChannelMarks;
class TFUser;
enum class FieldColour;

// What the channel table shows: every field's text, lock and colour, every
// channel's scan box and tone.
struct ChannelTableState {
    struct Field {
        QString text;
        bool enabled = true;
        FieldColour colour{};
        bool refused = false;
        bool operator==(const Field&) const = default;
    };
    struct Row {
        bool scan = false;
        bool scanEnabled = true;
        QString tone;
        bool toneEnabled = true;
        bool operator==(const Row&) const = default;
    };
    std::array<Field, 2 * kChannelCount> fields;
    std::array<Row, kChannelCount> rows;
    bool operator==(const ChannelTableState&) const = default;
};

// The channel table's undo history for one window session. A step is what
// the operator does to the table at once: a field's edit from entering it to
// leaving it, a scan box, a tone, a clear, a file loaded, a radio read. Ctrl+Z
// takes a step back and Ctrl+Shift+Z or Ctrl+Y brings it again, wherever the
// focus is in the window (a field's own undo would bring back its text
// alone); neither acts while a command holds the window.
class ChannelTableHistory : public QObject {
public:
    ChannelTableHistory(TFUser& window, ChannelMarks& marks);
    ~ChannelTableHistory() override;

    // Whatever the table goes through while a Step lives is one step.
    class Step {
    public:
        Step(ChannelTableHistory& history, const QString& text);
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        ChannelTableHistory& history;
        QString text;
        bool outermost;
        ChannelTableState before;
    };
    [[nodiscard]] Step Record(const QString& text) { return Step(*this, text); }

    void Undo();
    void Redo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TFUser& w;
    ChannelMarks& marks;
    QUndoStack stack;
    int recording = 0;
    bool restoring = false;
    // The table widget the operator is in, and the table as it was on entering.
    QWidget* visited = nullptr;
    ChannelTableState visitBefore;
    bool edited = false; // by the operator during this visit

    ChannelTableState Snapshot() const;
    void Restore(const ChannelTableState& state);
    void Push(const ChannelTableState& before, const ChannelTableState& after, const QString& text);
    QWidget* TableWidget(QObject* object) const;
    void Visit(QWidget* widget);
    void Visit(QWidget* widget, const ChannelTableState& before);
    void EndVisit();
    // The operator's edit of the visited widget: a step at once, or when
    // the visit ends.
    void Edited(QWidget* widget, bool stepNow);
    bool Busy() const;
    bool TakeKey(QObject* watched, QEvent* event);
};

} // namespace zekt
