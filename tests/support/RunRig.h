#pragma once

#include "ProgramThread.h"
#include "Project.h"
#include "SimulatedDriver.h"
#include "USB_Prog.h"

#include <QCoreApplication>
#include <QThread>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Records what a run shows of its progress.
class RecordingProgress : public zekt::ProgressView {
public:
    std::string caption;
    std::vector<std::string> captions;
    std::vector<int> maxima;
    std::vector<int> positions;
    std::function<void()> onPosition; // called as each position is shown

    void SetCaption(const std::string& text) override {
        caption = text;
        captions.push_back(text);
    }
    void SetMaximum(int maximum) override { maxima.push_back(maximum); }
    void SetPosition(int position) override {
        positions.push_back(position);
        if (onPosition) {
            onPosition();
        }
    }
};

// Counts the locking of the command column, and on which thread it happened.
class CountingOwner : public zekt::RunOwner {
public:
    int disabled = 0;
    int enabled = 0;
    bool locked = false;
    bool offUiThread = false;
    bool hold = false;                      // the run's next step waits while set
    std::function<void()> onAskedWhileHeld; // the run asked and was told to wait

    bool HoldsRun() const override {
        if (hold && onAskedWhileHeld) {
            onAskedWhileHeld();
        }
        return hold;
    }

    void DisableCommands() override {
        ++disabled;
        locked = true;
        Note();
    }
    void EnableCommands() override {
        ++enabled;
        locked = false;
        Note();
    }

private:
    void Note() { offUiThread = offUiThread || QThread::currentThread() != qApp->thread(); }
};

// One run over any link, started and awaited as the commands do it; keeps
// the image, what the run showed and how it ended.
struct LinkRun {
    zekt::Project image;
    RecordingProgress progress;
    CountingOwner owner;
    std::string message;
    bool failed = false;

    int Run(zekt::USB_Prog& link, zekt::ProgramOp ops) {
        zekt::ProgramThread thread(true, &owner, ops, image, link, progress);
        thread.Resume();
        const int code = thread.WaitFor();
        message = thread.Outcome().message;
        failed = !thread.Outcome().ok;
        return code;
    }
};

// A run against the simulated unit.
struct RunRig : LinkRun {
    zekt::SimulatedDriver driver;
    zekt::USB_Prog link{driver};

    int Run(zekt::ProgramOp ops) { return LinkRun::Run(link, ops); }

    // The commands the unit received, run-length encoded: (command, count).
    std::vector<std::pair<int, int>> Commands() const {
        std::vector<std::pair<int, int>> runs;
        for (const zekt::Payload& p : driver.ReceivedFrames()) {
            const int command = p[zekt::kCommandByte];
            if (!runs.empty() && runs.back().first == command) {
                ++runs.back().second;
            } else {
                runs.emplace_back(command, 1);
            }
        }
        return runs;
    }
};
