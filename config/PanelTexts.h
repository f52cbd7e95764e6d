#pragma once

#include <array>
#include <string>

// The texts of the configuration panels' choices, by item index, and the
// channel names as the table shows them: the window shows them, the command
// line prints them.
namespace zekt {

inline constexpr std::array<const char*, 2> kSoftwareItems = {"Стандартное",
                                                              "По выбору пользователя"};
inline constexpr std::array<const char*, 2> kTypeItems = {"каналы памяти и основной массив",
                                                          "только каналы памяти"};
inline constexpr std::array<const char*, 2> kTonePairItems = {"Тон1 = 2100Гц, Тон2 = 1450Гц",
                                                              "Тон1 = 1450Гц, Тон2 = 1000Гц"};
inline constexpr std::array<const char*, 2> kBandModeItems = {"по умолчанию", "по выбору"};
inline constexpr std::array<const char*, 5> kMainBandItems = {
    "33 - 40 МГц", "36 - 44 МГц", "40 - 48,5 МГц", "57 - 57,5 МГц", "144 - 174 МГц"};
inline constexpr std::array<const char*, 2> kGridItems = {"25 кГц", "12,5 кГц"};

// A check box as the tables and files name it.
inline const char* YesNo(bool value) {
    return value ? "да" : "нет";
}

// Channel n (0-based) is shown as "1" .. "9", "A" .. "F", and the last as "0".
inline constexpr const char* kChannelNames = "123456789ABCDEF0";

// "Канал 3": the table's caption of channel n.
inline std::string ChannelCaption(int n) {
    return std::string("Канал ") + kChannelNames[n];
}

// "Канал 3, передача" / "Канал 3, приём": how a channel's field is named to
// the operator, in messages and to a screen reader.
inline std::string ChannelFieldName(int n, bool transmit) {
    return ChannelCaption(n) + (transmit ? ", передача" : ", приём");
}

} // namespace zekt
