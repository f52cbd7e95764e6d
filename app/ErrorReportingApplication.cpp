#include "ErrorReportingApplication.h"

#include "OperatorDialogs.h"

#include <QMessageBox>
#include <exception>

namespace zekt {

ErrorReportingApplication::ErrorReportingApplication(int& argc, char** argv)
    : QApplication(argc, argv) {
    showError = [](const QString& text) {
        QMessageBox::critical(nullptr, kApplicationTitle, text);
    };
}

bool ErrorReportingApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    } catch (...) {
        showError(QStringLiteral("Неизвестная ошибка"));
    }
    return false;
}

} // namespace zekt
