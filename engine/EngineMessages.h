#pragma once

#include <string>

// Captions of the progress window and the failure texts of a run.
namespace zekt::msg {

inline constexpr const char* kUnknownError = "Неизвестная ошибка";
// A question the operator declined, as the journal records it (then the
// question's first line), and a radio number not given.
inline const std::string kDeclinedQuestion = "оператор ответил «Отмена» на вопрос: ";
inline constexpr const char* kRadioNumberDeclined = "оператор не ввёл номер радиостанции";
inline constexpr const char* kRunStopped =
    "Работа с радиостанцией прервана. Если шла запись, радиостанция запрограммирована\n"
    "не полностью: запрограммируйте её заново.";
inline constexpr const char* kPortNotReady = "USB-порт не инициализирован";
// A backup that read the radio but could not write its copy (the reason follows).
inline constexpr const char* kCopyNotWritten = "Копия радиостанции не записана. ";

// What to do, shown below a fault's own text.
inline constexpr const char* kAdviceCheckLink =
    "Проверьте USB-кабель, питание программатора и подключение радиостанции.";
inline constexpr const char* kAdviceChipFault =
    "Программатор сообщил, что данные не записались или не совпали при проверке.\n"
    "Если ошибка повторится на том же адресе, радиостанция, вероятно, неисправна.";
inline constexpr const char* kAdviceWriteAgain =
    "Радиостанция могла остаться записанной не полностью: повторите запись\n"
    "и не отдавайте радиостанцию, пока запись не пройдёт без ошибок.";
inline constexpr const char* kAdviceReadAgain = "Затем повторите чтение.";
inline constexpr const char* kAdviceRadioBlank =
    "Проверьте кабель к радиостанции и её питание и прочитайте снова. Радиостанцию, которая\n"
    "не программировалась, запрограммируйте командой «Программирование».";
// Below the firmware's open error: the file it opened, then where the
// standard ones are looked for.
inline constexpr const char* kAdviceFirmwareOpened = "Открывался файл: ";
inline constexpr const char* kAdviceFirmwareFolder = "Стандартные программы ищутся в папке ";
inline constexpr const char* kAdviceTestFailed =
    "Если кабель и питание в порядке, закройте другие программы, работающие\n"
    "с программатором, отключите его и подключите снова.";

inline constexpr const char* kCaptionProgCode = "Программирование памяти программ...";
inline constexpr const char* kCaptionProgData = "Программирование памяти данных...";
inline constexpr const char* kCaptionProgConfig = "Программирование конфигурации...";
inline constexpr const char* kCaptionVerifyCode = "Верификация памяти программ...";
inline constexpr const char* kCaptionVerifyData = "Верификация памяти данных...";
inline constexpr const char* kCaptionVerifyConfig = "Верификация конфигурации...";
inline constexpr const char* kCaptionReadCode = "Чтение памяти программ...";
inline constexpr const char* kCaptionReadData = "Чтение памяти данных...";
// The second pass of a read, which confirms the first.
inline constexpr const char* kCaptionConfirmCode = "Проверочное чтение памяти программ...";
inline constexpr const char* kCaptionConfirmData = "Проверочное чтение памяти данных...";

inline constexpr const char* kProgCodeFailed =
    "Ошибка программирования памяти программ по адресу: ";
inline constexpr const char* kProgDataFailed = "Ошибка программирования памяти данных по адресу: ";
inline constexpr const char* kProgIdFailed = "Ошибка программирования идентификационной метки";
inline constexpr const char* kProgConfigFailed = "Ошибочное программирование конфигурации";
inline constexpr const char* kVerifyCodeFailed =
    "Ошибка при верификации памяти программ по адресу: ";
inline constexpr const char* kVerifyDataFailed = "Ошибка при верификации памяти данных по адресу: ";
inline constexpr const char* kVerifyWritten = "записанное значение: ";
inline constexpr const char* kVerifyRead = " прочитанное значение: ";
inline constexpr const char* kVerifyIdFailed = " Ошибка при верификации идентификационной метки";
inline constexpr const char* kVerifyConfigFailed =
    " Ошибка при верификации конфигурационного слова";

} // namespace zekt::msg
