#pragma once

// Operator texts of the configuration build, the band-limit checks and the
// read-back, with their captions.
namespace zekt::msg {

inline constexpr const char* kSyntaxError = "Синтаксическая ошибка в описании рабочей частоты";
inline constexpr const char* kSyntaxErrorCaption = "Синтаксическая ошибка";
inline constexpr const char* kBadTone =
    "Неверный ввод частоты CTCSS. Выберите соответствующую частоту из выпадающего списка.";
inline constexpr const char* kBadToneCaption = "Ошибка частоты CTCSS";
inline constexpr const char* kProtectionQuestion =
    "ВНИМАНИЕ! Установлена опция защиты программы от чтения.\nПрограммирование возможно, но "
    "попытка в дальнейшем прочитать конфигурацию\nрадиостанции будет давать неверные результаты. "
    "Продолжить?";
inline constexpr const char* kProtectionQuestionCaption = "Защищённое программирование";
inline constexpr const char* kFirmwareDialogTitle = "Открытие файла с программой";
inline constexpr const char* kFirmwareDialogFilter =
    "программы(*.hex, *.obj)|*.hex;*.obj|все файлы|*.*";

// The frequency fields checked before a radio is connected.
inline constexpr const char* kFieldCaption = "Неверная частота";
inline constexpr const char* kFrequencyMissing =
    "частота не задана. Задайте обе частоты канала или очистите обе.";
inline constexpr const char* kLowerAboveBands =
    "Начальная частота диапазона выше 174 МГц: такого диапазона у радиостанции нет.";
inline constexpr const char* kUpperBelowBands =
    "Конечная частота диапазона ниже 33 МГц: такого диапазона у радиостанции нет.";
inline constexpr const char* kLimitsInverted =
    "Начальная частота диапазона выше конечной. Поменяйте границы местами.";
// Channels no radio can tune to, and channels outside the chosen band.
inline constexpr const char* kUntunable =
    "вне 33 - 174 МГц, на которые настраиваются радиостанции. Исправьте частоту или очистите "
    "канал.";
inline constexpr const char* kUntunableRead =
    "В радиостанции записаны частоты вне 33 - 174 МГц, на которые радиостанции не настраиваются "
    "(показаны как записаны). Перед программированием исправьте их или очистите каналы:";
inline constexpr const char* kUntunableFile =
    "В таблице частоты вне 33 - 174 МГц, на которые радиостанции не настраиваются. Файл "
    "сохранён, но программировать его нельзя, пока они не исправлены или каналы не очищены:";
inline constexpr const char* kOutsideBand = "Частоты вне выбранного диапазона ";
inline constexpr const char* kOutsideBandQuestion =
    "\n\nРадиостанция на них работать не будет. Программировать всё равно?";
inline constexpr const char* kOutsideBandCaption = "Каналы вне диапазона";
inline constexpr const char* kLowerLimitName = "Начальная частота, МГц";
inline constexpr const char* kUpperLimitName = "Конечная частота, МГц";

inline constexpr const char* kNoLowerLimit = "Введите нижнюю границу диапазона.";
inline constexpr const char* kNoUpperLimit = "Введите верхнюю границу диапазона.";
inline constexpr const char* kNoLimitCaption = "Нет границ диапазона";
inline constexpr const char* kBadLimitCaption = "Неверная частота";
inline constexpr const char* kLowerOut160 =
    "Частота вышла за пределы нижней границы для диапазона 160 МГц.";
inline constexpr const char* kLowerOut57 =
    "Частота вышла за пределы нижней границы для диапазона 57 МГц.";
inline constexpr const char* kLowerOut40 =
    "Частота вышла за пределы нижней границы для диапазона 40 МГц.";
inline constexpr const char* kUpperOut160 =
    "Частота вышла за пределы верхней границы для диапазона 160 МГц.";
inline constexpr const char* kUpperOut57 =
    "Частота вышла за пределы верхней границы для диапазона 57 МГц.";
inline constexpr const char* kUpperOut40 =
    "Частота вышла за пределы верхней границы для диапазона 40 МГц.";

inline constexpr const char* kReadTestFailed =
    "Ошибка тестирования USB-программатора. Чтение невозможно.\nПроверьте подключение "
    "USB-кабеля и питание программатора.";
inline constexpr const char* kReadTestFailedCaption = "Ошибка тестирования";
// Before a read or a frequency write.
inline constexpr const char* kConnectRadio =
    "Подключите к программатору радиостанцию,подайте на неё питание\nи нажмите OK.";
inline constexpr const char* kConnectRadioForReadCaption = "Чтение конфигурации";
inline constexpr const char* kRadioBlank =
    "Радиостанция не подключена, либо не программировалась ранее.";
inline constexpr const char* kRadioBlankCaption = "Ошибка чтения конфигурации";
inline constexpr const char* kOldProgrammer =
    "Радиостанция была запрограммирована программатором ЗЕКТ УП-3.";
inline constexpr const char* kOldProgrammerCaption = "Информация!!!";
inline constexpr const char* kOldFirmware =
    "В радиостанции устаревшая версия программного обеспечения.\nПерепрограммируйте "
    "радиостанцию полностью, используя кнопку ПРОГРАММИРОВАНИЕ.";
inline constexpr const char* kOldFirmwareCaption = "Внимание !!!";
inline constexpr const char* kReadProtected =
    "Внимание!!! У данной радиостанции при программировании была установлена опция защиты "
    "программы от чтения! Прочитанная информация о частотах не достоверна.";
inline constexpr const char* kReadProtectedCaption = "Программа защищена от чтения.";
inline constexpr const char* kConstructionMismatch =
    "Конструктивный вариант не соответствует возимой радиостанции.\nВоспользуйтесь программой "
    "для носимых радиостанций.";
inline constexpr const char* kSummaryCaption = "Конфигурация прочитана";

} // namespace zekt::msg
