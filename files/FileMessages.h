#pragma once

// Texts of saving and loading configuration files.
namespace zekt::msg {

inline constexpr const char* kSaveNeedsConfig =
    "Для записи конфигурационного файла сначала нажмите кнопку КОНФИГУРАЦИЯ \nи установите все "
    "опции и рабочие частоты. ";
inline constexpr const char* kSaveNeedsConfigCaption = " Конфигурация радиостанции не установлена";
inline constexpr const char* kCannotCreate =
    "Ошибка!!! Файл  не открыт для записи, либо файл с таким именем уже существует.";
inline constexpr const char* kCannotCreateCaption = "Ошибка открытия файла для записи";
inline constexpr const char* kCannotOpen =
    "Системная ошибка открытия файла: Файл не доступен, либо не существует.";
inline constexpr const char* kCannotOpenCaption = "Ошибка открытия файла";
inline constexpr const char* kFileSoftware =
    "Ошибка в файле конфигурации: Опция ПРОГРАММНОЕ ОБЕСПЕЧЕНИЕ.";
inline constexpr const char* kFileRadioType =
    "Ошибка в файле конфигурации: Опция ТИП РАДИОСТАНЦИИ.";
inline constexpr const char* kFileTonePair =
    "Ошибка в файле конфигурации: Опция ЧАСТОТА ТОНАЛЬНОГО ВЫЗОВА.";
inline constexpr const char* kFileMainBand =
    "Ошибка в файле конфигурации: Опция ДИАПАЗОН ЧАСТОТ ОСНОВНОГО МАССИВА.";
inline constexpr const char* kFileGridStep =
    "Ошибка в файле конфигурации: Опция ШАГ СЕТКИ ЧАСТОТ В ОСНОВНОМ МАССИВЕ.";
inline constexpr const char* kFileVersion =
    "Ошибка в файле конфигурации: Опция ВЕРСИЯ программного обеспечения.\nДанный файл "
    "конфигурации был предназначен для программатора ЗЕКТ УП-3.";
inline constexpr const char* kConfigFileFilterSave = "файл конфигурации (*.prg)|*.prg";
inline constexpr const char* kConfigFileFilterOpen =
    "файл конфигурации (*.prg)|*.prg|все файлы|*.*";
inline constexpr const char* kConfigFilePreset = "*.prg";

} // namespace zekt::msg
