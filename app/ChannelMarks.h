#pragma once

#include "RadioConfig.h"

#include <QObject>
#include <array>
#include <cstddef>

class QLineEdit;

namespace zekt {

class TFUser;

// The red marks of the channel fields, kept to their current texts: a field
// is red while its text leaves its channel half made (the empty half is
// marked) or lies beyond every radio's reach, and while a command has
// refused it and it has not changed since. A field locked by a read-back
// keeps its colour.
class ChannelMarks : public QObject {
public:
    static constexpr std::size_t kFields = 2 * kChannelCount;

    explicit ChannelMarks(TFUser& window);

    // A command refused the field (a channel's or a band limit's).
    void Refuse(QLineEdit* field);
    // A command stored the field: no longer refused.
    void Stored(QLineEdit* field);
    // No field refused any more; the marks from the texts alone.
    void ForgetRefusals();
    // Every channel field's colour from the texts and the refusals.
    void Refresh();

    // For the table's history, which keeps and restores them with the colours.
    bool Refused(std::size_t field) const { return refused[field]; }
    void SetRefused(std::size_t field, bool value) { refused[field] = value; }
    // While held, the fields' changes leave the marks and refusals alone.
    void Hold(bool value) { held = value; }

private:
    TFUser& w;
    std::array<bool, kFields> refused{};
    bool held = false;

    std::ptrdiff_t IndexOf(const QLineEdit* field) const;
    void TextChanged(std::size_t field);
};

} // namespace zekt
