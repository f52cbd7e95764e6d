#pragma once

#include <array>
#include <string>
#include <string_view>

// Texts of the main window and its small windows.
namespace zekt::msg {

inline constexpr const char* kMainCaption =
    "Программатор возимых радиостанций ЗЕКТ (Версии ПО: 4.1.0, 6.1.0 и 6.1.1)   @USB ЗЕКТ УП-7";

inline constexpr const char* kExitQuestion = "Завершить приложение ?";
inline constexpr const char* kExitCaption = " Подтвердите выход";
// The window's close box during a run.
inline constexpr const char* kStopRunOnlyQuestion =
    "Идёт работа с радиостанцией.\nОстановить её на следующем кадре?\n"
    "Радиостанцию, запись в которую прервана, нужно будет запрограммировать заново.";
inline constexpr const char* kStopRunCaption = "Остановка работы";
inline constexpr const char* kStopRunQuestion =
    "Идёт работа с радиостанцией.\nОстановить её на следующем кадре и завершить приложение?\n"
    "Радиостанцию, запись в которую прервана, нужно будет запрограммировать заново.";

// zekt-programmer --help, with the data folder, the password file and the
// settings folder.
inline constexpr const char* kWindowUsage =
    "Использование: zekt-programmer [--simulate [RADIO.hex]] [--sim-delay=MS] [--journal=ФАЙЛ]\n"
    "                               [--sim-fault=ОТКАЗ]...\n"
    "                               [--workdir=ПАПКА] [--unit=СЕРИЙНЫЙ] [--usb-latency=MS]\n"
    "                               [--journal-database=АДРЕС] [--radio-number=ask]\n"
    "                               [параметры Qt]\n"
    "       zekt-programmer --help | --version\n"
    "\n"
    "  --simulate [RADIO.hex]  имитатор программатора; память радиостанции читается из\n"
    "                          RADIO.hex при запуске (чистая, если файла нет) и сохраняется в "
    "него\n"
    "  --sim-delay=MS          имитатор отвечает на каждый кадр через MS миллисекунд (0-10000)\n"
    "  --sim-fault=ОТКАЗ       отказ имитатора, как у zekt-cli (список: zekt-cli --help; можно\n"
    "                          указать несколько раз): для учебных прогонов\n"
    "  --journal=ФАЙЛ          журнал работ (по умолчанию %s\n"
    "                          journal.csv); пустое имя выключает журнал\n"
    "  --journal-database=АДРЕС  общий журнал мастерской в PostgreSQL (адрес libpq; пароль -\n"
    "                          в %s); без него - journal-database из файла настроек\n"
    "  --workdir=ПАПКА         рабочая папка: стандартные программы берутся из ПАПКА/WORK\n"
    "                          (по умолчанию текущая папка)\n"
    "  --unit=СЕРИЙНЫЙ         программатор с этим серийным номером USB или тот, чей номер\n"
    "                          оканчивается на него (по умолчанию первый найденный)\n"
    "  --radio-number=ask      спрашивать номер каждой радиостанции (с корпуса или сканером)\n"
    "                          для журнала (по умолчанию как в файле настроек)\n"
    "  --usb-latency=MS        таймер задержки USB программатора, 1-255 мс (по умолчанию как\n"
    "                          в %ssettings.conf, иначе\n"
    "                          собственный таймер микросхемы); 1 ускоряет программирование\n"
    "  --help, --version       эта справка; версия программы\n"
    "Значение параметра пишется после \"=\" или следующим аргументом.\n"
    "\n"
    "Принимаются и стандартные параметры Qt (-platform, -style, -session, -reverse, ...).\n";

// The window with nowhere to open (zekt-programmer ends with status 2).
inline constexpr const char* kNoDisplay =
    "окно открыть негде: нет дисплея (не заданы DISPLAY и WAYLAND_DISPLAY). Запустите программу "
    "в графическом сеансе; без окна работает zekt-cli.";
inline constexpr const char* kDisplayUnreachable =
    "окно открыть негде: дисплей недоступен (DISPLAY или WAYLAND_DISPLAY указывают на дисплей, "
    "к которому нет доступа). Запустите программу в графическом сеансе; без окна работает "
    "zekt-cli.";

// The radio's own number, asked once it is connected (radio-number = ask).
inline constexpr const char* kRadioNumberLabel =
    "Номер радиостанции (с корпуса; можно сканером).\nПусто - без номера.";
inline constexpr const char* kRadioNumberCaption = "Номер радиостанции";

struct VersionDetails {
    const char* caption;
    const char* text;
};
inline constexpr std::array<VersionDetails, 3> kVersionDetails = {{
    {"Версия 4.1.0",
     " Программное обеспечение 4.1.0 предназначено для программирования \n возимых "
     "радиостанций ЗЕКТ Р-1 и ЗЕКТ Р-2 с управлением на \n микроконтроллере PIC16F877 и "
     "синтезатором частот на LMX2306. \n Серийный выпуск - с января 2004 года. "},
    {"Версия 6.1.0",
     " Программное обеспечение 6.1.0 предназначено для программирования \n возимых "
     "радиостанций ЗЕКТ Р-1M и ЗЕКТ Р-2M (БЕЗ переключения \n уровня мощности) с управлением "
     "на микроконтроллере PIC16F877 \n и синтезатором частот на MC145170. \n Серийный выпуск - "
     "с февраля 2006 года. "},
    {"Версия 6.1.1",
     " Программное обеспечение 6.1.1 предназначено для программирования \n возимых "
     "радиостанций ЗЕКТ Р-1M и ЗЕКТ Р-2M (С переключением \n уровня мощности) с управлением на "
     "микроконтроллере PIC16F877 \n и синтезатором частот на MC145170. \n Серийный выпуск - с "
     "сентября 2007 года (апрель 2008). "},
}};

inline constexpr const char* kAboutCaption = "USB программатор ЗЕКТ";
// The about window's title line with the build's version as major.minor:
// "USB программатор радиостанций ЗЕКТ  (версия 1.0)" at 1.0.0.
inline std::string AboutTitle(std::string_view version) {
    const std::size_t major = version.find('.');
    const std::size_t minor =
        major == std::string_view::npos ? major : version.find('.', major + 1);
    return "USB программатор радиостанций ЗЕКТ  (версия " + std::string(version.substr(0, minor)) +
           ")";
}
inline constexpr const char* kAboutMaker = "Радиомастерская «Пример»";
inline constexpr const char* kAboutPurpose =
    "Программа предназначена для программирования радиостанций \"ЗЕКТ Р-1 (М)\" и \"ЗЕКТ Р-2 "
    "(М)\" через USB-порт компьютера. Работает совместно с программатором \"ЗЕКТ УП-7\".";

} // namespace zekt::msg
