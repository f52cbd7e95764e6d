#pragma once

// Texts of the commands that write and read radios.
namespace zekt::msg {

inline constexpr const char* kTestPassed = "Тестирование USB-программатора завершено успешно!";
inline constexpr const char* kTestPassedCaption = "Тест";
inline constexpr const char* kTestFailed =
    "Ошибка тестирования USB-программатора.\nПроверьте подключение USB-кабеля и питание "
    "программатора.";
inline constexpr const char* kTestButtonFailedCaption = "Ошибка теста";

inline constexpr const char* kProgTestFailed =
    "Ошибка тестирования USB-программатора. Программирование невозможно.\nПроверьте подключение "
    "USB-кабеля и питание программатора.";
inline constexpr const char* kFreqTestFailed =
    "Ошибка тестирования USB-программатора. Запись частот невозможна.\nПроверьте подключение "
    "USB-кабеля и питание программатора.";
inline constexpr const char* kTestFailedCaption = "Ошибка тестирования";
inline constexpr const char* kNoVersion = "Выберите версию программного обеспечения.";
inline constexpr const char* kNoVersionCaption = "Нет версии";
inline constexpr const char* kConfigNotSet =
    "Конфигурация радиостанции не установлена. Чтобы установить\nновые данные нажмите кнопку "
    "КОНФИГУРАЦИЯ, или кнопку\nЧИТАТЬ ИЗ ФАЙЛА для чтения ранее записанных.";
inline constexpr const char* kConfigNotSetCaption = "Панель конфигурации не использовалась";
inline constexpr const char* kProgPromptStandard =
    "Для программирования радиостанции установлена версия %s\n\nЕсли верно, то подключите к "
    "программатору радиостанцию,\nподайте на неё питание и нажмите OK.";
inline constexpr const char* kProgPromptUserFile =
    "Установлена опция выбора загружаемой программы. Следует убедиться,\nчто выбранная программа "
    "соответствует ТИПУ Вашей радиостанции.\n\nДля выбора файла с программой нажмите ОК, для "
    "возврата - Отмена.";
inline constexpr const char* kProgPromptCaption = "ВНИМАНИЕ !";
inline constexpr const char* kFirmwareNotLoaded =
    "Файл не открыт. Файл повреждён или не является программой для радиостанции.\nПри "
    "стандартном программном обеспечении проверте наличие модулей\nSta410.hex St610.hex и "
    "St611.hex в поддиректории WORK.";
inline constexpr const char* kFirmwareNotLoadedCaption = "Ошибка открытия файла";
inline constexpr const char* kConnectDevice = "Подключите к программатору устройство и нажмите ОК.";
// A run's done text and the next-radio question, shown together after a run.
inline constexpr const char* kProgDone = "Программирование завершено!";
inline constexpr const char* kProgNextQuestion = "Программировать следующее устройство?";
inline constexpr const char* kProgTitle = "Программирование";
inline constexpr const char* kFreqDone = "Запись частот завершена!";
inline constexpr const char* kFreqNextQuestion = "Продолжить запись в следующее устройство?";
inline constexpr const char* kFreqTitle = "Запись частот";

// Two passes over the same radio that disagree: nothing read may be kept.
inline constexpr const char* kReadsDiffer =
    "Два чтения радиостанции дали разные данные: ненадёжный контакт с радиостанцией.\n"
    "Проверьте подключение радиостанции и повторите чтение.";

} // namespace zekt::msg
