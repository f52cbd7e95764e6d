#include "AppMessages.h"
#include "CommandMessages.h"
#include "ConfigMessages.h"
#include "ErrorReportingApplication.h"
#include "QtOperatorDialogs.h"
#include "RussianTexts.h"
#include "ScriptedDialogs.h"
#include "SimulatedDriver.h"
#include "TFUser.h"
#include "TForm1.h"
#include "UsageOptions.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

using namespace zekt;

class SmallWindowsTest : public QObject {
    Q_OBJECT

private:
    void ShowAbout(TForm1& form) {
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

private slots:
    // The window's help names every option the window takes, and only those.
    void helpNamesTheWindowsOptions() {
        QCOMPARE(OptionsNamed(msg::kWindowUsage), OptionsInHelp(kWindowProgram));
    }

    // The file dialog's sizes and dates in Russian under any locale (the
    // tests run under LANG=C too).
    void fileDetailsInRussian() {
        QTemporaryDir dir;
        QFile file(dir.filePath("radio.prg"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1331, 'x'));
        file.close();
        QFileSystemModel files;
        QSignalSpy loaded(&files, &QFileSystemModel::directoryLoaded);
        const QModelIndex folder = files.setRootPath(dir.path());
        QVERIFY(loaded.wait(5000) || files.rowCount(folder) > 0);
        QTRY_COMPARE(files.rowCount(folder), 1);
        RussianFileDetails details;
        details.setSourceModel(&files);
        const QModelIndex row = details.mapFromSource(files.index(0, 0, folder));
        const QString size = details.index(row.row(), 1, row.parent()).data().toString();
        const QString date = details.index(row.row(), 3, row.parent()).data().toString();
        QCOMPARE(size, QString("1,30 КБ"));
        QVERIFY2(QRegularExpression(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d$)").match(date).hasMatch(),
                 qPrintable(date));

        // Qt's own dialog gives the date column room for such a date, year and all.
        QFileDialog dialog(nullptr, {}, dir.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setProxyModel(new RussianFileDetails(&dialog));
        FitDetailColumns(dialog);
        const QTreeView* view = dialog.findChild<QTreeView*>();
        QVERIFY(view != nullptr);
        const int needed = view->fontMetrics().horizontalAdvance(date) +
                           2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin);
        QVERIFY2(view->header()->sectionSize(3) >= needed && !view->header()->stretchLastSection(),
                 qPrintable(QString("%1 < %2").arg(view->header()->sectionSize(3)).arg(needed)));
    }

    // A box keeps its text's own lines, no more and no fewer, and is wide
    // enough for its title.
    void boxesKeepTheirTextsLines() {
        const std::pair<QString, QString> boxes[] = {
            {msg::kVersionDetails[2].text, msg::kVersionDetails[2].caption},
            {msg::kVersionDetails[0].text, msg::kVersionDetails[0].caption},
            {msg::kConnectRadio, msg::kFreqTitle},
            {msg::kProtectionQuestion, msg::kProtectionQuestionCaption},
            {msg::kExitQuestion, msg::kExitCaption},
        };
        for (const auto& [text, title] : boxes) {
            OperatorBox box(text, title, BoxIcon::Information, BoxButtons::OkCancel, nullptr);
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            const QLabel* label = box.TextLabel();
            const int lines = static_cast<int>(text.count('\n')) + 1;
            const int lineHeight = QFontMetrics(label->font()).lineSpacing();
            QVERIFY2(
                !label->wordWrap() && std::abs(label->height() - lines * lineHeight) < lineHeight,
                qPrintable(
                    QString("%1: %2 px for %3 lines").arg(title).arg(label->height()).arg(lines)));
            QVERIFY(box.width() >= QFontMetrics(box.font()).horizontalAdvance(title));
            QVERIFY(!(box.windowFlags() &
                      (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        }
    }

    // Qt's own texts in Russian whatever the locale the desktop was started in.
    void qtTextsInRussian() {
        UseRussianTexts(*QCoreApplication::instance());
        // A folder is named as the system's own file manager names it.
        const QString folder = QFileIconProvider().type(QFileInfo(QDir::tempPath()));
        QVERIFY2(folder == "Папка" || folder == "Папка с файлами", qPrintable(folder));
        QVERIFY(QLocale().monthName(12, QLocale::ShortFormat).startsWith("дек"));
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString("Отмена"));
    }

    void aboutWindowContents() {
        TForm1 form;
        QCOMPARE(form.windowTitle(), QString("USB программатор ЗЕКТ"));
        QCOMPARE(form.size(), QSize(612, 316));
        // The build's version, as major.minor: the window and --version agree.
        QCOMPARE(form.Label1->text(), QString::fromStdString(msg::AboutTitle(ZEKT_VERSION)));
        QCOMPARE(msg::AboutTitle("1.0.0"), "USB программатор радиостанций ЗЕКТ  (версия 1.0)");
        QCOMPARE(msg::AboutTitle("0.2.0"), "USB программатор радиостанций ЗЕКТ  (версия 0.2)");
        QCOMPARE(
            form.Label3->text(),
            QString("Программа предназначена для программирования радиостанций \"ЗЕКТ Р-1 (М)\" "
                    "и \"ЗЕКТ Р-2 (М)\" через USB-порт компьютера. Работает совместно с "
                    "программатором \"ЗЕКТ УП-7\"."));
        QVERIFY(form.Label3->text().contains(QString("(") + QChar(0x041C) + ")")); // Cyrillic М
        QVERIFY(form.Label3->font().bold());
        QCOMPARE(form.Label3->font().pixelSize(), 15);
        QCOMPARE(form.ButOK->text(), QString("ОК"));
        QCOMPARE(form.Image1->size(), QSize(69, 76));
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
    }

    // The controls where the design puts them; Panel1 fills the window,
    // Label3 stretches with its width, ButOK keeps its distance to the left,
    // right and bottom edges.
    void aboutWindowGeometry() {
        TForm1 form;
        ShowAbout(form);
        QCOMPARE(form.Label1->pos(), QPoint(105, 16));
        QCOMPARE(form.Label2->pos(), QPoint(105, 57));
        for (QLabel* label : {form.Label1, form.Label2}) {
            QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
        }
        const QRect label3 = form.Label3->geometry();
        const QRect ok = form.ButOK->geometry();
        QCOMPARE(label3.topLeft(), QPoint(32, 105));
        // 56 high, or as high as the platform's font needs: never cut.
        QCOMPARE(label3.height(), std::max(56, form.Label3->heightForWidth(label3.width())));
        QVERIFY(label3.bottom() < form.ButOK->y());
        QCOMPARE(ok.size().height(), 33);
        QCOMPARE(ok.x(), 240);
        form.setFixedSize(form.size() + QSize(100, 60)); // as a thinner frame leaves it
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.Panel1->geometry(), form.rect());
        QCOMPARE(form.Label3->geometry().topLeft(), label3.topLeft());
        QCOMPARE(form.Label3->width(), label3.width() + 100);
        QCOMPARE(form.ButOK->geometry(), ok.translated(0, 60).adjusted(0, 0, 100, 0));
        QCOMPARE(form.Label1->pos(), QPoint(105, 16));
    }

    // The filters read as written, each once; "все файлы" takes every file.
    void fileDialogFilters() {
        const QString open = QtFileFilter("файл конфигурации (*.prg)|*.prg|все файлы|*.*");
        QCOMPARE(open, QString("файл конфигурации (*.prg) (*.prg);;все файлы (*)"));
        QFileDialog dialog(nullptr, "", "", open);
        dialog.setOptions(QFileDialog::HideNameFilterDetails | QFileDialog::DontUseNativeDialog);
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types != nullptr);
        QCOMPARE(types->itemText(0), QString("файл конфигурации (*.prg)"));
        QCOMPARE(types->itemText(1), QString("все файлы"));
        QCOMPARE(QtFileFilter("программы(*.hex, *.obj)|*.hex;*.obj|все файлы|*.*"),
                 QString("программы(*.hex, *.obj) (*.hex *.obj);;все файлы (*)"));
    }

    void anyKeyClosesTheAboutWindow_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("letter") << int(Qt::Key_A);
        QTest::newRow("space") << int(Qt::Key_Space);
    }
    void anyKeyClosesTheAboutWindow() {
        QFETCH(int, key);
        TForm1 form;
        ShowAbout(form);
        QTest::keyClick(form.ButOK, Qt::Key(key));
        QVERIFY(!form.isVisible());
        ShowAbout(form);
        QTest::keyClick(&form, Qt::Key(key));
        QVERIFY(!form.isVisible());
    }

