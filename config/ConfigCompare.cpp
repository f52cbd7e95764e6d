#include "ConfigCompare.h"

#include "PanelTexts.h"

namespace zekt {

namespace {

template <std::size_t N>
std::string ItemText(const std::array<const char*, N>& items, int index) {
    return index >= 0 && index < static_cast<int>(N) ? items[static_cast<std::size_t>(index)]
                                                     : std::to_string(index);
}

std::string BandText(const RadioConfig& c) {
    if (c.bandMode == 1) {
        return c.bandLow + " - " + c.bandHigh + " МГц";
    }
    return ItemText(kMainBandItems, c.mainBand);
}

std::string ShownVersion(int version) {
    const std::string text = VersionText(version);
    return text.empty() ? "не определена" : text;
}

// What the table shows for a channel: an empty channel has no flag or tone.
std::string ToneText(const ReadBackPanels& p, int n) {
    return p.BoxesEnabled(n) ? p.toneTexts[static_cast<std::size_t>(n)] : std::string();
}

} // namespace

std::vector<ConfigDifference> CompareConfigurations(const ReadBackPanels& radio,
                                                    const ReadBackPanels& file) {
    std::vector<ConfigDifference> differences;
    const auto compare = [&differences](const std::string& setting, const std::string& inRadio,
                                        const std::string& inFile) {
        if (inRadio != inFile) {
            differences.push_back({setting, inRadio, inFile});
        }
    };
    const RadioConfig& r = radio.config;
    const RadioConfig& f = file.config;
    for (int n = 0; n < kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const std::string channel = ChannelCaption(n);
        compare(ChannelFieldName(n, true), r.channels[i].tx, f.channels[i].tx);
        compare(ChannelFieldName(n, false), r.channels[i].rx, f.channels[i].rx);
        compare(channel + ", сканер", radio.ScanText(n), file.ScanText(n));
        compare(channel + ", CTCSS", ToneText(radio, n), ToneText(file, n));
    }
    compare("Тип радиостанции", ItemText(kTypeItems, r.radioType),
            ItemText(kTypeItems, f.radioType));
    compare("Диапазон основного массива", BandText(r), BandText(f));
    compare("Частота тонального вызова", ItemText(kTonePairItems, r.tonePair),
            ItemText(kTonePairItems, f.tonePair));
    compare("Шаг сетки частот", ItemText(kGridItems, r.gridStep), ItemText(kGridItems, f.gridStep));
    compare("Версия программного обеспечения", ShownVersion(radio.finalVersion),
            ShownVersion(file.finalVersion));
    compare("Защита от чтения", YesNo(radio.readProtected), YesNo(file.readProtected));
    return differences;
}

} // namespace zekt
