#include "ProgramOp.h"
#include "RunRig.h"
#include "TForm2.h"

#include <QLabel>
#include <QProgressBar>
#include <QWindow>
#include <QtTest>

using namespace zekt;

class ProgressWindowTest : public QObject {
    Q_OBJECT

private slots:
    void layoutOfTheDialog() {
        TForm2 form;
        QCOMPARE(form.objectName(), QString("Form2"));
        QCOMPARE(form.size(), QSize(541, 135));
        QCOMPARE(form.windowTitle(), QString());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowSystemMenuHint));
        QCOMPARE(form.Label->text(), QString());
        QVERIFY(form.Label->font().bold());
        QCOMPARE(form.ProgressBar->geometry(), QRect(40, 72, 457, 33));
        QCOMPARE(form.ProgressBar->maximum(), 100);
        QVERIFY(!form.isModal());
    }

    // Where a window manager draws its buttons anyway: an empty caption is a
    // blank, not the program's name, and a minimised window comes back.
    void windowManagersButtonsDoNoHarm() {
        TForm2 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The caption stays empty until a step sets it, yet the window is
        // never nameless to the window system: the program, then the command.
        QCOMPARE(form.windowTitle(), QString());
        QCOMPARE(form.windowHandle()->title(), QString("Программатор ЗЕКТ"));
        form.SetRunName("Чтение конфигурации");
        QCOMPARE(form.windowHandle()->title(), QString("Чтение конфигурации"));
        form.SetCaption("Чтение памяти данных...");
        QCOMPARE(form.windowHandle()->title(), QString("Чтение памяти данных..."));
        form.Clear();
        QCOMPARE(form.windowTitle(), QString());
        QCOMPARE(form.windowHandle()->title(), QString("Чтение конфигурации"));
        form.showMinimized();
        QTRY_VERIFY(!form.isMinimized() && form.isVisible());
    }

    void shownFollowsShowAndHide() {
        TForm2 form;
        QVERIFY(!form.shown);
        form.show();
        QVERIFY(form.shown);
        form.hide();
        QVERIFY(!form.shown);
    }

    void positionsBeyondTheMaximumShowAFullBar() {
        TForm2 form;
        form.SetMaximum(256);
        form.SetPosition(32);
        QCOMPARE(form.ProgressBar->value(), 32);
        form.SetPosition(288);
        QCOMPARE(form.ProgressBar->value(), 256);
        form.SetCaption("Программирование памяти данных...");
        QCOMPARE(form.windowTitle(), QString("Программирование памяти данных..."));
    }

    void aRunDrivesTheWindow() {
        RunRig rig;
        TForm2 form;
        form.show();
        ProgramThread thread(true, &rig.owner, opProgData | opVerifyData, rig.image, rig.link,
                             form);
        thread.Resume();
        QCOMPARE(thread.WaitFor(), 1);
        QCOMPARE(form.windowTitle(), QString("Верификация памяти данных..."));
        QCOMPARE(form.ProgressBar->maximum(), 256);
        QCOMPARE(form.ProgressBar->value(), 256);
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindowTest.moc"
