#include "ProgramThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <array>
#include <utility>

namespace zekt {

namespace {

// The chip steps in the order a run takes them.
const std::array<std::pair<ProgramOp, void (ProgramSteps::*)()>, 10> kStepOrder = {{
    {opErase, &ProgramSteps::EraseStep},
    {opProgCode, &ProgramSteps::ProgramCodeStep},
    {opVerifyCode, &ProgramSteps::VerifyCodeStep},
    {opProgData, &ProgramSteps::ProgramDataStep},
    {opVerifyData, &ProgramSteps::VerifyDataStep},
    {opProgConfig, &ProgramSteps::ProgramConfigStep},
    {opVerifyConfig, &ProgramSteps::VerifyConfigStep},
    {opReadConfig, &ProgramSteps::ReadConfigStep},
    {opReadCode, &ProgramSteps::ReadCodeStep},
    {opReadData, &ProgramSteps::ReadDataStep},
}};

} // namespace

ProgramThread::ProgramThread(bool createSuspended, RunOwner& owner, ProgramOp ops, Project& image,
                             USB_Prog& link, ProgressView& progress)
    : owner(owner), steps(image, link, progress, ops) {
    if (!createSuspended) {
        Resume();
    }
}

ProgramThread::~ProgramThread() {
    // A run that was started is always waited for before it goes away.
    if (isRunning()) {
        WaitFor();
    }
}

void ProgramThread::Resume() {
    start(QThread::LowestPriority);
}

int ProgramThread::WaitFor() {
    // Events are served until the run has ended, even after the application
    // was told to quit (a nested event loop would return at once then): the
    // worker may be waiting for a step handed over to this thread.
    bool ended = false;
    QObject waiter; // takes its pending event with it when it goes
    connect(
        this, &QThread::finished, &waiter, [&ended] { ended = true; }, Qt::QueuedConnection);
    while (!ended && !isFinished()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    }
    wait();
    return exitCode;
}

void ProgramThread::run() {
    Execute();
}

void ProgramThread::Synchronize(const std::function<void()>& step) {
    if (QThread::currentThread() == thread()) {
        step();
        return;
    }
    QMetaObject::invokeMethod(this, step, Qt::BlockingQueuedConnection);
}

bool ProgramThread::HandOver(void (ProgramSteps::*step)()) {
    Synchronize([this, step] { (steps.*step)(); });
    if (steps.Failed()) {
        Synchronize([this] { FailRun(); });
        return true;
    }
    return false;
}

void ProgramThread::Execute() {
    Synchronize([this] {
        owner.DisableCommands();
        steps.Progress().SetCaption("");
    });
    exitCode = 0;
    if (HandOver(&ProgramSteps::OpenStep)) {
        return;
    }
    steps.SendStart();
    if (steps.Failed()) {
        Synchronize([this] { FailRun(); });
        return;
    }
    for (const auto& [op, step] : kStepOrder) {
        if ((steps.Ops() & op) != 0 && HandOver(step)) {
            return;
        }
    }
    steps.SendEnd();
    if (steps.Failed()) {
        Synchronize([this] { FailRun(); });
        return;
    }
    if (HandOver(&ProgramSteps::CloseStep)) {
        return;
    }
    exitCode = 1;
    Synchronize([this] { owner.EnableCommands(); });
}

void ProgramThread::FailRun() {
    // The operator is told what ended the run, not what went wrong while the
    // run was being wound up.
    const std::string failure = steps.Message();
    steps.SendEnd();
    steps.CloseStep();
    steps.RestoreFailure(failure);
    exitCode = 0;
    owner.EnableCommands();
}

} // namespace zekt