    void clicksThatClose() {
        TForm1 form;
        ShowAbout(form);
        QTest::mouseClick(form.ButOK, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        for (QLabel* label : {form.Label1, form.Label2, form.Label3}) {
            ShowAbout(form);
            QTest::mousePress(label, Qt::RightButton);
            QVERIFY2(!form.isVisible(), qPrintable(label->objectName()));
        }
    }

    void clicksThatDoNotClose() {
        TForm1 form;
        ShowAbout(form);
        QTest::mouseClick(form.Image1, Qt::LeftButton);
        QVERIFY(form.isVisible());
        QTest::mouseClick(form.Panel1, Qt::LeftButton, {}, QPoint(5, 300));
        QVERIFY(form.isVisible());
    }

    void aboutButtonShowsItModally() {
        SimulatedDriver driver;
        ScriptedDialogs dialogs;
        TFUser window(std::make_unique<USB_Prog>(driver), &dialogs);
        window.show();
        bool wasModal = false;
        QTimer::singleShot(50, [&] {
            wasModal = window.Form1->isVisible() && window.Form1->isModal();
            QTest::keyClick(window.Form1, Qt::Key_Escape);
        });
        window.ButAboutClick(); // returns once the window is closed
        QVERIFY(wasModal);
        QVERIFY(!window.Form1->isVisible());
        QVERIFY(window.isVisible());
    }

    void exceptionEscapingAHandlerIsShown() {
        auto* app = dynamic_cast<ErrorReportingApplication*>(QCoreApplication::instance());
        QVERIFY(app != nullptr);
        QStringList shown;
        app->showError = [&](const QString& text) { shown << text; };
        QObject target;
        QMetaObject::invokeMethod(
            &target,
            [] { throw std::runtime_error("'1,2,3' is not a valid floating point value"); },
            Qt::QueuedConnection);
        QMetaObject::invokeMethod(
            &target, [] { throw 42; }, Qt::QueuedConnection);
        bool stillRunning = false;
        QMetaObject::invokeMethod(
            &target, [&] { stillRunning = true; }, Qt::QueuedConnection);
        QTRY_VERIFY(stillRunning);
        QCOMPARE(shown, (QStringList{"'1,2,3' is not a valid floating point value",
                                     "Неизвестная ошибка"}));
    }
};

int main(int argc, char** argv) {
    ErrorReportingApplication app(argc, argv);
    SmallWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SmallWindowsTest.moc"
