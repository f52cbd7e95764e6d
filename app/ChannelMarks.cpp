#include "ChannelMarks.h"

#include "ChannelBand.h"
#include "TFUser.h"

#include <QLineEdit>
#include <algorithm>

namespace zekt {

namespace {

std::size_t FieldIndex(const FrequencyField& field) {
    const auto channel = static_cast<std::size_t>(field.channel);
    return 2 * channel + (field.kind == FrequencyField::Kind::ChannelRx ? 1 : 0);
}

} // namespace

ChannelMarks::ChannelMarks(TFUser& window) : w(window) {
    for (std::size_t i = 0; i < w.channelEdits.size(); ++i) {
        connect(w.channelEdits[i], &QLineEdit::textChanged, this, [this, i] { TextChanged(i); });
    }
}

std::ptrdiff_t ChannelMarks::IndexOf(const QLineEdit* field) const {
    const auto found = std::find(w.channelEdits.begin(), w.channelEdits.end(), field);
    return found == w.channelEdits.end() ? -1 : found - w.channelEdits.begin();
}

void ChannelMarks::Refuse(QLineEdit* field) {
    if (const std::ptrdiff_t i = IndexOf(field); i >= 0) {
        refused[static_cast<std::size_t>(i)] = true;
    }
    w.SetFieldColour(field, FieldColour::Red);
}

void ChannelMarks::Stored(QLineEdit* field) {
    const std::ptrdiff_t i = IndexOf(field);
    if (i < 0) {
        w.SetFieldColour(field, FieldColour::Window); // a band limit
        return;
    }
    refused[static_cast<std::size_t>(i)] = false;
    Refresh();
}

void ChannelMarks::ForgetRefusals() {
    refused.fill(false);
    Refresh();
}

void ChannelMarks::TextChanged(std::size_t field) {
    if (held) {
        return;
    }
    refused[field] = false;
    Refresh();
}

void ChannelMarks::Refresh() {
    RadioConfig texts;
    for (std::size_t k = 0; k < texts.channels.size(); ++k) {
        texts.channels[k].tx = w.channelEdits[2 * k]->text().toStdString();
        texts.channels[k].rx = w.channelEdits[2 * k + 1]->text().toStdString();
    }
    std::array<bool, kFields> red = refused;
    for (const ChannelFrequency& f : UntunableChannels(texts)) {
        red[FieldIndex(f.field)] = true;
    }
    for (std::size_t k = 0; k < texts.channels.size(); ++k) {
        const ChannelConfig& channel = texts.channels[k];
        if (channel.tx.empty() != channel.rx.empty()) {
            red[2 * k + (channel.tx.empty() ? 0 : 1)] = true; // the missing half
        }
    }
    for (std::size_t i = 0; i < kFields; ++i) {
        QLineEdit* field = w.channelEdits[i];
        if (!field->isEnabledTo(field->parentWidget())) {
            continue; // locked by a read-back, in the button colour
        }
        const FieldColour colour = red[i] ? FieldColour::Red : FieldColour::Window;
        if (w.FieldColourOf(field) != colour) {
            w.SetFieldColour(field, colour);
        }
    }
}

} // namespace zekt
