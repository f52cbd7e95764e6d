#include "ProgramThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <array>
#include <condition_variable>
#include <memory>
#include <utility>

namespace zekt {

namespace {

// The chip steps in the order a run takes them.
const std::array<std::pair<ProgramOp, StepResult (ProgramSteps::*)()>, 10> kStepOrder = {{
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

void QueuedProgress::SetCaption(const std::string& caption) {
    side.Post([this, caption] { view.SetCaption(caption); });
}

void QueuedProgress::SetMaximum(int maximum) {
    side.Post([this, maximum] { view.SetMaximum(maximum); });
}

void QueuedProgress::SetPosition(int position) {
    side.Post([this, position] { view.SetPosition(position); });
}

namespace {

// A call handed from the worker to the waiting thread.
class HandOffEvent : public QEvent {
public:
    static QEvent::Type Kind() {
        static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
        return kind;
    }
    explicit HandOffEvent(std::function<void()> call) : QEvent(Kind()), call(std::move(call)) {}
    std::function<void()> call;
};

} // namespace

void ProgramThread::Post(std::function<void()> call) {
    auto* event = new HandOffEvent(std::move(call));
    { const std::lock_guard<std::mutex> made(handOff); }
    QCoreApplication::postEvent(this, event);
}

bool ProgramThread::event(QEvent* event) {
    if (event->type() != HandOffEvent::Kind()) {
        return QThread::event(event);
    }
    { const std::lock_guard<std::mutex> taken(handOff); }
    static_cast<HandOffEvent*>(event)->call();
    return true;
}

ProgramThread::ProgramThread(bool createSuspended, RunOwner* owner, ProgramOp ops, Project& image,
                             USB_Prog& link, ProgressView& progress)
    : owner(owner), queuedProgress(progress, *this),
      steps(image, link, queuedProgress, ops, owner) {
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
    ServeEventsUntilFinished(*this, owner);
    wait();
    return ExitCode();
}

void ServeEventsUntilFinished(QThread& thread, RunOwner* owner,
                              const std::function<void()>& start) {
    // Events are served until the thread has ended, even after the
    // application was told to quit (a nested event loop would return at once
    // then): the worker may be waiting for a step handed over to this thread.
    bool ended = false;
    QObject waiter; // takes its pending event with it when it goes
    QObject::connect(
        &thread, &QThread::finished, &waiter, [&ended] { ended = true; }, Qt::QueuedConnection);
    // Started only now: a thread that ended before the connection was made
    // would leave the loop below waiting for an event that never comes.
    if (start) {
        start();
    }
    const QEventLoop::ProcessEventsFlags flags =
        owner != nullptr && owner->GuardsInput()
            ? QEventLoop::WaitForMoreEvents
            : QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents;
    while (!ended && !thread.isFinished()) {
        QCoreApplication::processEvents(flags);
    }
}

bool TestUnit(RunOwner* owner, USB_Prog& link) {
    if (owner == nullptr) {
        return link.Test(); // no window to keep answering
    }
    bool passed = false;
    std::unique_ptr<QThread> worker(QThread::create([&link, &passed] { passed = link.Test(); }));
    ServeEventsUntilFinished(*worker, owner, [&worker] { worker->start(QThread::LowestPriority); });
    worker->wait();
    return passed;
}

void ProgramThread::run() {
    Execute();
}

void ProgramThread::Synchronize(const std::function<void()>& step) {
    if (QThread::currentThread() == thread()) {
        step();
        return;
    }
    // Waited for on a condition a thread checker sees, unlike Qt's blocking call.
    std::mutex mutex;
    std::condition_variable ran;
    bool done = false;
    Post([&] {
        step();
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ran.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    ran.wait(lock, [&done] { return done; });
}

namespace {
constexpr unsigned long kHeldRunPollMs = 20;
} // namespace

StepResult ProgramThread::HandOver(StepResult (ProgramSteps::*step)()) {
    StepResult result;
    Synchronize([this, step, &result] { result = (steps.*step)(); });
    return result;
}

void ProgramThread::WaitWhileHeld() {
    if (owner == nullptr) {
        return;
    }
    for (;;) {
        bool held = false;
        Synchronize([this, &held] { held = owner->HoldsRun(); });
        if (!held) {
            return;
        }
        QThread::msleep(kHeldRunPollMs);
    }
}

StepResult ProgramThread::RunSteps() {
    if (StepResult open = HandOver(&ProgramSteps::OpenStep); !open.ok) {
        return open;
    }
    if (StepResult start = steps.SendStart(); !start.ok) {
        return start;
    }
    for (const auto& [op, step] : kStepOrder) {
        if ((steps.Ops() & op) == 0) {
            continue;
        }
        WaitWhileHeld(); // the unit idles between steps while the operator is asked
        if (StepResult result = (steps.*step)(); !result.ok) {
            return result;
        }
    }
    if (StepResult end = steps.SendEnd(); !end.ok) {
        return end;
    }
    return HandOver(&ProgramSteps::CloseStep);
}

void ProgramThread::Execute() {
    Synchronize([this] {
        if (owner != nullptr) {
            owner->DisableCommands();
        }
    });
    steps.Progress().SetCaption("");
    const StepResult result = RunSteps();
    if (!result.ok) {
        // The run is wound up; the operator is told what ended it, not what
        // went wrong while winding up.
        (void)steps.SendEnd();
        (void)HandOver(&ProgramSteps::CloseStep);
    }
    Synchronize([this, &result] { Finish(result); });
}

void ProgramThread::Finish(const StepResult& result) {
    outcome = result;
    if (owner != nullptr) {
        owner->EnableCommands();
    }
}

} // namespace zekt
