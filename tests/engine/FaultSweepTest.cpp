#include "ProgramOp.h"
#include "RunRig.h"

#include <QtTest>

using namespace zekt;

namespace {

constexpr int kFullRunFrames = 553;

struct Fault {
    const char* name;
    int SimFaults::*frame;
    const char* message;
};

const Fault kFaults[] = {
    {"unplugged", &SimFaults::unplugAtFrame, "Ошибка записи в порт USB: Ошибка ввода/вывода"},
    {"read time-out", &SimFaults::readTimeoutAtFrame, "Тайм-аут обмена с устройством"},
    {"short write", &SimFaults::shortWriteAtFrame, "Ошибка записи в порт USB"},
};

} // namespace

// Every frame of a full programming run, failing in turn: the run must end
// with the link's message, the link closed and the command column unlocked.
class FaultSweepTest : public QObject {
    Q_OBJECT

private slots:
    void fullRunHas553Frames() {
        RunRig rig;
        QCOMPARE(rig.Run(kOpsProgramRadio), 1);
        QCOMPARE(rig.driver.FramesSeen(), kFullRunFrames);
    }

    void everyFrameFailing_data() {
        QTest::addColumn<int>("fault");
        for (int f = 0; f < 3; ++f) {
            QTest::newRow(kFaults[f].name) << f;
        }
    }
    void everyFrameFailing() {
        QFETCH(int, fault);
        const Fault& f = kFaults[fault];
        for (int k = 1; k <= kFullRunFrames; ++k) {
            RunRig rig;
            rig.driver.Faults().*(f.frame) = k;
            const int code = rig.Run(kOpsProgramRadio);
            const QString where = QString("%1 at frame %2").arg(f.name).arg(k);
            QVERIFY2(code == 0, qPrintable(where));
            QVERIFY2(rig.message == f.message,
                     qPrintable(where + ": " + QString::fromStdString(rig.message)));
            QVERIFY2(!rig.link.IsOpen() && !rig.driver.IsOpen(), qPrintable(where));
            QVERIFY2(rig.owner.disabled == 1 && rig.owner.enabled == 1 && !rig.owner.locked,
                     qPrintable(where));
            // Nothing after the failing frame but the winding-up end frame.
            QVERIFY2(static_cast<int>(rig.driver.ReceivedFrames().size()) <= k + 1,
                     qPrintable(where));
        }
    }
};

QTEST_GUILESS_MAIN(FaultSweepTest)
#include "FaultSweepTest.moc"
