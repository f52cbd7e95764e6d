#pragma once

#include <QApplication>
#include <functional>

namespace zekt {

// The application object: an exception that escapes an event handler is
// shown in an error box with its own text, and the program goes on.
class ErrorReportingApplication : public QApplication {
public:
    ErrorReportingApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // How the error is shown; an error box unless a test says otherwise.
    std::function<void(const QString&)> showError;
};

} // namespace zekt
