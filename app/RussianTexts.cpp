#include "RussianTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace zekt {

namespace {

// Texts Qt 6.4's Russian catalogue does not hold (a context new in Qt 6).
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* = nullptr,
                      int = -1) const override {
        struct Text {
            const char* context;
            const char* source;
            const char* russian;
        };
        static constexpr Text kTexts[] = {
            {"QAbstractFileIconProvider", "Folder", "Папка"},
            // Windows Explorer's name, which Qt uses there.
            {"QAbstractFileIconProvider", "File Folder", "Папка с файлами"},
            {"QAbstractFileIconProvider", "Drive", "Диск"},
            {"QAbstractFileIconProvider", "File", "Файл"},
            {"QAbstractFileIconProvider", "Shortcut", "Ярлык"},
        };
        for (const Text& text : kTexts) {
            if (std::strcmp(context, text.context) == 0 && std::strcmp(source, text.source) == 0) {
                return QString::fromUtf8(text.russian);
            }
        }
        return {};
    }
};

} // namespace

void UseRussianTexts(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Russian), "qtbase", "_",
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qtTexts);
    }
    QCoreApplication::installTranslator(new MissingQtTexts(&app));
}

} // namespace zekt
